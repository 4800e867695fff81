// The libftdi1 backend as a D2XX serial port: reads that wait for their count
// or the read time-out, the host receive queue, line settings, and libftdi1's
// failures turned into FTDI's status numbering.
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using FTDI::Handle;
using FTDI::libftdi::LibftdiPlatform;
using Bytes = std::vector<std::uint8_t>;

struct LibftdiSerial : ::testing::Test {
    std::shared_ptr<fake::Bus> bus = std::make_shared<fake::Bus>();
    LibftdiPlatform platform{bus};
    Handle handle = nullptr;
    fake::Interface* itf = nullptr;

    void SetUp() override {
        bus->add(0x6001, 0x0600, 1);
        std::uint32_t count = 0;
        ASSERT_EQ(FTDI::OK, platform.createDeviceInfoList(count));
        ASSERT_EQ(FTDI::OK, platform.open(0, handle));
        itf = &bus->itf(0);
        itf->calls.clear();
    }

    Bytes read(std::uint32_t count, FTDI::Status expected = FTDI::OK) {
        Bytes buffer(count);
        std::uint32_t received = 99;
        EXPECT_EQ(expected, platform.read(handle, buffer.data(), count, received));
        buffer.resize(received);
        return buffer;
    }
    std::uint32_t queued() {
        std::uint32_t waiting = 0;
        EXPECT_EQ(FTDI::OK, platform.getQueueStatus(handle, waiting));
        return waiting;
    }
    void arriveAt(std::chrono::milliseconds at, Bytes bytes) {
        itf->arrive(bytes, fake::Clock::time_point{} + at);
    }
};

TEST_F(LibftdiSerial, ReadReturnsOnceTheCountHasArrivedAndKeepsTheRestQueued) {
    platform.setTimeouts(handle, 300, 300);
    arriveAt(0ms, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ((Bytes{1, 2, 3, 4}), read(4));
    EXPECT_EQ(fake::Clock::time_point{}, bus->clock); // no waiting when the bytes are there
    EXPECT_EQ(2u, queued());
    EXPECT_EQ((Bytes{5, 6}), read(2));
    EXPECT_EQ(0u, queued());
}

TEST_F(LibftdiSerial, ReadCollectsBytesThatTrickleInBeforeTheTimeout) {
    platform.setTimeouts(handle, 300, 300);
    arriveAt(0ms, {1});
    arriveAt(120ms, {2});
    arriveAt(250ms, {3});
    EXPECT_EQ((Bytes{1, 2, 3}), read(3));
    EXPECT_EQ(fake::Clock::time_point{} + 250ms, bus->clock);
}

TEST_F(LibftdiSerial, ReadTimeoutGivesAShortReadNotAnError) {
    platform.setTimeouts(handle, 300, 300);
    arriveAt(0ms, {0x41, 0x42, 0x43});
    arriveAt(2000ms, {0x44, 0x45});
    EXPECT_EQ((Bytes{0x41, 0x42, 0x43}), read(5));
    EXPECT_GE(bus->clock, fake::Clock::time_point{} + 300ms);
    EXPECT_LT(bus->clock, fake::Clock::time_point{} + 2000ms);
    // Nothing at all within the time-out: zero bytes, still OK.
    EXPECT_TRUE(read(1).empty());
    // The late bytes are not lost.
    bus->clock = fake::Clock::time_point{} + 2000ms;
    EXPECT_EQ((Bytes{0x44, 0x45}), read(2));
}

TEST_F(LibftdiSerial, ReadTimeoutZeroWaitsForTheWholeCount) {
    platform.setTimeouts(handle, 0, 0);
    arriveAt(0ms, {7});
    arriveAt(60s, {8});
    EXPECT_EQ((Bytes{7, 8}), read(2));
}

TEST_F(LibftdiSerial, QueueStatusCountsWhatHasArrivedWithoutConsumingIt) {
    EXPECT_EQ(0u, queued());
    arriveAt(0ms, {1, 2, 3});
    EXPECT_EQ(3u, queued());
    arriveAt(0ms, {4});
    EXPECT_EQ(4u, queued());
    EXPECT_EQ((Bytes{1}), read(1));
    EXPECT_EQ(3u, queued());
}

TEST_F(LibftdiSerial, PurgeOfTheReceiveBufferEmptiesTheHostQueueToo) {
    arriveAt(0ms, {1, 2, 3});
    EXPECT_EQ(3u, queued());
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_RX | FTDI::PURGE_TX));
    EXPECT_EQ((std::vector<std::string>{"purge rx", "purge tx"}), itf->calls);
    EXPECT_EQ(0u, queued());
    itf->calls.clear();
    ASSERT_EQ(FTDI::OK, platform.purge(handle, FTDI::PURGE_TX));
    EXPECT_EQ((std::vector<std::string>{"purge tx"}), itf->calls);
}

