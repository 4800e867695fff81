// Cost of one RVX63 position poll on the GUI thread, on the bench's wire line
// model (1 MHz SPI, 1 ms USB latency per transfer; each transfer ends with
// send-immediate, so the chip's 10 ms latency timer is never waited for), set
// against the 100 ms tick of the position timer and the driver's "at most
// about 40 ms". The encoder's busy answers per poll are varied from none to
// the most the driver waits out.
#include "Measure.h"
#include "encoders/rvx63/RVX63.h"
#include "sim/models/rvx63/Rvx63.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr double tickMs = 100.0;
constexpr int pollsPerRow = 30;

} // namespace

int main() {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    sim::BenchGuard guard(bench);
    auto& module = bench->add("RVX63");
    try {
        RVX::RVX63 encoder(0);
        std::printf("RVX63 position poll, wire line model: 1 MHz SPI, 1 ms USB latency per transfer\n");
        std::printf("%d polls per row; wall-clock time on the calling (GUI) thread\n\n", pollsPerRow);
        std::printf(
            "busy answers | transfers | sleeps (ms) | mean (ms) | max (ms) | tick share | CPU share\n");
        for (std::uint32_t busy : {0u, 3u, 10u, 19u}) {
            module.device<sim::Rvx63>().setBusyAnswers(0x10, busy);
            double maxMs = 0;
            const auto m = benchmark::measure(*bench, [&] {
                for (int i = 0; i < pollsPerRow; ++i) {
                    const auto start = benchmark::Clock::now();
                    encoder.read_position();
                    maxMs = std::max(
                        maxMs,
                        std::chrono::duration<double, std::milli>(benchmark::Clock::now() - start).count());
                }
            });
            const double mean = m.wallMs / pollsPerRow;
            std::printf("%12u | %9.1f | %11.1f | %9.2f | %8.2f | %8.1f %% | %7.2f %%%s\n", busy,
                        static_cast<double>(m.counters.spiTransfers) / pollsPerRow,
                        static_cast<double>(m.counters.slept.count()) / pollsPerRow, mean, maxMs,
                        100.0 * mean / tickMs, m.cpuShare(), busy == 3 ? "  (bench default)" : "");
        }
        std::printf("\nEvery poll fits the tick when max < %.0f ms.\n", tickMs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
