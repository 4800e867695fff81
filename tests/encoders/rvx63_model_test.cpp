// The RVX63 encoder model seen from the wire, without the driver: what a bench
// description sets up and how the encoder answers bytes in their frames.
#include "sim/Bench.h"
#include "sim/models/Rvx63.h"
#include "transport/SpiLink.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using sim::Bytes;

Bytes exchange(SpiLink& link, const Bytes& out) {
    Bytes in;
    for (auto byte : out)
        in.push_back(link.transfer(byte));
    return in;
}

TEST(Rvx63Model, BenchDescriptionSetsUpEncodersOnSpiModules) {
    sim::BenchGuard bench(
        sim::Bench::fromDescription("RVX63:count=2,waits=0,position=0x123,rpm=0;line=instant"));

    ASSERT_EQ(FTDI::spiChannelCount(), 2u);
    EXPECT_NE(std::string(FTDI::spiChannelInfo(1).description).find("RVX63"), std::string::npos);
    SpiLink link(1);
    // The command is answered "ready" in its own frame, the echo and position after it.
    EXPECT_EQ(exchange(link, {0x10, 0x00, 0x00, 0x00}), (Bytes{0xA5, 0x10, 0x01, 0x23}));

    EXPECT_THROW(sim::Bench::fromDescription("RVX63:resolution=1023"), std::invalid_argument);
    EXPECT_THROW(sim::Bench::fromDescription("RVX63:fw=0x100"), std::invalid_argument);
}

TEST(Rvx63Model, DefaultBenchCarriesOneRvx63) {
    auto bench = sim::Bench::fromDescription("");
    ASSERT_NE(bench->find("RVX63"), nullptr);
    EXPECT_TRUE(bench->find("RVX63")->isSpi());
}

class Rvx63Wire : public ::testing::Test {
protected:
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    sim::Module& module = bench->add(
        "RVX63", sim::ModelOptions(std::map<std::string, std::string>{{"waits", "1"}, {"rpm", "0"}}));
    sim::Rvx63& device = module.device<sim::Rvx63>();
};

TEST_F(Rvx63Wire, ResolutionCodeIsLockedOutsideCalibrationMode) {
    SpiLink link(0);

    EXPECT_EQ(exchange(link, {0x80, 0xFA, 0xE3, 0x00, 0x00}), (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0xEE}));
    EXPECT_EQ(device.eeprom()[0xFA], 0xE7);

    EXPECT_EQ(exchange(link, {0x50, 0x00, 0x00}), (Bytes{0xA5, 0xA5, 0x50}));
    EXPECT_EQ(exchange(link, {0x80, 0xFA, 0xE3, 0x00, 0x00}), (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0x80}));
    EXPECT_EQ(device.resolution(), 512);
}

TEST_F(Rvx63Wire, RestartLeavesCalibrationModeAndIsMuteWhileBooting) {
    SpiLink link(0);
    exchange(link, {0x50, 0x00, 0x00});
    ASSERT_TRUE(device.inCalibrationMode());

    exchange(link, {0x60});
    EXPECT_FALSE(device.inCalibrationMode());
    EXPECT_EQ(link.transfer(0x00), 0x00);
    FTDI::sleepMs(150);
    EXPECT_EQ(link.transfer(0x00), 0xA5);
}

TEST_F(Rvx63Wire, EepromReadsTheCountOfBytesAskedFor) {
    SpiLink link(0);
    EXPECT_EQ(exchange(link, {0x90, 0x7B, 0x02, 0x00, 0x00, 0x00, 0x00}),
              (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0x90, 0x07, 0xE9}));
}

TEST_F(Rvx63Wire, NewCommandDropsTheRestOfAnUnfinishedAnswer) {
    SpiLink link(0);
    exchange(link, {0x90, 0x81, 0x01, 0x00}); // busy answer only; the result is still due
    EXPECT_EQ(exchange(link, {0x70, 0x00, 0x00, 0x00}), (Bytes{0x90, 0xA5, 0x80, 0xA5}));
}

} // namespace
