// rvx-vantix-cli: reads the backend options (real modules or the simulated
// bench), installs the backend and runs the command line.
#include "backend/Backend.h"
#include "cli/CommandLine.h"
#include "cli/Outcome.h"

#include <unistd.h>

#include <iostream>
#include <vector>

int main(int argc, char** argv) {
    vantix::BackendChoice backend;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i)
        if (!vantix::readBackendOption(backend, argc, argv, i, vantix::BenchArgument::EqualsOnly))
            rest.push_back(argv[i]);
    try {
        vantix::installBackend(backend);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return vantix::cli::UsageError;
    }
    const vantix::cli::Environment environment{
        std::cin,
        std::cout,
        std::cerr,
        isatty(STDIN_FILENO) != 0,
        isatty(STDERR_FILENO) != 0,
        "Options read before the others (anywhere on the line):\n" +
            vantix::backendOptionsHelp(vantix::BenchArgument::EqualsOnly) + "\n" +
            vantix::benchDescriptionHelp()};
    return vantix::cli::runCommandLine(static_cast<int>(rest.size()), rest.data(), environment);
}
