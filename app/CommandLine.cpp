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
    return "Usage: rvx-vantix [--simulate [BENCH]] [--help]\n"
           "\n"
           "Sets up RVX rotary encoders through an RVX-LINK USB programming module.\n"
           "\n"
           "  --simulate [BENCH]  run on the simulated bench instead of real modules\n"
           "  --help              show this text\n"
           "\n" +
           sim::Bench::descriptionHelp();
}

} // namespace vantix
