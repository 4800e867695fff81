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
    // The bench a newcomer starts with carries one.
    ASSERT_NE(sim::Bench::fromDescription("")->find("RVX63"), nullptr);
}

TEST(Rvx63Model, ResolutionCodeIsLockedOutsideCalibrationMode) {
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    const std::map<std::string, std::string> options{{"waits", "1"}, {"rpm", "0"}};
    auto& device = bench->add("RVX63", sim::ModelOptions(options)).device<sim::Rvx63>();
    SpiLink link(0);
    EXPECT_EQ(exchange(link, {0x80, 0xFA, 0xE3, 0x00, 0x00}), (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0xEE}));
    EXPECT_EQ(device.eeprom()[0xFA], 0xE7);
    EXPECT_EQ(exchange(link, {0x50, 0x00, 0x00}), (Bytes{0xA5, 0xA5, 0x50}));
    EXPECT_EQ(exchange(link, {0x80, 0xFA, 0xE3, 0x00, 0x00}), (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0x80}));
    EXPECT_EQ(device.resolution(), 512);
}

} // namespace
