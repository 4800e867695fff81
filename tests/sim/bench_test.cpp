#include "sim/Bench.h"
#include "sim/Loopback.h"
#include "sim/Recent.h"
#include "sim/models/rvx63/Rvx63.h"
#include "transport/UartLink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes counting(std::size_t length) {
    Bytes bytes(length);
    std::iota(bytes.begin(), bytes.end(), 0); // wraps at 256
    return bytes;
}

// What comes back from a loopback module with these faults.
Bytes echoThrough(sim::Faults faults, std::size_t length) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto& module = bench->addUart(std::make_unique<sim::Loopback>());
    module.faults = faults;
    module.reseed(faults.seed);
    UartLink link(0);
    link.setTimeouts(50, 50);
    link.write(counting(length));
    return link.read(static_cast<std::uint32_t>(length * 2));
}

// Echoes, except that "t" has it send "a" now, "b" in 100 ms and "c" in
// 200 ms; a break resets it.
class Talker final : public sim::UartDevice {
public:
    void receive(std::span<const std::uint8_t> bytes, sim::Port& port) override {
        if (bytes[0] != 't') return port.send(bytes);
        for (std::uint8_t i = 0; i < 3; ++i)
            port.sendLater(Bytes{static_cast<std::uint8_t>('a' + i)}, i * 100ms);
    }
    void lineChanged(const sim::LineState&, sim::Port& port) override {
        if (port.line().breakOn) port.discardPending();
    }
};

std::string text(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

} // namespace

TEST(BenchLine, WhatADeviceSendsLaterComesInTimeAfterRepliesSentMeanwhileAndDiesWithAReset) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    bench->addUart(std::make_unique<Talker>());
    UartLink link(0);
    link.setTimeouts(150, 50);
    const auto start = bench->now();
    link.write("t");
    EXPECT_EQ("a", text(link.read(1)));
    link.write("r");
    EXPECT_EQ("rb", text(link.read(2)));
    EXPECT_LT(bench->now() - start, 150ms); // the read ended when "b" came
    // A purge takes only what has come; what is due later still comes.
    link.purge(FTDI::PURGE_RX);
    EXPECT_EQ("c", text(link.read(1)));
    // Sends that fell due while nobody listened went before a later reply.
    link.write("t");
    FTDI::sleepMs(300);
    link.write("r");
    EXPECT_EQ("abcr", text(link.read(4)));
    link.write("t");
    EXPECT_EQ("a", text(link.read(1)));
    link.setBreak(true);
    EXPECT_EQ("", text(link.read(1)));
}

TEST(BenchFaults, SeededDamageIsReproducibleAndReplyShapingCutsWhatArrives) {
    sim::Faults faults;
    faults.seed = 7;
    faults.flip = 0.1;
    faults.drop = 0.05;
    faults.junk = 0.05;
    const auto damaged = echoThrough(faults, 400);
    EXPECT_NE(counting(400), damaged);
    EXPECT_EQ(damaged, echoThrough(faults, 400));
    faults.seed = 8;
    EXPECT_NE(damaged, echoThrough(faults, 400));

    sim::Faults truncate, armed;
    truncate.truncateReplies = 3;
    armed.drop = 1.0;
    armed.armAfterBytes = 4;
    EXPECT_EQ(counting(3), echoThrough(truncate, 10));
    EXPECT_EQ(counting(4), echoThrough(armed, 10));
}

TEST(BenchFaults, ADelayedReplyMissesAShortTimeOutAndArrivesLater) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto& module = bench->addUart(std::make_unique<sim::Loopback>());
    UartLink link(0);
    link.setTimeouts(50, 50);
    module.faults.delay = 100ms;
    link.write("x");
    EXPECT_TRUE(link.read(1).empty());
    EXPECT_EQ(1u, link.read(1).size());
}

TEST(BenchLine, WireTimeAndAChipThatHoldsRepliesUntilItsLatencyTimerRunsOutOrAPacketIsFull) {
    sim::Bench bench(sim::LineModel::Wire);
    bench.setVirtualClock(true);
    auto& module = bench.addUart(std::make_unique<sim::Loopback>());
    FTDI::Handle handle = nullptr;
    ASSERT_EQ(FTDI::OK, bench.open(0, handle));
    ASSERT_EQ(FTDI::OK, bench.setBaudRate(handle, 115200));
    EXPECT_EQ(sim::kPowerOnLatencyTimer, module.latencyTimer());
    // One byte each way takes 1 ms of USB and 0.2 ms on the wire; then it waits for the timer.
    const auto echoTime = [&](std::size_t bytes) {
        const Bytes out(bytes, 'x');
        std::uint32_t n = 0;
        const auto start = bench.now();
        bench.write(handle, out.data(), static_cast<std::uint32_t>(bytes), n);
        EXPECT_EQ(FTDI::OK, bench.waitForQueue(handle, static_cast<std::uint32_t>(bytes), start + 1s, n));
        EXPECT_EQ(bytes, n);
        Bytes in(bytes);
        bench.read(handle, in.data(), n, n);
        return bench.now() - start;
    };
    const auto slow = echoTime(1);
    EXPECT_GT(slow, 1ms);
    EXPECT_LE(slow, 1ms + 174us + 16ms + 1ms);
    EXPECT_EQ(1u, module.counters.latencyPackets);
    // 62 bytes come in 5.4 ms, well before the timer: a long reply goes mostly in full packets.
    const auto before = module.counters;
    echoTime(200);
    const auto packets = module.counters.packetsToHost - before.packetsToHost;
    const auto byTimer = module.counters.latencyPackets - before.latencyPackets;
    EXPECT_GE(packets - byTimer, 2u);
    EXPECT_LE(byTimer, 2u);
    EXPECT_EQ(FTDI::OK, bench.setLatencyTimer(handle, 1));
    EXPECT_LE(echoTime(1), 1ms + 174us + 1ms + 1ms);
    EXPECT_EQ(FTDI::INVALID_PARAMETER, bench.setLatencyTimer(handle, 0));

    // 48 bytes at 9600 baud: 50 ms on the wire each way.
    ASSERT_EQ(FTDI::OK, bench.setBaudRate(handle, 9600));
    const auto slow9600 = module.counters;
    EXPECT_GE(echoTime(48), 100ms);
    EXPECT_EQ(100000us, module.counters.lineBusy - slow9600.lineBusy);
}

