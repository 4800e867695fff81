// The libftdi1 backend over the fake USB bus. As D2XX shows it: one listing
// record per interface with busy flags and open indices that match the
// listing, found without opening anything; a receive queue that a reader
// thread fills, so that queue checks and reads cost no USB transfer of their
// own and a read returns once its count is in or its time-out has passed;
// line settings and libftdi1's failures as FTDI statuses. SPI through its
// MPSSE layer: the command bytes the chip receives for set-up, for each
// chip-select frame and on close, pieces the chip can hold, and answers
// that are never those of another transfer.
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

using namespace std::chrono_literals;
using FTDI::DeviceInfo;
using FTDI::Handle;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

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

TEST_F(Libftdi, ListingLooksWithoutOpeningAndNothingIsTakenFromAProgramUsingIt) {
    bus->add(0x6010, 0x0700, 2); // A free; B claimed by another libusb program
    bus->add(0x6001, 0x0600, 1); // no udev rule for our user
    bus->add(0x6001, 0x0600, 1); // ftdi_sio, its tty open in a terminal program
    bus->add(0x6001, 0x0600, 1); // ftdi_sio, its tty closed
    bus->itf(0, 1).heldByOther = true;
    bus->itf(1).noAccess = true;
    bus->itf(2).kernelDriver = bus->itf(2).ttyOpen = true;
    bus->itf(3).kernelDriver = true;
    const auto records = list();
    ASSERT_EQ(5u, records.size());
    const std::uint32_t busy = FTDI::FLAG_OPENED;
    EXPECT_EQ((std::vector<std::uint32_t>{0, busy, 0, busy, 0}),
              (std::vector<std::uint32_t>{records[0].flags, records[1].flags, records[2].flags,
                                          records[3].flags, records[4].flags}));
    EXPECT_STREQ("No access to this FTDI device: install the udev rule (README)", records[2].description);
    for (std::size_t device = 0; device < 4; ++device) {
        SCOPED_TRACE(device);
        EXPECT_EQ(0, bus->itf(device).opens) << "listing opens (and so resets) nothing";
        EXPECT_TRUE(bus->itf(device).calls.empty());
    }

    const FTDI::Status opened[] = {FTDI::OK, FTDI::DEVICE_NOT_OPENED, FTDI::DEVICE_NOT_OPENED,
                                   FTDI::DEVICE_NOT_OPENED, FTDI::OK};
    for (std::uint32_t index = 0; index < 5; ++index)
        EXPECT_EQ(opened[index], platform.open(index, index ? other : handle)) << index;
    EXPECT_TRUE(bus->itf(2).kernelDriver) << "the terminal keeps its port";
    EXPECT_EQ(0, bus->itf(2).opens);
    EXPECT_FALSE(bus->itf(3).kernelDriver) << "an idle port is taken from ftdi_sio";
    EXPECT_EQ(FTDI::OK, platform.close(handle));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.close(handle));
}

struct LibftdiSerial : Libftdi {
    fake::Interface* itf = nullptr;

    void SetUp() override {
        bus->add(0x6001, 0x0600, 1);
        list();
        ASSERT_EQ(FTDI::OK, platform.open(0, handle));
        itf = &bus->itf(0);
        EXPECT_EQ((Lines{"bitmode 0 0"}), itf->get(&fake::Interface::calls)) << "out of any bit mode";
        itf->set(&fake::Interface::calls, {});
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
    std::uint32_t awaitQueued(std::uint32_t count) {
        std::uint32_t waiting = 0;
        EXPECT_EQ(FTDI::OK, platform.waitForQueue(handle, count, FTDI::Clock::now() + 10s, waiting));
        return waiting;
    }
};

TEST_F(LibftdiSerial, ReadsTakeQueuedBytesWithoutAUsbTransferAndReturnOnceTheirCountIsIn) {
    // A 17-byte reply in one packet, read a byte at a time: one USB read
    // brought it, and none was made on the caller's thread.
    Bytes reply(17);
    std::iota(reply.begin(), reply.end(), 1);
    itf->arrive(reply);
    EXPECT_EQ(17u, awaitQueued(17));
    EXPECT_EQ(17u, queued());
    for (std::uint8_t byte = 1; byte <= 17; ++byte)
        EXPECT_EQ(Bytes{byte}, read(1));
    EXPECT_EQ(1u, itf->get(&fake::Interface::dataReads));
    EXPECT_FALSE(itf->get(&fake::Interface::readers).contains(std::this_thread::get_id()));

    platform.setTimeouts(handle, 0, 0); // 0 waits for the whole count
    itf->arrive({7}, 3);
    itf->arrive({8}, 6);
    EXPECT_EQ((Bytes{7, 8}), read(2));
    platform.setTimeouts(handle, 30, 30);
    itf->arrive({9});
    EXPECT_EQ((Bytes{9}), read(2)) << "the time-out gives a short read, not an error";
    itf->arrive({10});
    EXPECT_EQ((Bytes{10}), read(1)) << "late bytes are not lost";

    itf->arrive({1, 2, 3});
    EXPECT_EQ(3u, awaitQueued(3));
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_TX));
    EXPECT_EQ(3u, queued());
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_RX | FTDI::PURGE_TX));
    EXPECT_EQ(0u, queued());
    EXPECT_EQ((Lines{"purge tx", "purge rx", "purge tx"}), itf->get(&fake::Interface::calls));
}

