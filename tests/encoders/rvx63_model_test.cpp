// The RVX63 encoder model seen from the wire, without the driver: it is as strict
// about calibration mode as the driver tests need it to be.
#include "sim/Bench.h"
#include "sim/models/Rvx63.h"
#include "transport/SpiLink.h"

#include <gtest/gtest.h>

namespace {

using sim::Bytes;

Bytes exchange(SpiLink& link, const Bytes& out) {
    Bytes in;
    for (auto byte : out)
        in.push_back(link.transfer(byte));
    return in;
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
