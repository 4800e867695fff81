// Firmware updates of the RVX48 and RVX64 through their drivers on the bench's
// wire line model (1 ms USB latency), as the window runs them: the record (and
// RVX64's node address, read through the bootloader) kept, the block
// bootloader's re-flash at 2000000 baud, the restart and the settings written
// back. Prints the wall time against the time bytes spent on the wire and the
// waits the drivers and the protocol mandate.
#include "Measure.h"
#include "encoders/rvx48/RVX48.h"
#include "encoders/rvx64/RVX64.h"

#include <fmt/format.h>

#include <memory>

namespace {

template <class Driver> void update(const char* model) {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    bench->setUsbLatency(std::chrono::milliseconds(1));
    sim::BenchGuard guard(bench);
    bench->add(model, sim::ModelOptions(std::map<std::string, std::string>{{"fw", "3"}}));
    Driver encoder(0);
    std::size_t lines = 0;
    const auto m =
        benchmark::measure(*bench, [&] { encoder.update_firmware([&](const std::string&) { ++lines; }); });
    benchmark::print(fmt::format("{} update, 7232 bytes in 113 blocks, {} status lines", model, lines), m);
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
