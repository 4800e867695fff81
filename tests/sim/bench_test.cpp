#include "sim/Bench.h"
#include "sim/Catalog.h"
#include "sim/Loopback.h"
#include "transport/UartLink.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Records the line changes and bytes a device sees; answers "ok" to each write.
struct Recorder final : sim::UartDevice {
    std::vector<sim::LineState> changes;
    sim::Bytes received;
    void receive(std::span<const std::uint8_t> bytes, sim::Port& port) override {
        received.insert(received.end(), bytes.begin(), bytes.end());
        port.sendText("ok", 2ms);
    }
    void lineChanged(const sim::LineState&, sim::Port& port) override { changes.push_back(port.line()); }
};

std::vector<std::uint8_t> echoThrough(sim::Faults faults, std::size_t length) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto& module = bench->addUart(std::make_unique<sim::Loopback>());
    module.faults = faults;
    module.reseed(faults.seed);
    UartLink link(0);
    link.setTimeouts(50, 50);
    std::vector<std::uint8_t> sent(length);
    for (std::size_t i = 0; i < length; ++i) sent[i] = static_cast<std::uint8_t>(i);
    link.write(sent);
    return link.read(static_cast<std::uint32_t>(length * 2));
}

TEST(BenchFaults, SameSeedSameDamageOtherSeedOtherDamage) {
    sim::Faults faults;
    faults.seed = 7;
    faults.flip = 0.1;
    faults.drop = 0.05;
    faults.junk = 0.05;
    const auto a = echoThrough(faults, 400);
    const auto b = echoThrough(faults, 400);
    faults.seed = 8;
    const auto c = echoThrough(faults, 400);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    std::vector<std::uint8_t> clean(400);
    for (std::size_t i = 0; i < clean.size(); ++i) clean[i] = static_cast<std::uint8_t>(i);
    EXPECT_NE(clean, a);
}

TEST(BenchFaults, ReplyShapingFaults) {
    sim::Faults truncate;
    truncate.truncateReplies = 3;
    EXPECT_EQ(3u, echoThrough(truncate, 10).size());

    sim::Faults silent;
    silent.silent = true;
    EXPECT_TRUE(echoThrough(silent, 10).empty());

    sim::Faults armed;
    armed.drop = 1.0;
    armed.armAfterBytes = 4;
    EXPECT_EQ((std::vector<std::uint8_t>{0, 1, 2, 3}), echoThrough(armed, 10));
}

TEST(BenchFaults, DelayedReplyMissesAShortTimeOut) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto& module = bench->addUart(std::make_unique<sim::Loopback>());
    module.faults.delay = 100ms;
    UartLink link(0);
    link.setTimeouts(50, 50);
    link.write("x");
    EXPECT_TRUE(link.read(1).empty());
    EXPECT_EQ(1u, link.read(1).size()); // it arrives later
}

TEST(BenchFaults, CallFailuresFromTheNthCallOn) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto& module = bench->addUart(std::make_unique<sim::Loopback>());
    UartLink link(0);
    module.failCalls(FTDI::IO_ERROR, 2, 0);
    link.setDtr(true);
    link.setRts(true);
    for (int i = 0; i < 3; ++i) EXPECT_THROW(link.setDtr(false), FTDI::Exception);
}

TEST(BenchLine, DeviceSeesLineChangesAndBytes) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto& module = bench->addUart(std::make_unique<Recorder>());
    auto& device = module.device<Recorder>();
    UartLink link(0);
    link.setBaudRate(115200);
    link.setRts(true);
    link.setBreak(true);
    link.write("lost in the break");
    link.setBreak(false);
    link.write("hi");
    EXPECT_EQ("hi", std::string(device.received.begin(), device.received.end()));
    ASSERT_EQ(4u, device.changes.size());
    EXPECT_FALSE(device.changes[3].breakOn);
    EXPECT_EQ(115200u, device.changes[0].baud);
    EXPECT_TRUE(device.changes[1].rts);
    EXPECT_TRUE(device.changes[2].breakOn);
}

TEST(BenchLine, WireModelTakesTheTimeTheBytesNeed) {
    auto shared = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    shared->setUsbLatency(1ms);
    sim::BenchGuard bench(shared);
    auto& module = bench->addUart(std::make_unique<sim::Loopback>());
    UartLink link(0);
    link.setBaudRate(9600);
    link.setTimeouts(1000, 1000);
    const auto start = bench->now();
    link.write(std::string(48, 'x')); // 48 bytes at 9600 baud: 50 ms each way
    EXPECT_EQ(48u, link.read(48).size());
    EXPECT_GE(bench->now() - start, 100ms);
    EXPECT_EQ(100000us, module.counters.lineBusy);
    EXPECT_EQ(48u, module.counters.bytesToDevice);
    EXPECT_EQ(48u, module.counters.bytesFromDevice);
}

TEST(BenchClock, InstantModelSleepsVirtuallyAndCountsThem) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    const auto start = bench->now();
    const auto realStart = std::chrono::steady_clock::now();
    FTDI::sleepMs(5000);
    EXPECT_GE(bench->now() - start, 5000ms);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, 4000ms);
    EXPECT_EQ(1u, bench->totals().sleeps);
    EXPECT_EQ(5000ms, bench->totals().slept);
}

TEST(BenchClock, PollingAnEmptyQueueLetsTimePass) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    bench->addUart(std::make_unique<sim::Loopback>());
    UartLink link(0);
    const auto deadline = FTDI::now() + 200ms;
    int polls = 0;
    while (FTDI::now() < deadline && link.queueStatus() == 0) ++polls;
    EXPECT_GT(polls, 0);
}

TEST(BenchDescription, BuildsModulesFromText) {
    auto bench = sim::Bench::fromDescription("echo:count=2,busy,seed=3,drop=0.5;spi-echo;line=instant");
    ASSERT_EQ(3u, bench->size());
    EXPECT_EQ(sim::LineModel::Instant, bench->lineModel());
    EXPECT_EQ(1u, bench->module(1).info().flags & FTDI::FLAG_OPENED);
    EXPECT_EQ(0.5, bench->module(0).faults.drop);
    EXPECT_TRUE(bench->module(2).isSpi());
    EXPECT_STREQ("RVX-LINK (simulated): echo", bench->module(0).info().description);
}

TEST(BenchDescription, RejectsWhatItCannotRead) {
    EXPECT_THROW(sim::Bench::fromDescription("RVX99"), std::invalid_argument);
    EXPECT_THROW(sim::Bench::fromDescription("echo:drop=2"), std::invalid_argument);
    EXPECT_THROW(sim::Bench::fromDescription("echo:count=x"), std::invalid_argument);
    EXPECT_THROW(sim::Bench::fromDescription("line=fast"), std::invalid_argument);
}

TEST(BenchDescription, DefaultBenchHoldsOneModulePerEncoderModel) {
    auto bench = sim::Bench::fromDescription("");
    std::size_t expected = 0;
    for (const auto& entry : sim::catalog()) expected += entry.inDefaultBench;
    EXPECT_EQ(expected, bench->size());
    for (std::size_t i = 0; i < bench->size(); ++i)
        EXPECT_NE(std::string::npos, std::string(bench->module(i).info().description).find(bench->module(i).model()));
}

} // namespace
