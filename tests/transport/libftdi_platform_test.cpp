// The libftdi1 backend as D2XX shows it (over the fake USB bus): one listing
// record per interface with busy flags and open indices that match the
// listing; reads that wait for their count or the read time-out; the host
// receive queue; line settings and libftdi1's failures as FTDI statuses.
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

TEST_F(Libftdi, ListingHasARecordPerInterfaceAndOpensByListingPosition) {
    bus->add(0x6010, 0x0700, 2, "FT5XK2", "RVX-LINK SPI");
    bus->add(0x6001, 0x0600, 1, "SERIAL0123456789XYZ", std::string(80, 'd'));
    const auto records = list();
    ASSERT_EQ(3u, records.size());
    EXPECT_STREQ("FT5XK2B", records[1].serialNumber);
    EXPECT_STREQ("RVX-LINK SPI B", records[1].description);
    EXPECT_STREQ("SERIAL012345678", records[2].serialNumber); // cut to fit, still terminated
    EXPECT_EQ(63u, std::strlen(records[2].description));

    ASSERT_EQ(FTDI::OK, platform.open(1, handle));
    EXPECT_TRUE(bus->itf(0, 1).isOpen);
    EXPECT_FALSE(bus->itf(0, 0).isOpen);
    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.open(3, other));
    EXPECT_EQ(nullptr, other);
    bus->devices.pop_back(); // unplugged after the listing
    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.open(2, other));
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

TEST_F(Libftdi, SpiChannelsAreTheMpsseInterfacesAndShareTheBusyState) {
    bus->add(0x6001, 0x0600, 1);
    bus->add(0x6010, 0x0700, 2);
    bus->add(0x6011, 0x0800, 4); // only A and B run MPSSE
    bus->add(0x6014, 0x0900, 1);
    std::uint32_t count = 0;
    ASSERT_EQ(FTDI::OK, platform.spiGetNumChannels(count));
    ASSERT_EQ(5u, count);
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(3, handle)); // Dual A, Dual B, Quad A, Quad B, Single
    EXPECT_TRUE(bus->itf(2, 1).isOpen);
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.spiOpenChannel(3, other));
    EXPECT_EQ(FTDI::FLAG_OPENED, list()[4].flags);
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.close(handle)); // an SPI channel is not a serial port
    EXPECT_EQ(FTDI::OK, platform.spiCloseChannel(handle));
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

TEST_F(LibftdiSerial, ReadWaitsForItsCountOrTheReadTimeout) {
    platform.setTimeouts(handle, 300, 300);
    arriveAt(0ms, {1, 2, 3, 4, 5, 6});
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
}

TEST_F(LibftdiSerial, QueueStatusCountsArrivedBytesAndPurgeEmptiesIt) {
    EXPECT_EQ(0u, queued());
    arriveAt(0ms, {1, 2, 3});
    EXPECT_EQ(3u, queued());
    EXPECT_EQ((Bytes{1}), read(1));
    EXPECT_EQ(2u, queued());
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_TX));
    EXPECT_EQ(2u, queued());
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_RX | FTDI::PURGE_TX));
    EXPECT_EQ(0u, queued());
    EXPECT_EQ((Lines{"purge tx", "purge rx", "purge tx"}), itf->calls);
}

TEST_F(LibftdiSerial, LineSettingsReachTheChipAndBreakKeepsTheDataCharacteristics) {
    for (auto status : {platform.setBaudRate(handle, 115200), platform.setBreakOn(handle),
                        platform.setDataCharacteristics(handle, 7, 2, 2), platform.setBreakOn(handle),
                        platform.setBreakOff(handle), platform.setDtr(handle), platform.clrRts(handle)})
        EXPECT_EQ(FTDI::OK, status);
    EXPECT_EQ((Lines{"baud 115200", "line 8 0 0 1", "line 7 2 2 0", "line 7 2 2 1", "line 7 2 2 0", "dtr 1",
                     "rts 0"}),
              itf->calls);
}

TEST_F(LibftdiSerial, LibftdiFailuresBecomeFtdiStatuses) {
    std::uint32_t n = 5;
    std::uint8_t byte = 0;
    itf->failures = {{"baud", -1}};
    EXPECT_EQ(FTDI::INVALID_BAUD_RATE, platform.setBaudRate(handle, 2000000));
    itf->failures = {{"baud", -3}, {"read", -666}}; // the device is gone
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.setBaudRate(handle, 2000000));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.read(handle, &byte, 1, n));
    EXPECT_EQ(0u, n);
    itf->failures = {
        {"line", -1}, {"dtr", -1}, {"read", -7}, {"write", -4}}; // -7 bulk time-out, -4 unplugged
    EXPECT_EQ(FTDI::IO_ERROR, platform.setBreakOff(handle));
    EXPECT_EQ(FTDI::IO_ERROR, platform.clrDtr(handle));
    EXPECT_EQ(FTDI::IO_ERROR, platform.getQueueStatus(handle, n = 5));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(FTDI::IO_ERROR, platform.write(handle, &byte, 1, n = 5));
    EXPECT_EQ(0u, n);
    itf->failures.clear();
    ASSERT_EQ(FTDI::OK, platform.close(handle));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.write(handle, &byte, 1, n));
    itf->failures["bitmode"] = -1; // a failed bit-mode reset on open leaves nothing open
    EXPECT_EQ(FTDI::IO_ERROR, platform.open(0, handle));
    EXPECT_FALSE(itf->isOpen);
}

} // namespace
