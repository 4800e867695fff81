// Until the main window lands this only reads the command line and sets up the
// chosen backend.
#include "app/CommandLine.h"
#include "sim/Bench.h"
#include "transport/UartLink.h"

#include <iostream>

int main(int argc, char** argv) {
    auto line = vantix::parseCommandLine(argc, argv);
    if (!line.error.empty()) {
        std::cerr << line.error << "\n\n" << vantix::usageText();
        return 2;
    }
    if (line.help) {
        std::cout << vantix::usageText();
        return 0;
    }
    try {
        if (line.simulate) FTDI::installPlatform(sim::Bench::fromDescription(line.benchDescription));
        for (const auto& info : FTDI::listDevices()) std::cout << info.description << "\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
