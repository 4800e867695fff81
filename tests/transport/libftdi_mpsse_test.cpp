// SPI through the libftdi1 backend's MPSSE layer: the command bytes the chip
// receives for set-up, for each chip-select frame and on close, checked
// against a fake MPSSE engine.
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

namespace {

using FTDI::ChannelConfig;
using FTDI::Handle;
using FTDI::libftdi::LibftdiPlatform;
using FTDI::libftdi::mpsse::clockDivisor;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr std::uint32_t CS_AROUND =
    FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE | FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;

// 1 MHz, latency 10 ms, mode 0, chip select on ADBUS3 active low, no other pins.
ChannelConfig programConfig() {
    return ChannelConfig{1000000, 10, 0x20, 0, 0};
}

struct LibftdiSpi : ::testing::Test {
    fake::MpsseEngine engine; // outlives the platform, which may still talk to it on closing
    std::shared_ptr<fake::Bus> bus = std::make_shared<fake::Bus>();
    LibftdiPlatform platform{bus};
    Handle handle = nullptr;

    fake::Interface& openChannel(std::uint16_t product = 0x6014, std::uint16_t release = 0x0900) {
        bus->add(product, release, product == 0x6010 ? 2 : 1);
        auto& itf = bus->itf(0);
        engine.attach(itf);
        std::uint32_t count = 0;
        EXPECT_EQ(FTDI::OK, platform.spiGetNumChannels(count));
        EXPECT_EQ(FTDI::OK, platform.spiOpenChannel(0, handle));
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

TEST(LibftdiMpsseClock, DivisorNeverClocksFasterThanAsked) {
    EXPECT_EQ(29, clockDivisor(60000000, 1000000)); // H chips, divide-by-5 off
    EXPECT_EQ(5, clockDivisor(12000000, 1000000));  // FT2232D
    EXPECT_EQ(4, clockDivisor(60000000, 7000000));  // 6 MHz: the next speed down
    EXPECT_EQ(0, clockDivisor(60000000, 30000000));
    EXPECT_EQ(0, clockDivisor(60000000, 50000000));
    EXPECT_EQ(0xFFFF, clockDivisor(60000000, 100));
}

TEST_F(LibftdiSpi, InitSetsUpAHighSpeedChipForOneMegahertzModeZero) {
    auto& itf = openChannel();
    itf.calls.clear();
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Lines{"latency 10", "bitmode 0 0", "bitmode 0 2", "purge rx", "purge tx"}), itf.calls);
    EXPECT_EQ((Bytes{0xAA,               // bad command: synchronise with the engine
                     0x8A, 0x97, 0x8D,   // 60 MHz base, no adaptive or three-phase clocking
                     0x86, 0x1D, 0x00,   // divisor 29: 1 MHz
                     0x85,               // no loopback
                     0x80, 0x08, 0x0B}), // SK, DO, CS out; CS high, SK low
              itf.written);
    EXPECT_EQ(0x080B080Bu, config.pin);
    EXPECT_EQ(29, engine.divisor);
}

TEST_F(LibftdiSpi, SecondInitWithTheWrittenBackRecordGivesTheSameLines) {
    auto& itf = openChannel();
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    const auto first = itf.written;
    const auto pin = config.pin;
    ASSERT_EQ(FTDI::OK, platform.spiCloseChannel(handle));

    itf.written.clear();
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(0, handle));
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(first, itf.written);
    EXPECT_EQ(pin, config.pin);
}

TEST_F(LibftdiSpi, FullSpeedChipHasNoDivideByFiveCommands) {
    auto& itf = openChannel(0x6010, 0x0500); // FT2232D, 12 MHz base
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Bytes{0xAA, 0x86, 0x05, 0x00, 0x85, 0x80, 0x08, 0x0B}), itf.written);
}

