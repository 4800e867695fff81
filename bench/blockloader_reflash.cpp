// A block-bootloader re-flash of a 7232-byte image (113 blocks) on the bench's
// wire line model at 2000000 baud with 1 ms USB latency, as the encoders that
// carry this bootloader are updated. Prints the wall time against the time
// bytes spent on the wire and the waits the protocol mandates; the rest is USB
// latency, the chip's erase and program times, and the host's own work.
#include "blockloader/blockloader.h"
#include "sim/Bench.h"
#include "sim/blockloader/BlockBootloaderDevice.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// 14-bit program words, high byte first, unlike what the chip holds already.
std::vector<std::uint8_t> image(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto word = i == 0 ? 0x3180u : i == 2 ? 0x2820u : (i * 0x3B1 + 0x77) & 0x3FFF;
        bytes[i] = static_cast<std::uint8_t>(word >> 8);
        bytes[i + 1] = static_cast<std::uint8_t>(word);
    }
    return bytes;
}

} // namespace

int main() {
    try {
        auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
        bench->setUsbLatency(std::chrono::milliseconds(1));
        sim::BenchGuard guard(bench);
        auto& module = bench->add("block-bootloader");
        const auto bytes = image(7232);

        UartLink link(0);
        link.setBaudRate(2000000);
        link.setDataCharacteristics(8, 0, 0);
        link.setTimeouts(300, 300);
        link.setFlowControl(0, 0, 0);
        link.setDtr(false);

        const auto before = bench->totals();
        const auto commandsBefore =
            module.device<sim::BlockBootloaderDevice>().bootloader().commands().size();
        std::size_t lines = 0;
        const auto start = Clock::now();
        hexldr::programImage(link, bytes, [&](const std::string&) { ++lines; });
        const auto wall = Clock::now() - start;

        const auto after = bench->totals();
        const auto commands =
            module.device<sim::BlockBootloaderDevice>().bootloader().commands().size() - commandsBefore;
        const auto lineBusy = after.lineBusy - before.lineBusy;
        const auto slept = after.slept - before.slept;
        std::printf(
            "block bootloader, %zu bytes in 113 blocks at 2000000 baud: %zu commands, %llu bytes out, "
            "%llu bytes back, %zu status lines\n",
            bytes.size(), commands,
            static_cast<unsigned long long>(after.bytesToDevice - before.bytesToDevice),
            static_cast<unsigned long long>(after.bytesFromDevice - before.bytesFromDevice), lines);
        std::printf("  wall time             %9.1f ms (%.2f ms a command)\n", ms(wall),
                    ms(wall) / static_cast<double>(commands));
        std::printf("  line busy             %9.1f ms\n", ms(lineBusy));
        std::printf("  mandated waits        %9.1f ms (%llu sleeps)\n", ms(slept),
                    static_cast<unsigned long long>(after.sleeps - before.sleeps));
        std::printf("  everything else       %9.1f ms (USB latency, erase and program times, host)\n",
                    ms(wall) - ms(lineBusy) - ms(slept));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "re-flash failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