TEST(BenchClock, SleepsAndPollingPassVirtualTime) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    bench->addUart(std::make_unique<sim::Loopback>());
    const auto start = bench->now();
    FTDI::sleepMs(5000);
    EXPECT_GE(bench->now() - start, 5000ms);
    // A host that polls an empty queue until a deadline must get there.
    UartLink link(0);
    const auto deadline = FTDI::now() + 200ms;
    while (FTDI::now() < deadline)
        EXPECT_EQ(0u, link.queueStatus());
}

// A window left connected polls ten times a second for days.
TEST(BenchModels, AnEncoderPolledForDaysKeepsOnlyWhatItHeardLast) {
    sim::Rvx63 encoder;
    auto now = sim::Clock::time_point{};
    for (std::size_t poll = 0; poll < 3 * sim::recentEntries; ++poll)
        encoder.exchange(0x10, now += 1ms); // position
    encoder.exchange(0x70, now += 1ms);     // zero
    for (const std::size_t kept : {encoder.commands().size(), encoder.received().size()}) {
        EXPECT_LE(kept, sim::recentEntries);
        EXPECT_GE(kept, sim::recentEntries / 2);
    }
    EXPECT_EQ(Bytes{0x70}, encoder.commands().back());
    EXPECT_EQ(0x70, encoder.received().back());
}

TEST(BenchDescription, BuildsModulesFromTextAndRejectsWhatItCannotRead) {
    auto bench = sim::Bench::fromDescription("echo:count=2,busy,seed=3,drop=0.5;spi-echo;line=instant");
    ASSERT_EQ(3u, bench->size());
    EXPECT_EQ(sim::LineModel::Instant, bench->lineModel());
    EXPECT_EQ(1u, bench->module(1).info().flags & FTDI::FLAG_OPENED);
    EXPECT_EQ(0.5, bench->module(0).faults.drop);
    EXPECT_TRUE(bench->module(2).isSpi());
    EXPECT_EQ(4, sim::Bench::fromDescription("echo;line=wire:timer=4")->module(0).latencyTimer());
    for (const auto* bad : {"RVX99", "echo:drop=2", "echo:count=x", "line=fast", "line=wire:timer=0"})
        EXPECT_THROW(sim::Bench::fromDescription(bad), std::invalid_argument) << bad;

    // Values whose time or shaft arithmetic would overflow or turn nan get an
    // error naming the option; the edges of the range still build a bench.
    const std::pair<const char*, const char*> outOfRange[] = {
        {"echo;line=wire:latency=10000000000000000", "option latency must be from 0 to 3600000"},
        {"echo:delay=9223372036854775", "option delay must be from 0 to 3600000"},
        {"echo:delay=-1", "option delay must be from 0 to 3600000"},
        {"RVX63:boot=9223372036854775", "option boot must be from 0 to 3600000"},
        {"RVX63:rpm=nan", "option rpm must be from -100000 to 100000"},
        {"RVX63:rpm=-inf", "option rpm must be from -100000 to 100000"},
        {"RVX63:rpm=1e400", "option rpm must be from -100000 to 100000"},
        {"RVX63:rpm=2.5rpm", "option rpm needs a number, not \"2.5rpm\""},
        {"RVX46:rpm=9223372036854775807", "option rpm must be from -100000 to 100000"},
        {"RVX64:rpm=1e300", "option rpm must be from -100000 to 100000"},
        {"RVX65:rpm=-1e300", "option rpm must be from -100000 to 100000"},
    };
    for (const auto& [description, error] : outOfRange) {
        try {
            sim::Bench::fromDescription(description);
            ADD_FAILURE() << description << " was taken";
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), ::testing::StartsWith(error)) << description;
        }
    }
    EXPECT_EQ(2u,
              sim::Bench::fromDescription("echo:delay=3600000;RVX63:boot=0,rpm=-100000;line=wire:latency=0")
                  ->size());

    // By default: one module per encoder model, its description naming the model.
    bench = sim::Bench::fromDescription("");
    EXPECT_GE(bench->size(), 5u);
    for (std::size_t i = 0; i < bench->size(); ++i)
        EXPECT_NE(std::string::npos,
                  std::string(bench->module(i).info().description).find(bench->module(i).model()));
}
