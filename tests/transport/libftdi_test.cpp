// The libftdi1 backend over the fake USB bus. As D2XX shows it: one listing
// record per interface with busy flags and open indices that match the
// listing; reads that wait for their count or the read time-out; the host
// receive queue; line settings and libftdi1's failures as FTDI statuses.
// SPI through its MPSSE layer: the command bytes the chip receives for
// set-up, for each chip-select frame and on close.
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace std::chrono_literals;
using FTDI::DeviceInfo;
using FTDI::Handle;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
constexpr fake::Clock::time_point T0{};

struct Libftdi : ::testing::Test {
    std::shared_ptr<fake::Bus> bus = std::make_shared<fake::Bus>();
    FTDI::libftdi::LibftdiPlatform platform{bus};
    Handle handle = nullptr;
    Handle other = nullptr;

    std::vector<DeviceInfo> list() {
        std::uint32_t count = 0;
        EXPECT_EQ(FTDI::OK, platform.createDeviceInfoList(count));
        std::vector<DeviceInfo> records(count);
        if (count) {
            EXPECT_EQ(FTDI::OK, platform.getDeviceInfoList(records.data(), count));
        }
        return records;
    }
};

TEST_F(Libftdi, ListingHasARecordPerInterfaceAndSpiChannelsAreItsMpsseOnesSharingTheBusyState) {
    bus->add(0x6010, 0x0700, 2, "FT5XK2", "RVX-LINK SPI");
    bus->add(0x6001, 0x0600, 1, "SERIAL0123456789XYZ", std::string(80, 'd'));
    bus->add(0x6011, 0x0800, 4); // only A and B run MPSSE
    const auto records = list();
    ASSERT_EQ(7u, records.size());
    EXPECT_STREQ("FT5XK2B", records[1].serialNumber);
    EXPECT_STREQ("RVX-LINK SPI B", records[1].description);
    EXPECT_STREQ("SERIAL012345678", records[2].serialNumber); // cut to fit, still terminated
    EXPECT_EQ(63u, std::strlen(records[2].description));

    ASSERT_EQ(FTDI::OK, platform.open(1, handle));
    EXPECT_TRUE(bus->itf(0, 1).isOpen);
    std::uint32_t count = 0;
    ASSERT_EQ(FTDI::OK, platform.spiGetNumChannels(count));
    ASSERT_EQ(4u, count); // Dual A, Dual B, Quad A, Quad B
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.spiOpenChannel(1, other)) << "busy for SPI too";
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(3, other));
    EXPECT_TRUE(bus->itf(2, 1).isOpen);
    EXPECT_EQ(FTDI::FLAG_OPENED, list()[4].flags) << "busy in the serial listing too";

    Handle none = nullptr;
    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.open(7, none));
    EXPECT_EQ(nullptr, none);
    bus->devices.pop_back(); // unplugged after the listing
    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.open(6, none));
}

TEST_F(Libftdi, InterfaceHeldAnywhereIsListedBusyAndFailsToOpen) {
    bus->add(0x6010, 0x0700, 2);
    bus->add(0x6001, 0x0600, 1);
    bus->add(0x6001, 0x0600, 1);
    bus->itf(0, 1).heldByOther = true;
    bus->itf(1).openError = -4;      // no access rights: unable to open device
    bus->itf(2).kernelDriver = true; // ftdi_sio holds it: listed free, opening takes it
    list();
    ASSERT_EQ(FTDI::OK, platform.open(0, handle));
    auto records = list();
    EXPECT_EQ(handle, records[0].handle);
    EXPECT_TRUE(bus->itf(2).kernelDriver) << "listing leaves ftdi_sio alone";
    for (std::uint32_t index : {0, 1, 2, 3}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(index < 3 ? FTDI::FLAG_OPENED : 0u, records[index].flags);
        EXPECT_EQ(index < 3 ? FTDI::DEVICE_NOT_OPENED : FTDI::OK, platform.open(index, other));
    }
    EXPECT_FALSE(bus->itf(2).kernelDriver);
    EXPECT_EQ(FTDI::OK, platform.close(handle));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.close(handle));
    EXPECT_EQ(0u, list()[0].flags);
}

