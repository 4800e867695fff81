#pragma once
// The command line of rvx-vantix-cli: its subcommands and options (CLI11),
// running the chosen one and turning what escapes it into a message on
// stderr, a JSON document when --json asks, and the exit code.
#include <iosfwd>
#include <string>

namespace vantix::cli {

struct Environment {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputTerminal = false; // questions may be asked
    bool errorTerminal = false; // progress may redraw one line
    // The options the executable reads itself (the backend) and their help,
    // shown after the program's own.
    std::string extraHelp;
};

// argv holds the program name and the arguments the executable left.
int runCommandLine(int argc, char** argv, const Environment& environment);

} // namespace vantix::cli
