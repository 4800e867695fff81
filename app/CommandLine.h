#pragma once
// Parses the program's command line: --simulate[=DESCRIPTION], --no-update-check,
// --default-latency and --help.
#include <optional>
#include <string>

namespace vantix {

struct CommandLine {
    bool help = false;
    bool simulate = false;
    bool updateCheck = true;      // ask the maker's web site for a newer version at start-up
    std::string benchDescription; // empty: the default bench
    bool defaultLatency = false;  // leave the UART modules' latency timer at the chip's own
    std::string error;            // non-empty when the line could not be read
};

CommandLine parseCommandLine(int argc, char** argv);
std::string usageText();

} // namespace vantix
