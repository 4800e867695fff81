#include "Backend.h"

#include "sim/Bench.h"
#include "transport/FtdiPlatform.h"
#include "transport/UartLink.h"

#include <string_view>

namespace vantix {

bool readBackendOption(BackendChoice& choice, int argc, char** argv, int& i, BenchArgument form) {
    const std::string_view arg = argv[i];
    if (arg == "--default-latency") {
        choice.defaultLatency = true;
    } else if (arg == "--simulate") {
        choice.simulate = true;
        if (form == BenchArgument::NextOrEquals && i + 1 < argc &&
            std::string_view(argv[i + 1]).substr(0, 1) != "-")
            choice.benchDescription = argv[++i];
    } else if (arg.starts_with("--simulate=")) {
        choice.simulate = true;
        choice.benchDescription = std::string(arg.substr(11));
    } else {
        return false;
    }
    return true;
}

std::string backendOptionsHelp(BenchArgument form) {
    return std::string(form == BenchArgument::NextOrEquals
                           ? "  --simulate [BENCH]  run on the simulated bench instead of real modules\n"
                           : "  --simulate[=BENCH]  run on the simulated bench instead of real modules\n") +
           "  --default-latency   leave a UART module's latency timer at the chip's 16 ms\n"
           "                      instead of setting 1 ms while the program holds it\n";
}

std::string benchDescriptionHelp() {
    return sim::Bench::descriptionHelp();
}

void installBackend(const BackendChoice& choice) {
    if (choice.defaultLatency) FTDI::setUartLatencyTimer(0);
    if (choice.simulate)
        FTDI::installPlatform(sim::Bench::fromDescription(choice.benchDescription));
    else
        FTDI::installPlatform(FTDI::makeLibftdiPlatform());
}

} // namespace vantix
