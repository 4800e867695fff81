// Cost of one RVX63 position poll on the GUI thread, with the line model on
// (1 MHz SPI, 1 ms USB latency per transfer), set against the 100 ms tick of the
// position timer. The encoder's busy answers per poll are varied from none to the
// most the driver waits out.
#include "encoders/rvx63/RVX63.h"
#include "sim/Bench.h"
#include "sim/models/rvx63/Rvx63.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr double tickMs = 100.0;
constexpr int pollsPerRow = 30;

struct Row {
    double meanMs = 0, maxMs = 0;
    double transfers = 0;
    double sleptMs = 0;
};

Row measure(sim::Bench& bench, RVX::RVX63& encoder, sim::Module& module, std::uint32_t busy) {
    module.device<sim::Rvx63>().setBusyAnswers(0x10, busy);
    Row row;
    const auto transfersBefore = module.counters.spiTransfers;
    const auto sleptBefore = bench.totals().slept;
    for (int i = 0; i < pollsPerRow; ++i) {
        const auto start = std::chrono::steady_clock::now();
        encoder.read_position();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        row.meanMs += ms / pollsPerRow;
        row.maxMs = std::max(row.maxMs, ms);
    }
    row.transfers = static_cast<double>(module.counters.spiTransfers - transfersBefore) / pollsPerRow;
    row.sleptMs = static_cast<double>((bench.totals().slept - sleptBefore).count()) / pollsPerRow;
    return row;
}

} // namespace

int main() {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    bench->setUsbLatency(std::chrono::milliseconds(1));
    sim::BenchGuard guard(bench);
    auto& module = bench->add("RVX63");
    try {
        RVX::RVX63 encoder(0);
        std::printf("RVX63 position poll, wire line model: 1 MHz SPI, 1 ms USB latency per transfer\n");
        std::printf("%d polls per row; wall-clock time on the calling (GUI) thread\n\n", pollsPerRow);
        std::printf("busy answers | transfers | sleeps (ms) | mean (ms) | max (ms) | share of 100 ms tick\n");
        for (std::uint32_t busy : {0u, 1u, 3u, 10u, 19u}) {
            const Row row = measure(*bench, encoder, module, busy);
            std::printf("%12u | %9.1f | %11.1f | %9.2f | %8.2f | %5.1f %%%s\n", busy, row.transfers,
                        row.sleptMs, row.meanMs, row.maxMs, 100.0 * row.meanMs / tickMs,
                        busy == 3 ? "  (bench default)" : "");
        }
        std::printf("\nEvery poll fits the tick when max < %.0f ms.\n", tickMs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
