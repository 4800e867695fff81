#include "CommandLine.h"

#include <string_view>

namespace vantix {

CommandLine parseCommandLine(int argc, char** argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (readBackendOption(result.backend, argc, argv, i, BenchArgument::NextOrEquals)) continue;
        if (arg == "--help" || arg == "-h")
            result.help = true;
        else if (arg == "--no-update-check")
            result.updateCheck = false;
        else
            result.error = "Unknown option: " + std::string(arg);
    }
    return result;
}

std::string usageText() {
    return "Usage: rvx-vantix [--simulate [BENCH]] [--no-update-check] [--default-latency] [--help]\n"
           "\n"
           "Sets up RVX rotary encoders through an RVX-LINK USB programming module.\n"
           "\n" +
           backendOptionsHelp(BenchArgument::NextOrEquals) +
           "  --no-update-check   do not ask the maker's web site for a newer version at start-up\n"
           "  --help              show this text\n"
           "\n"
           "Environment:\n"
           "  RVX_VANTIX_NO_UPDATE_CHECK=1      as --no-update-check (for production lines and offline "
           "benches)\n"
           "  RVX_VANTIX_UPDATE_HOST=URL        https address that serves /vantixversion.xml and "
           "/rvx-vantix\n"
           "                                    in place of the maker's web site (a mirror)\n"
           "  RVX_VANTIX_UPDATE_CA_FILE=FILE    PEM certificate bundle to trust for the check instead of "
           "the\n"
           "                                    system's authorities\n"
           "  RVX_VANTIX_UPDATE_TIMEOUT_MS=N    give up the check after N ms (default 30000; connecting\n"
           "                                    alone at most 10000)\n"
           "\n" +
           benchDescriptionHelp();
}

} // namespace vantix
