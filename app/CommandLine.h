#pragma once
// Parses the program's command line: the backend options (--simulate[=DESCRIPTION],
// --default-latency), --no-update-check and --help.
#include "backend/Backend.h"

#include <string>

namespace vantix {

struct CommandLine {
    bool help = false;
    bool updateCheck = true; // ask the maker's web site for a newer version at start-up
    BackendChoice backend;
    std::string error; // non-empty when the line could not be read
};

CommandLine parseCommandLine(int argc, char** argv);
std::string usageText();

} // namespace vantix
