// What one RVX63 position poll costs on the bench's wire line model (on its
// virtual clock): a transfer per byte the protocol needs, a 2 ms sleep before
// each poll of the answer, one USB round trip per transfer, and nothing else.
#include "encoders/rvx63/RVX63.h"
#include "sim/Bench.h"
#include "sim/models/rvx63/Rvx63.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

TEST(Rvx63PollCost, APositionPollTakesOnlyTheTransfersAndSleepsTheProtocolNeeds) {
    auto shared = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    shared->setVirtualClock(true);
    sim::BenchGuard bench(shared);
    auto& module = bench->add("RVX63");
    RVX::RVX63 encoder(0);
    for (const std::uint32_t busy : {0u, 3u, 19u}) {
        SCOPED_TRACE(busy);
        module.device<sim::Rvx63>().setBusyAnswers(0x10, busy);
        const auto before = bench->totals();
        const auto start = bench->now();
        encoder.read_position();
        const auto after = bench->totals();
        const auto transfers = after.spiTransfers - before.spiTransfers;
        // The command, each busy answer and the echo, two position bytes.
        EXPECT_EQ(1 + busy + 1 + 2, transfers);
        EXPECT_EQ(busy + 1, after.sleeps - before.sleeps);
        EXPECT_EQ(milliseconds(2 * (busy + 1)), after.slept - before.slept);
        // One USB round trip and eight 1 MHz clocks per transfer, and the sleeps.
        EXPECT_EQ(transfers * (bench->usbLatency() + microseconds(8)) + (after.slept - before.slept),
                  bench->now() - start);
    }
}

} // namespace
