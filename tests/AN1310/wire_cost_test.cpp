// What the bootloader host costs on the bench's wire line model (on its
// virtual clock): the round trips the protocol needs and no more, and a wait
// for the bootloader that ends when it answers, not at the next check.
#include "SessionBench.h"

using namespace an1310test;

namespace {

TEST(WireCost, ARequestTakesTheRoundTripsItNeedsAndAReflashWaitsOnlyUntilTheBootloaderAnswers) {
    auto shared = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    shared->setVirtualClock(true);
    sim::BenchGuard bench{shared};
    sim::Module& module = bench->add(
        "pic-bootloader", sim::ModelOptions(std::map<std::string, std::string>{{"part", "PIC18F2620"}}));
    const auto link = openLink();
    LogCapture logs;

    AN1310::Comm comm(*link);
    const auto before = module.counters;
    comm.readDeviceId(AN1310::Family::PIC18);
    const auto& after = module.counters;
    EXPECT_EQ(2u, after.writes - before.writes) << "the STX, then the rest";
    // The STX back, then the reply (which the chip's 1 ms timer may cut in two).
    const auto packets = after.packetsToHost - before.packetsToHost;
    EXPECT_GE(packets, 2u);
    EXPECT_LE(packets, 3u);
    // A wait for each packet, and a look that finds the STX already there.
    EXPECT_EQ(packets + 1, after.queuePolls - before.queuePolls);

    AN1310::BootloadSession session(*link);
    std::istringstream hex(applicationHex(module.device<sim::PicBootloaderDevice>().chip().part(), 4, 2000));
    session.connect();
    session.loadImage(hex);
    const auto sleeps = bench->totals().sleeps;
    session.erase();
    session.write();
    session.verify();
    EXPECT_EQ(sleeps, bench->totals().sleeps)
        << "no step between connecting and starting the application sleeps";
}

} // namespace