struct LibftdiSerial : Libftdi {
    fake::Interface* itf = nullptr;

    void SetUp() override {
        bus->add(0x6001, 0x0600, 1);
        list();
        ASSERT_EQ(FTDI::OK, platform.open(0, handle));
        itf = &bus->itf(0);
        EXPECT_EQ((Lines{"close", "bitmode 0 0"}), itf->calls)
            << "the listing's probe, then out of any bit mode";
        itf->calls.clear();
    }
    Bytes read(std::uint32_t count) {
        Bytes buffer(count);
        std::uint32_t received = 99;
        EXPECT_EQ(FTDI::OK, platform.read(handle, buffer.data(), count, received));
        buffer.resize(received);
        return buffer;
    }
    std::uint32_t queued() {
        std::uint32_t waiting = 0;
        EXPECT_EQ(FTDI::OK, platform.getQueueStatus(handle, waiting));
        return waiting;
    }
    void arriveAt(std::chrono::milliseconds at, Bytes bytes) { itf->arrive(bytes, T0 + at); }
};

TEST_F(LibftdiSerial, ReadWaitsForItsCountOrTheReadTimeoutAndPurgeEmptiesTheQueue) {
    platform.setTimeouts(handle, 300, 300);
    arriveAt(0ms, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(6u, queued());
    arriveAt(120ms, {7});
    arriveAt(250ms, {8});
    arriveAt(400ms, {9});
    arriveAt(5000ms, {10});
    EXPECT_EQ((Bytes{1, 2, 3, 4}), read(4));
    EXPECT_EQ(T0, bus->clock) << "no waiting when the bytes are there";
    EXPECT_EQ((Bytes{5, 6, 7, 8}), read(4)); // bytes that trickle in are collected
    EXPECT_EQ(T0 + 250ms, bus->clock);
    EXPECT_EQ((Bytes{9}), read(2)); // the time-out gives a short read, not an error
    EXPECT_GE(bus->clock, T0 + 550ms);
    EXPECT_LT(bus->clock, T0 + 5000ms);
    EXPECT_TRUE(read(1).empty());
    bus->clock = T0 + 5000ms;
    EXPECT_EQ((Bytes{10}), read(1)) << "late bytes are not lost";

    platform.setTimeouts(handle, 0, 0); // 0 waits for the whole count
    arriveAt(5000ms, {11});
    arriveAt(60s, {12});
    EXPECT_EQ((Bytes{11, 12}), read(2));

    arriveAt(0ms, {1, 2, 3});
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_TX));
    EXPECT_EQ(3u, queued());
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_RX | FTDI::PURGE_TX));
    EXPECT_EQ(0u, queued());
    EXPECT_EQ((Lines{"purge tx", "purge rx", "purge tx"}), itf->calls);
}

TEST_F(LibftdiSerial, LineSettingsReachTheChipAndLibftdiFailuresBecomeFtdiStatuses) {
    // Break keeps the data characteristics.
    for (auto status : {platform.setBaudRate(handle, 115200), platform.setBreakOn(handle),
                        platform.setDataCharacteristics(handle, 7, 2, 2), platform.setBreakOn(handle),
                        platform.setBreakOff(handle), platform.setDtr(handle), platform.clrRts(handle)})
        EXPECT_EQ(FTDI::OK, status);
    EXPECT_EQ((Lines{"baud 115200", "line 8 0 0 1", "line 7 2 2 0", "line 7 2 2 1", "line 7 2 2 0", "dtr 1",
                     "rts 0"}),
              itf->calls);

    std::uint32_t n = 5;
    std::uint8_t byte = 0;
    itf->failures = {{"baud", -1}, {"read", -666}};
    EXPECT_EQ(FTDI::INVALID_BAUD_RATE, platform.setBaudRate(handle, 2000000));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.read(handle, &byte, 1, n)) << "the device is gone";
    EXPECT_EQ(0u, n);
    itf->failures = {{"line", -1}, {"read", -7}, {"write", -4}}; // -7 bulk time-out, -4 unplugged
    EXPECT_EQ(FTDI::IO_ERROR, platform.setBreakOff(handle));
    EXPECT_EQ(FTDI::IO_ERROR, platform.getQueueStatus(handle, n = 5));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(FTDI::IO_ERROR, platform.write(handle, &byte, 1, n = 5));
    EXPECT_EQ(0u, n);
    itf->failures.clear();
    ASSERT_EQ(FTDI::OK, platform.close(handle));
    itf->failures["bitmode"] = -1; // a failed bit-mode reset on open leaves nothing open
    EXPECT_EQ(FTDI::IO_ERROR, platform.open(0, handle));
    EXPECT_FALSE(itf->isOpen);
}

