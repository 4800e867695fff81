// Whole AN1310 re-flashes on the bench's wire line model at 115200 baud: a
// PIC18 image of about 20 kB and a PIC16 image, each with the latency timer
// the program's UART links set (1 ms) and with the chip's own 16 ms. Prints
// wall time against line-busy time, mandated waits and the latency timer's
// share, and the process's CPU time against the wall time (goal: under 5 %
// of one core).
#include "AN1310/AN1310.h"
#include "Measure.h"
#include "sim/pic/PicBootloaderDevice.h"
#include "tools/lib/HexGenerator.h"

#include <cstdio>
#include <map>
#include <memory>

namespace {

std::string imageFor(const sim::PicPart& part, std::uint32_t codeBytes) {
    tools::HexImageRecipe recipe;
    recipe.part = {int(part.family), part.flashStart, part.flashEnd, part.eepromStart, part.eepromEnd};
    recipe.seed = 42;
    const auto start = part.flashStart + 16 * part.unitsPerWord();
    recipe.code = {{start, start + codeBytes / part.bytesPerWord() * part.unitsPerWord()}};
    for (unsigned i = 0; i < 128 && part.eepromEnd > part.eepromStart; ++i)
        recipe.eeprom.push_back(static_cast<std::uint8_t>(i * 13));
    return tools::generateHex(recipe);
}

benchmark::Measure reflash(const char* partName, std::uint32_t codeBytes, std::uint8_t linkLatency) {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    sim::BenchGuard guard(bench);
    auto& module = bench->add("pic-bootloader",
                              sim::ModelOptions(std::map<std::string, std::string>{{"part", partName}}));
    const auto& part = module.device<sim::PicBootloaderDevice>().chip().part();
    const auto hex = imageFor(part, codeBytes);

    FTDI::setUartLatencyTimer(linkLatency);
    UartLink link(0);
    link.setBaudRate(115200);
    link.setDataCharacteristics(8, 0, 0);
    link.setTimeouts(300, 300);
    link.setFlowControl(0, 0, 0);
    link.setDtr(true);
    return benchmark::measure(*bench, [&] { AN1310::reflash(link, hex, [](const std::string&) {}); });
}

} // namespace

int main() {
    try {
        std::printf("AN1310 re-flashes, wire line model: 115200 baud, 1 ms USB latency, 62-byte packets\n\n");
        for (const auto& [part, bytes] : {std::pair{"PIC18F2620", 20000u}, std::pair{"PIC16F886", 6000u}}) {
            const auto quick = reflash(part, bytes, 1);
            const auto standard = reflash(part, bytes, 0);
            benchmark::print(std::string(part) + ", latency timer 1 ms (as the program sets it)", quick);
            benchmark::print(std::string(part) + ", latency timer 16 ms (the chip's default)", standard);
            std::printf("  1 ms saves %.0f %% of the wall time\n\n",
                        100.0 * (1 - quick.wallMs / standard.wallMs));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "re-flash failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
