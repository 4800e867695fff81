// Firmware updates of the RVX48 and RVX64 through their drivers on the bench's
// wire line model (1 ms USB latency), as the window runs them: the record (and
// RVX64's node address, read through the bootloader) kept, the block
// bootloader's re-flash at 2000000 baud, the restart and the settings written
// back. Prints the wall time against the time bytes spent on the wire and the
// waits the drivers and the protocol mandate.
#include "encoders/rvx48/RVX48.h"
#include "encoders/rvx64/RVX64.h"
#include "sim/Bench.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <class Driver> void update(const char* model) {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    bench->setUsbLatency(std::chrono::milliseconds(1));
    sim::BenchGuard guard(bench);
    bench->add(model, sim::ModelOptions(std::map<std::string, std::string>{{"fw", "3"}}));
    Driver encoder(0);

    const auto before = bench->totals();
    std::size_t lines = 0;
    const auto start = Clock::now();
    encoder.update_firmware([&](const std::string&) { ++lines; });
    const auto wall = Clock::now() - start;
    const auto after = bench->totals();
    const auto lineBusy = after.lineBusy - before.lineBusy;
    const auto slept = after.slept - before.slept;
    std::printf("%s update, 7232 bytes in 113 blocks: %llu bytes out, %llu bytes back, %zu status lines\n",
                model, static_cast<unsigned long long>(after.bytesToDevice - before.bytesToDevice),
                static_cast<unsigned long long>(after.bytesFromDevice - before.bytesFromDevice), lines);
    std::printf("  wall time             %9.1f ms\n", ms(wall));
    std::printf("  line busy             %9.1f ms\n", ms(lineBusy));
    std::printf("  mandated waits        %9.1f ms (%llu sleeps)\n", ms(slept),
                static_cast<unsigned long long>(after.sleeps - before.sleeps));
    std::printf("  everything else       %9.1f ms (USB latency, erase and program times, host)\n",
                ms(wall) - ms(lineBusy) - ms(slept));
}

} // namespace

int main() {
    try {
        update<RVX::RVX48>("RVX48");
        update<RVX::RVX64>("RVX64");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "update failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
