// SPI through the libftdi1 backend's MPSSE layer: the command bytes the chip
// receives for set-up, for each chip-select frame and on close, checked
// against a fake MPSSE engine.
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

namespace {

using FTDI::ChannelConfig;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr std::uint32_t CS_AROUND =
    FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE | FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;
// What the links ask for: 1 MHz, latency 10 ms, mode 0, chip select on ADBUS3 active low.
constexpr ChannelConfig PROGRAM_CONFIG{1000000, 10, 0x20, 0, 0};

struct LibftdiSpi : ::testing::Test {
    std::shared_ptr<fake::Bus> bus = std::make_shared<fake::Bus>();
    FTDI::libftdi::LibftdiPlatform platform{bus};
    FTDI::Handle handle = nullptr;
    ChannelConfig config = PROGRAM_CONFIG;

    fake::Interface& open(std::uint16_t product = 0x6014, std::uint16_t release = 0x0900) {
        std::uint32_t before = 0; // channels on the bus so far: the new device's first is next
        EXPECT_EQ(FTDI::OK, platform.spiGetNumChannels(before));
        bus->add(product, release, product == 0x6010 ? 2 : 1);
        auto& itf = bus->itf(bus->devices.size() - 1);
        fake::attachMpsseEngine(itf);
        std::uint32_t count = 0;
        EXPECT_EQ(FTDI::OK, platform.spiGetNumChannels(count));
        EXPECT_EQ(FTDI::OK, platform.spiOpenChannel(before, handle));
        itf.calls.clear(); // the listing's probe
        return itf;
    }
    std::uint8_t transfer(std::uint8_t out, std::uint32_t options = CS_AROUND) {
        std::uint8_t in = 0;
        std::uint32_t transferred = 0;
        EXPECT_EQ(FTDI::OK, platform.spiReadWrite(handle, &in, &out, 1, transferred, options));
        EXPECT_EQ(1u, transferred);
        return in;
    }
};

TEST_F(LibftdiSpi, InitSetsUpOneMegahertzModeZeroOnHighAndFullSpeedChips) {
    auto& itf = open();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Lines{"latency 10", "bitmode 0 0", "bitmode 0 2", "purge rx", "purge tx"}), itf.calls);
    EXPECT_EQ((Bytes{0xAA,               // bad command: synchronise with the engine
                     0x8A, 0x97, 0x8D,   // 60 MHz base, no adaptive or three-phase clocking
                     0x86, 0x1D, 0x00,   // divisor 29: 1 MHz
                     0x85,               // no loopback
                     0x80, 0x08, 0x0B}), // SK, DO, CS out; CS high, SK low
              itf.written);
    EXPECT_EQ(0x080B080Bu, config.pin);

    config = PROGRAM_CONFIG;
    auto& fullSpeed = open(0x6010, 0x0500); // FT2232D, 12 MHz base: no divide-by-5 commands
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Bytes{0xAA, 0x86, 0x05, 0x00, 0x85, 0x80, 0x08, 0x0B}), fullSpeed.written);
}

TEST_F(LibftdiSpi, EachByteIsItsOwnChipSelectFrameUnlessTheOptionsSayOtherwise) {
    auto& itf = open();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.written.clear();
    EXPECT_EQ(0x5A, transfer(0xA5));
    EXPECT_EQ(0xEE, transfer(0x11, FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE));
    transfer(0x22, 0);
    transfer(0x33, FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE);
    EXPECT_EQ((Bytes{0x80, 0x00, 0x0B,       // CS low
                     0x31, 0x00, 0x00, 0xA5, // one byte out on the falling edge, in on the rising
                     0x80, 0x08, 0x0B,       // CS high
                     0x87,                   // send the reply now
                     0x80, 0x00, 0x0B, 0x31, 0x00, 0x00, 0x11, 0x87,   // CS low and left low
                     0x31, 0x00, 0x00, 0x22, 0x87,                     // CS untouched
                     0x31, 0x00, 0x00, 0x33, 0x80, 0x08, 0x0B, 0x87}), // CS high only after the byte
              itf.written);
}

TEST_F(LibftdiSpi, CloseRestoresTheLinesAndReinitWithTheWrittenBackPinsRepeatsTheSetUp) {
    auto& itf = open();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    const Bytes setUp = itf.written;
    itf.written.clear();
    itf.calls.clear();
    ASSERT_EQ(FTDI::OK, platform.spiCloseChannel(handle));
    EXPECT_EQ((Bytes{0x80, 0x08, 0x0B, 0x87}), itf.written);
    EXPECT_EQ((Lines{"bitmode 0 0", "close"}), itf.calls);
    EXPECT_FALSE(itf.isOpen);
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.spiCloseChannel(handle));

    itf.written.clear();
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(0, handle));
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(setUp, itf.written);
}

TEST_F(LibftdiSpi, FailedInitsCarryTheirStatusAndASilentEngineGivesShortTransfersNotAHang) {
    auto& itf = open();
    itf.failures = {{"latency", -1}}; // latency out of range
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, &config));
    itf.failures = {{"write", -4}};
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    itf.failures.clear();
    ChannelConfig noClock{0, 10, 0x20, 0, 0};
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, &noClock));
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, nullptr));
    itf.onWrite = nullptr; // the engine does not answer the synchronisation
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(0u, config.pin) << "a failed init writes nothing back";
    std::uint8_t in = 0x77;
    std::uint32_t transferred = 9;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.spiReadWrite(handle, &in, &in, 1, transferred, CS_AROUND));

    fake::attachMpsseEngine(itf);
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.onWrite = nullptr;
    EXPECT_EQ(FTDI::OK, platform.spiReadWrite(handle, &in, &in, 1, transferred, CS_AROUND));
    EXPECT_EQ(0u, transferred);
    EXPECT_EQ(0x77, in);
}

} // namespace
