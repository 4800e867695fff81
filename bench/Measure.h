#pragma once
// What the benchmarks measure around one operation on the bench's wire line
// model: wall time and the process's CPU time, against the bench's own
// account of the time bytes spent on the wire, the waits the protocols
// mandate (the host's sleeps) and the time replies sat in the chip waiting
// for its latency timer.
#include "sim/Bench.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

namespace benchmark {

using Clock = std::chrono::steady_clock;

inline double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

inline double ms(std::chrono::microseconds d) {
    return static_cast<double>(d.count()) / 1000.0;
}

struct Measure {
    double wallMs = 0;
    double cpuMs = 0;
    sim::Counters counters; // the bench's counts during the operation
    double usbMs = 0;       // one USB latency per transfer each way

    double cpuShare() const { return wallMs > 0 ? 100.0 * cpuMs / wallMs : 0; }
};

// Runs `operation` and takes the bench's counters around it.
template <class F> Measure measure(sim::Bench& bench, F&& operation) {
    const auto before = bench.totals();
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    operation();
    Measure m;
    m.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    m.cpuMs = (cpuSeconds() - cpuBefore) * 1000.0;
    m.counters = bench.totals() - before;
    const auto& c = m.counters;
    const auto transfers = c.writes + c.packetsToHost + c.spiTransfers;
    m.usbMs = static_cast<double>(transfers) * ms(bench.usbLatency());
    return m;
}

inline void print(const std::string& title, const Measure& m) {
    const auto& c = m.counters;
    std::printf("%s\n", title.c_str());
    std::printf("  wall time          %9.1f ms\n", m.wallMs);
    std::printf("  line busy          %9.1f ms  (%llu bytes out, %llu back)\n", ms(c.lineBusy),
                static_cast<unsigned long long>(c.bytesToDevice),
                static_cast<unsigned long long>(c.bytesFromDevice));
    std::printf("  mandated waits     %9.1f ms  (%llu sleeps)\n", static_cast<double>(c.slept.count()),
                static_cast<unsigned long long>(c.sleeps));
    std::printf("  latency timer      %9.1f ms  (%llu of %llu reply packets waited for it)\n",
                ms(c.latencyWait), static_cast<unsigned long long>(c.latencyPackets),
                static_cast<unsigned long long>(c.packetsToHost));
    std::printf("  USB transfers      %9.1f ms  (%llu writes, %llu packets back, %llu SPI transfers)\n",
                m.usbMs, static_cast<unsigned long long>(c.writes),
                static_cast<unsigned long long>(c.packetsToHost),
                static_cast<unsigned long long>(c.spiTransfers));
    std::printf("  the rest           %9.1f ms  (the encoder's own work: erase, write, EEPROM)\n",
                m.wallMs - ms(c.lineBusy) - static_cast<double>(c.slept.count()) - ms(c.latencyWait) -
                    m.usbMs);
    std::printf("  CPU time           %9.1f ms  = %.2f %% of one core over the wall time\n", m.cpuMs,
                m.cpuShare());
}

} // namespace benchmark
