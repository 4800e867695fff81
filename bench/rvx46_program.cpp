// What a resolution change costs on an RVX46 at 115200 baud, with the bench's
// wire line model on (10 bits per byte, 1 ms USB latency per transfer): the
// wall time on the calling (GUI) thread against the time bytes spend on the
// wire and the waits the protocols mandate; then the cost of one position poll
// against the 100 ms tick of the position timer.
#include "encoders/rvx46_47/RVX46_47.h"
#include "sim/Bench.h"
#include "sim/models/rvx46_47/Rvx46Line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double tickMs = 100.0;
constexpr int polls = 50;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Snapshot {
    sim::Counters module;
    sim::Counters totals;
};

Snapshot snapshot(sim::Bench& bench, sim::Module& module) {
    return {module.counters, bench.totals()};
}

void report(const char* what, double wallMs, const Snapshot& before, const Snapshot& after) {
    const double busyMs =
        static_cast<double>((after.module.lineBusy - before.module.lineBusy).count()) / 1000.0;
    const double sleptMs = static_cast<double>((after.totals.slept - before.totals.slept).count());
    std::printf("%s\n", what);
    std::printf("  wall time              %10.1f ms\n", wallMs);
    std::printf(
        "  line busy (both ways)  %10.1f ms  (%llu bytes to the encoder, %llu back)\n", busyMs,
        static_cast<unsigned long long>(after.module.bytesToDevice - before.module.bytesToDevice),
        static_cast<unsigned long long>(after.module.bytesFromDevice - before.module.bytesFromDevice));
    std::printf("  mandated waits         %10.1f ms  (%llu sleeps)\n", sleptMs,
                static_cast<unsigned long long>(after.totals.sleeps - before.totals.sleeps));
    std::printf("  rest (latency, encoder's own time, host work) %8.1f ms\n",
                std::max(0.0, wallMs - busyMs - sleptMs));
}

} // namespace

int main() {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    bench->setUsbLatency(std::chrono::milliseconds(1));
    sim::BenchGuard guard(bench);
    auto& module = bench->add("RVX46");
    try {
        RVX::RVX46 encoder(0);
        std::printf("RVX46 on the wire line model: 115200 baud, 1 ms USB latency per transfer\n\n");

        std::vector<std::pair<double, std::string>> lines;
        const auto start = Clock::now();
        const StatusCallback status = [&](const std::string& line) {
            lines.emplace_back(msSince(start), line);
        };
        const auto before = snapshot(*bench, module);
        encoder.set_resolution(2048, status);
        const double wall = msSince(start);
        report("set_resolution(2048): a re-flash through the AN1310 bootloader", wall, before,
               snapshot(*bench, module));
        std::printf("  progress lines (ms from the start):\n");
        for (const auto& [at, line] : lines)
            if (line.find("address") == std::string::npos) std::printf("    %8.1f  %s\n", at, line.c_str());

        std::printf("\nread_position, %d polls\n", polls);
        double mean = 0, worst = 0;
        const auto pollsBefore = snapshot(*bench, module);
        for (int i = 0; i < polls; ++i) {
            const auto t = Clock::now();
            encoder.read_position();
            const double ms = msSince(t);
            mean += ms / polls;
            worst = std::max(worst, ms);
        }
        const auto pollsAfter = snapshot(*bench, module);
        const double busy =
            static_cast<double>((pollsAfter.module.lineBusy - pollsBefore.module.lineBusy).count()) / 1000.0 /
            polls;
        std::printf("  mean %.2f ms, max %.2f ms, line busy %.2f ms per poll: %.1f %% of the %.0f ms tick\n",
                    mean, worst, busy, 100.0 * mean / tickMs, tickMs);
        std::printf(
            "  (a poll right after a reset may take up to 10 \"p\" exchanges while the encoder has no "
            "position yet)\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