TEST_F(LibftdiSerial, LineSettingsReachTheChipAndLibftdiFailuresBecomeFtdiStatuses) {
    // Break keeps the data characteristics.
    for (auto status : {platform.setBaudRate(handle, 115200), platform.setBreakOn(handle),
                        platform.setDataCharacteristics(handle, 7, 2, 2), platform.setBreakOn(handle),
                        platform.setBreakOff(handle), platform.setDtr(handle), platform.clrRts(handle),
                        platform.setLatencyTimer(handle, 1)})
        EXPECT_EQ(FTDI::OK, status);
    EXPECT_EQ((Lines{"baud 115200", "line 8 0 0 1", "line 7 2 2 0", "line 7 2 2 1", "line 7 2 2 0", "dtr 1",
                     "rts 0", "latency 1"}),
              itf->get(&fake::Interface::calls));
    std::uint8_t latency = 0;
    EXPECT_EQ(FTDI::OK, platform.getLatencyTimer(handle, latency));
    EXPECT_EQ(1, latency);
    EXPECT_EQ(FTDI::INVALID_PARAMETER, platform.setLatencyTimer(handle, 0));

    std::uint32_t n = 5;
    std::uint8_t byte = 0;
    itf->fail({{"baud", -1}, {"line", -1}, {"write", -4}}); // -4: unplugged
    EXPECT_EQ(FTDI::INVALID_BAUD_RATE, platform.setBaudRate(handle, 2000000));
    EXPECT_EQ(FTDI::IO_ERROR, platform.setBreakOff(handle));
    EXPECT_EQ(FTDI::IO_ERROR, platform.write(handle, &byte, 1, n = 5));
    EXPECT_EQ(0u, n);
    itf->fail({{"read", -666}}); // the device is gone: a read waiting for its byte hears of it
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.read(handle, &byte, 1, n = 5));
    EXPECT_EQ(0u, n);
    itf->fail({});
    ASSERT_EQ(FTDI::OK, platform.close(handle));
    itf->fail({{"bitmode", -1}}); // a failed bit-mode reset on open leaves nothing open
    EXPECT_EQ(FTDI::IO_ERROR, platform.open(0, handle));
    EXPECT_FALSE(itf->get(&fake::Interface::isOpen));
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
        EXPECT_EQ(1u, count);
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
    static void clear(fake::Interface& itf) {
        itf.set(&fake::Interface::written, {});
        itf.set(&fake::Interface::calls, {});
    }
};

