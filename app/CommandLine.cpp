#include "CommandLine.h"

#include "sim/Bench.h"

#include <string_view>

namespace vantix {

CommandLine parseCommandLine(int argc, char** argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            result.help = true;
        } else if (arg == "--simulate") {
            result.simulate = true;
            // An optional description may follow as the next argument.
            if (i + 1 < argc && std::string_view(argv[i + 1]).substr(0, 1) != "-")
                result.benchDescription = argv[++i];
        } else if (arg == "--no-update-check") {
            result.updateCheck = false;
        } else if (arg == "--default-latency") {
            result.defaultLatency = true;
        } else if (arg.starts_with("--simulate=")) {
            result.simulate = true;
            result.benchDescription = std::string(arg.substr(11));
        } else {
            result.error = "Unknown option: " + std::string(arg);
        }
    }
    return result;
}

std::string usageText() {
    return "Usage: rvx-vantix [--simulate [BENCH]] [--no-update-check] [--default-latency] [--help]\n"
           "\n"
           "Sets up RVX rotary encoders through an RVX-LINK USB programming module.\n"
           "\n"
           "  --simulate [BENCH]  run on the simulated bench instead of real modules\n"
           "  --no-update-check   do not ask the maker's web site for a newer version at start-up\n"
           "  --default-latency   leave a UART module's latency timer at the chip's 16 ms\n"
           "                      instead of setting 1 ms while the program holds it\n"
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
           sim::Bench::descriptionHelp();
}

} // namespace vantix
