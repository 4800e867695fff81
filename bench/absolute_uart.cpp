// What the absolute UART encoders cost on the GUI thread at 115200 baud, with
// the bench's wire line model on (10 bits per byte, 1 ms USB latency per
// transfer): an RVX65 baud-rate change and an RVX62 firmware update, each a
// re-flash through the AN1310 bootloader followed by the identity written
// back and read back, as wall time against the time bytes spend on the wire
// and the waits the protocols mandate; then one position poll of each model
// against the 100 ms tick of the position timer.
#include "Measure.h"
#include "encoders/Registry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double tickMs = 100.0;
constexpr int polls = 50;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void poll(RVX::Encoder& encoder, sim::Module& module) {
    double mean = 0, worst = 0;
    const auto busyBefore = module.counters.lineBusy;
    for (int i = 0; i < polls; ++i) {
        const auto start = Clock::now();
        encoder.read_position();
        const double ms = msSince(start);
        mean += ms / polls;
        worst = std::max(worst, ms);
    }
    const double busy = static_cast<double>((module.counters.lineBusy - busyBefore).count()) / 1000.0 / polls;
    std::printf("  %-8s mean %5.2f ms, max %5.2f ms, line busy %4.2f ms: %4.1f %% of the %.0f ms tick\n",
                encoder.part_number, mean, worst, busy, 100.0 * mean / tickMs, tickMs);
}

} // namespace

int main() {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    bench->setUsbLatency(std::chrono::milliseconds(1));
    sim::BenchGuard guard(bench);
    const char* models[] = {"RVX65", "RVX68", "RVX62", "RVX69"};
    for (const char* model : models)
        bench->add(model);
    try {
        std::printf(
            "Absolute UART encoders on the wire line model: 115200 baud, 1 ms USB latency per transfer\n\n");
        const StatusCallback ignore = [](const std::string&) {};
        const auto rvx65 = RVX::create_encoder("RVX65", 0);
        benchmark::print("RVX65 set_baud_rate(9600): the image for the rate, then its index",
                         benchmark::measure(*bench, [&] { rvx65->set_baud_rate(9600, ignore); }));
        const auto rvx62 = RVX::create_encoder("RVX62", 2);
        benchmark::print("RVX62 update_firmware: unanswered writes 20 ms apart, then read back",
                         benchmark::measure(*bench, [&] { rvx62->update_firmware(ignore); }));

        std::printf("\nread_position, %d polls each\n", polls);
        poll(*rvx65, bench->module(0));
        poll(*RVX::create_encoder("RVX68", 1), bench->module(1));
        poll(*rvx62, bench->module(2));
        poll(*RVX::create_encoder("RVX69", 3), bench->module(3));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