constexpr std::uint32_t CS_AROUND =
    FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE | FTDI::SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;

struct LibftdiSpi : Libftdi {
    // What the links ask for: 1 MHz, latency 10 ms, mode 0, chip select on ADBUS3 active low.
    FTDI::ChannelConfig config{1000000, 10, 0x20, 0, 0};

    fake::Interface& open(std::uint16_t product = 0x6014, std::uint16_t release = 0x0900) {
        bus->add(product, release, product == 0x6010 ? 2 : 1);
        auto& itf = bus->itf(0);
        itf.mpsse = true;
        std::uint32_t count = 0;
        EXPECT_EQ(FTDI::OK, platform.spiGetNumChannels(count));
        EXPECT_EQ(FTDI::OK, platform.spiOpenChannel(0, handle));
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

TEST_F(LibftdiSpi, SessionSetsUpOneMegahertzModeZeroFramesEachByteAndRestoresTheLines) {
    auto& itf = open();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Lines{"latency 10", "bitmode 0 0", "bitmode 0 2", "purge rx", "purge tx"}), itf.calls);
    const Bytes setUp{0xAA,              // bad command: synchronise with the engine
                      0x8A, 0x97, 0x8D,  // 60 MHz base, no adaptive or three-phase clocking
                      0x86, 0x1D, 0x00,  // divisor 29: 1 MHz
                      0x85,              // no loopback
                      0x80, 0x08, 0x0B}; // SK, DO, CS out; CS high, SK low
    EXPECT_EQ(setUp, itf.written);
    EXPECT_EQ(0x080B080Bu, config.pin);

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

    itf.written.clear();
    itf.calls.clear();
    ASSERT_EQ(FTDI::OK, platform.spiCloseChannel(handle));
    EXPECT_EQ((Bytes{0x80, 0x08, 0x0B, 0x87}), itf.written);
    EXPECT_EQ((Lines{"bitmode 0 0", "close"}), itf.calls);
    EXPECT_FALSE(itf.isOpen);
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.spiCloseChannel(handle));

    itf.written.clear(); // a second init with the written-back pin field repeats the set-up
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(0, handle));
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(setUp, itf.written);
}

TEST_F(LibftdiSpi, FullSpeedChipGetsNoDivideByFiveCommands) {
    auto& itf = open(0x6010, 0x0500); // FT2232D, 12 MHz base
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Bytes{0xAA, 0x86, 0x05, 0x00, 0x85, 0x80, 0x08, 0x0B}), itf.written);
}

TEST_F(LibftdiSpi, FailedInitsCarryTheirStatusAndASilentEngineGivesShortTransfersNotAHang) {
    auto& itf = open();
    itf.failures = {{"write", -4}}; // unplugged
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    itf.failures.clear();
    itf.mpsse = false; // the engine does not answer the synchronisation
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(0u, config.pin) << "a failed init writes nothing back";
    std::uint8_t in = 0x77;
    std::uint32_t transferred = 9;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.spiReadWrite(handle, &in, &in, 1, transferred, CS_AROUND));

    itf.mpsse = true;
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.mpsse = false;
    EXPECT_EQ(FTDI::OK, platform.spiReadWrite(handle, &in, &in, 1, transferred, CS_AROUND));
    EXPECT_EQ(0u, transferred);
    EXPECT_EQ(0x77, in);
}

} // namespace