TEST_F(LibftdiSpi, SessionSetsUpOneMegahertzModeZeroFramesEachByteAndRestoresTheLines) {
    auto& itf = open();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Lines{"latency 10", "bitmode 0 0", "bitmode 0 2", "purge rx", "purge tx"}),
              itf.get(&fake::Interface::calls));
    const Bytes setUp{0xAA,              // bad command: synchronise with the engine
                      0x8A, 0x97, 0x8D,  // 60 MHz base, no adaptive or three-phase clocking
                      0x86, 0x1D, 0x00,  // divisor 29: 1 MHz
                      0x85,              // no loopback
                      0x80, 0x08, 0x0B}; // SK, DO, CS out; CS high, SK low
    EXPECT_EQ(setUp, itf.get(&fake::Interface::written));
    EXPECT_EQ(0x080B080Bu, config.pin);

    clear(itf);
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
              itf.get(&fake::Interface::written));

    clear(itf);
    ASSERT_EQ(FTDI::OK, platform.spiCloseChannel(handle));
    EXPECT_EQ((Bytes{0x80, 0x08, 0x0B, 0x87}), itf.get(&fake::Interface::written));
    EXPECT_EQ((Lines{"bitmode 0 0", "close"}), itf.get(&fake::Interface::calls));
    EXPECT_FALSE(itf.get(&fake::Interface::isOpen));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.spiCloseChannel(handle));

    clear(itf); // a second init with the written-back pin field repeats the set-up
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(0, handle));
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(setUp, itf.get(&fake::Interface::written));
}

TEST_F(LibftdiSpi, AFullSpeedDualChipOffersOnlyChannelAAndClocksLongTransfersInPiecesItCanHold) {
    auto& itf = open(0x6010, 0x0500); // FT2232D: MPSSE on A only, 12 MHz base, 128 bytes for the host
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    EXPECT_EQ((Bytes{0xAA, 0x86, 0x05, 0x00, 0x85, 0x80, 0x08, 0x0B}), itf.get(&fake::Interface::written));

    clear(itf);
    const Bytes out(300, 0x11);
    Bytes in(300);
    std::uint32_t transferred = 0;
    ASSERT_EQ(FTDI::OK, platform.spiReadWrite(handle, in.data(), out.data(), 300, transferred, CS_AROUND));
    EXPECT_EQ(300u, transferred);
    EXPECT_EQ(Bytes(300, 0xEE), in);
    EXPECT_LE(itf.get(&fake::Interface::mostUnread), 128u) << "each piece read before the next is clocked";
    const auto written = itf.get(&fake::Interface::written);
    EXPECT_EQ(3, std::count(written.begin(), written.end(), 0x87)) << "three pieces";
    EXPECT_EQ(2, std::count(written.begin(), written.end(), 0x80)) << "one chip-select frame";
}

TEST_F(LibftdiSpi, AStrayOrLateReplyIsNeverTakenForTheNextTransfersAnswer) {
    auto& itf = open();
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.arrive({0x99});
    itf.awaitReads(2); // the stray byte is in the host's queue
    EXPECT_EQ(0x5A, transfer(0xA5));

    itf.set(&fake::Interface::holdAnswers, true); // the engine answers only after the transfer has given up
    std::uint8_t in = 0, out = 0x42;
    std::uint32_t transferred = 9;
    EXPECT_EQ(FTDI::OK, platform.spiReadWrite(handle, &in, &out, 1, transferred, CS_AROUND));
    EXPECT_EQ(0u, transferred);
    itf.set(&fake::Interface::holdAnswers, false);
    EXPECT_EQ(0xEE, transfer(0x11)) << "not the late answer to 0x42";
    EXPECT_EQ(0x5A, transfer(0xA5));
}

TEST_F(LibftdiSpi, FailedInitsCarryTheirStatusAndASilentEngineGivesShortTransfersNotAHang) {
    auto& itf = open();
    itf.fail({{"write", -4}}); // unplugged
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    itf.fail({});
    itf.set(&fake::Interface::mpsse, false); // the engine does not answer the synchronisation
    EXPECT_EQ(FTDI::IO_ERROR, platform.spiInitChannel(handle, &config));
    EXPECT_EQ(0u, config.pin) << "a failed init writes nothing back";
    std::uint8_t in = 0x77;
    std::uint32_t transferred = 9;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.spiReadWrite(handle, &in, &in, 1, transferred, CS_AROUND));

    itf.set(&fake::Interface::mpsse, true);
    ASSERT_EQ(FTDI::OK, platform.spiInitChannel(handle, &config));
    itf.set(&fake::Interface::mpsse, false);
    EXPECT_EQ(FTDI::OK, platform.spiReadWrite(handle, &in, &in, 1, transferred, CS_AROUND));
    EXPECT_EQ(0u, transferred);
    EXPECT_EQ(0x77, in);
}

} // namespace
