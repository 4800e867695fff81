// What an RVX46 costs on the GUI thread at 115200 baud on the bench's wire
// line model (1 ms USB latency per transfer, replies held by the chip for its
// latency timer or a full 62-byte packet): a resolution change, which
// re-flashes through the AN1310 bootloader, and a position poll against the
// 100 ms tick of the position timer; each with the 1 ms latency timer the
// program sets and with the chip's own 16 ms.
#include "Measure.h"
#include "encoders/rvx46_47/RVX46_47.h"

#include <cstdio>
#include <string>

namespace {

constexpr double tickMs = 100.0;
constexpr int polls = 50;

void run(std::uint8_t linkLatency, const char* label) {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    sim::BenchGuard guard(bench);
    bench->add("RVX46");
    FTDI::setUartLatencyTimer(linkLatency);
    RVX::RVX46 encoder(0);

    std::vector<std::pair<double, std::string>> lines;
    const auto start = benchmark::Clock::now();
    const StatusCallback status = [&](const std::string& line) {
        lines.emplace_back(std::chrono::duration<double, std::milli>(benchmark::Clock::now() - start).count(),
                           line);
    };
    const auto flash = benchmark::measure(*bench, [&] { encoder.set_resolution(2048, status); });
    benchmark::print(std::string("set_resolution(2048), a re-flash; ") + label, flash);
    std::printf("  progress lines (ms from the start):\n");
    for (const auto& [at, line] : lines)
        if (line.find("address") == std::string::npos) std::printf("    %8.1f  %s\n", at, line.c_str());

    const auto poll = benchmark::measure(*bench, [&] {
        for (int i = 0; i < polls; ++i)
            encoder.read_position();
    });
    std::printf("read_position, %d polls; %s\n", polls, label);
    std::printf("  mean %.2f ms (%.1f %% of the %.0f ms tick), latency timer %.2f ms and line %.2f ms of it, "
                "CPU %.2f %%\n\n",
                poll.wallMs / polls, 100.0 * poll.wallMs / polls / tickMs, tickMs,
                benchmark::ms(poll.counters.latencyWait) / polls,
                benchmark::ms(poll.counters.lineBusy) / polls, poll.cpuShare());
}

} // namespace

int main() {
    try {
        std::printf("RVX46 on the wire line model: 115200 baud, 1 ms USB latency, 62-byte packets\n\n");
        run(1, "latency timer 1 ms (as the program sets it)");
        run(0, "latency timer 16 ms (the chip's default)");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