TEST_F(LibftdiSerial, ReadAndWriteFailuresCarryAStatus) {
    itf->failures["read"] = -7; // LIBUSB_ERROR_TIMEOUT from the bulk transfer
    read(1, FTDI::IO_ERROR);
    std::uint32_t waiting = 5;
    EXPECT_EQ(FTDI::IO_ERROR, platform.getQueueStatus(handle, waiting));
    EXPECT_EQ(0u, waiting);
    itf->failures["read"] = -666; // device unavailable
    read(1, FTDI::INVALID_HANDLE);

    const Bytes out{0x55, 0x0D};
    std::uint32_t written = 0;
    EXPECT_EQ(FTDI::OK, platform.write(handle, out.data(), 2, written));
    EXPECT_EQ(2u, written);
    EXPECT_EQ(out, itf->written);
    itf->failures["write"] = -4; // LIBUSB_ERROR_NO_DEVICE: unplugged
    EXPECT_EQ(FTDI::IO_ERROR, platform.write(handle, out.data(), 2, written));
    EXPECT_EQ(0u, written);
}

TEST_F(LibftdiSerial, LineSettingsReachTheChip) {
    EXPECT_EQ(FTDI::OK, platform.setBaudRate(handle, 115200));
    EXPECT_EQ(FTDI::OK, platform.setDataCharacteristics(handle, 8, 0, 0));
    EXPECT_EQ(FTDI::OK, platform.setTimeouts(handle, 300, 250));
    EXPECT_EQ(FTDI::OK, platform.setFlowControl(handle, 0, 0, 0));
    EXPECT_EQ(FTDI::OK, platform.setFlowControl(handle, 0x0100, 0, 0));
    EXPECT_EQ(FTDI::OK, platform.setFlowControl(handle, 0x0400, 0x11, 0x13));
    EXPECT_EQ(FTDI::OK, platform.setDtr(handle));
    EXPECT_EQ(FTDI::OK, platform.clrDtr(handle));
    EXPECT_EQ(FTDI::OK, platform.setRts(handle));
    EXPECT_EQ(FTDI::OK, platform.clrRts(handle));
    EXPECT_EQ((std::vector<std::string>{"baud 115200", "line 8 0 0", "write-timeout 250", "flow 0",
                                        "flow 256", "xonxoff 17 19", "dtr 1", "dtr 0", "rts 1", "rts 0"}),
              itf->calls);
}

TEST_F(LibftdiSerial, BreakKeepsTheDataCharacteristics) {
    ASSERT_EQ(FTDI::OK, platform.setBreakOn(handle));
    ASSERT_EQ(FTDI::OK, platform.setBreakOff(handle));
    ASSERT_EQ(FTDI::OK, platform.setDataCharacteristics(handle, 7, 2, 2));
    ASSERT_EQ(FTDI::OK, platform.setBreakOn(handle));
    ASSERT_EQ(FTDI::OK, platform.setBreakOff(handle));
    EXPECT_EQ((std::vector<std::string>{"line 8 0 0 break", "line 8 0 0", "line 7 2 2", "line 7 2 2 break",
                                        "line 7 2 2"}),
              itf->calls);
}

TEST_F(LibftdiSerial, LibftdiFailuresBecomeFtdiStatuses) {
    itf->failures["baud"] = -1; // invalid baudrate
    EXPECT_EQ(FTDI::INVALID_BAUD_RATE, platform.setBaudRate(handle, 2000000));
    itf->failures["baud"] = -2; // setting baudrate failed
    EXPECT_EQ(FTDI::IO_ERROR, platform.setBaudRate(handle, 2000000));
    itf->failures["baud"] = -3; // USB device unavailable
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.setBaudRate(handle, 2000000));

    itf->failures["line"] = -1;
    EXPECT_EQ(FTDI::IO_ERROR, platform.setDataCharacteristics(handle, 8, 0, 0));
    EXPECT_EQ(FTDI::IO_ERROR, platform.setBreakOn(handle));
    EXPECT_EQ(FTDI::IO_ERROR, platform.setBreakOff(handle));
    itf->failures["dtr"] = -1;
    EXPECT_EQ(FTDI::IO_ERROR, platform.setDtr(handle));
    EXPECT_EQ(FTDI::IO_ERROR, platform.clrDtr(handle));
    itf->failures["rts"] = -2;
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.clrRts(handle));
    itf->failures["flow"] = -1;
    EXPECT_EQ(FTDI::IO_ERROR, platform.setFlowControl(handle, 0, 0, 0));
    itf->failures["purge"] = -1;
    EXPECT_EQ(FTDI::IO_ERROR, platform.purge(handle, FTDI::PURGE_RX));
}

TEST_F(LibftdiSerial, CallsOnAHandleThatIsNotAnOpenPortAreRefused) {
    int notAHandle = 0;
    std::uint32_t n = 0;
    std::uint8_t byte = 0;
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.setBaudRate(&notAHandle, 9600));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.read(&notAHandle, &byte, 1, n));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.spiReadWrite(handle, &byte, &byte, 1, n, 6));
    ASSERT_EQ(FTDI::OK, platform.close(handle));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.write(handle, &byte, 1, n));
}

TEST_F(LibftdiSerial, FailedBitModeResetOnOpenLeavesNothingOpen) {
    ASSERT_EQ(FTDI::OK, platform.close(handle));
    itf->failures["bitmode"] = -1;
    EXPECT_EQ(FTDI::IO_ERROR, platform.open(0, handle));
    EXPECT_FALSE(itf->isOpen);
    itf->failures.clear();
    EXPECT_EQ(FTDI::OK, platform.open(0, handle));
}

} // namespace