TEST_F(LibftdiSpi, EachByteIsItsOwnChipSelectFrame) {
    auto& itf = openChannel();
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.written.clear();
    engine.wire.clear();

    EXPECT_EQ(0x5A, transfer(0xA5));
    EXPECT_EQ((Bytes{0x80, 0x00, 0x0B,       // CS low
                     0x31, 0x00, 0x00, 0xA5, // one byte out on the falling edge, in on the rising
                     0x80, 0x08, 0x0B,       // CS high
                     0x87}),                 // send the reply now
              itf.written);
    EXPECT_EQ(0xFF, transfer(0x00));
    EXPECT_EQ(0xEE, transfer(0x11));
    EXPECT_EQ((Lines{"cs 0", "byte A5", "cs 1", "cs 0", "byte 00", "cs 1", "cs 0", "byte 11", "cs 1"}),
              engine.wire);
}

TEST_F(LibftdiSpi, ChipSelectFollowsTheTransferOptions) {
    openChannel();
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    engine.wire.clear();
    transfer(0x01, FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE);
    transfer(0x02, 0);
    transfer(0x03, FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE);
    EXPECT_EQ((Lines{"cs 0", "byte 01", "byte 02", "byte 03", "cs 1"}), engine.wire);
}

TEST_F(LibftdiSpi, OtherPinsModesAndChipSelectLinesAreHonoured) {
    auto& itf = openChannel();
    // ADBUS5 an output driven high from the start and left low on close; chip
    // select on ADBUS4, active high; mode 2 (clock idles high).
    ChannelConfig config{1000000, 10, 0x06, 0x20 | 0x20 << 8 | 0x20 << 16, 0};
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    const Bytes setup(itf.written.end() - 3, itf.written.end());
    EXPECT_EQ((Bytes{0x80, 0x21, 0x33}), setup);
    EXPECT_EQ(0x01332133u, config.pin);
    itf.written.clear();
    transfer(0x42);
    EXPECT_EQ((Bytes{0x80, 0x31, 0x33, 0x34, 0x00, 0x00, 0x42, 0x80, 0x21, 0x33, 0x87}), itf.written);
}

TEST_F(LibftdiSpi, CloseLeavesTheLinesAsConfiguredAndLeavesMpsse) {
    auto& itf = openChannel();
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.written.clear();
    itf.calls.clear();
    ASSERT_EQ(FTDI::OK, platform.spiCloseChannel(handle));
    EXPECT_EQ((Bytes{0x80, 0x08, 0x0B, 0x87}), itf.written);
    EXPECT_EQ((Lines{"bitmode 0 0", "close"}), itf.calls);
    EXPECT_FALSE(itf.isOpen);
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.spiCloseChannel(handle));
}

TEST_F(LibftdiSpi, SilentDeviceGivesAShortTransferNotAHang) {
    auto& itf = openChannel();
    auto config = programConfig();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.onWrite = nullptr; // the engine stops answering
    std::uint8_t in = 0x77;
    const std::uint8_t out = 0x10;
    std::uint32_t transferred = 9;
    EXPECT_EQ(FTDI::OK, platform.spiReadWrite(handle, &in, &out, 1, transferred, CS_AROUND));
    EXPECT_EQ(0u, transferred);
    EXPECT_EQ(0x77, in);
}

TEST_F(LibftdiSpi, InitFailsWhenTheEngineDoesNotAnswer) {
    auto& itf = openChannel();
    itf.onWrite = nullptr;
    auto config = programConfig();
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(0u, config.pin); // a failed init writes nothing back
    std::uint8_t byte = 0;
    std::uint32_t transferred = 0;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED,
              platform.spiReadWrite(handle, &byte, &byte, 1, transferred, CS_AROUND));
}

TEST_F(LibftdiSpi, InitFailuresCarryTheirStatus) {
    auto& itf = openChannel();
    auto config = programConfig();
    itf.failures["latency"] = -1; // latency out of range
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, &config));
    itf.failures = {{"bitmode", -1}};
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    itf.failures = {{"write", -4}};
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    itf.failures.clear();
    ChannelConfig noClock{0, 10, 0x20, 0, 0};
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, &noClock));
    ChannelConfig noSuchChipSelect{1000000, 10, 0x20 | 5 << 2, 0, 0};
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, &noSuchChipSelect));
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.spiInitChannel(handle, nullptr));
    EXPECT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
}

} // namespace
