#include "sim/Bench.h"
#include "sim/Loopback.h"
#include "support/FtdiAssert.h"
#include "support/RecordingPlatform.h"
#include "transport/UartLink.h"

#include <gtest/gtest.h>

#include <functional>

using namespace std::chrono_literals;

namespace {

using test::expectFtdiError;

struct Uart : ::testing::Test {
    std::shared_ptr<sim::Bench> bench = std::make_shared<sim::Bench>();
    std::shared_ptr<test::RecordingPlatform> recorder = std::make_shared<test::RecordingPlatform>(bench);
    test::PlatformGuard guard{recorder};
    sim::Module& echo = bench->addUart(std::make_unique<sim::Loopback>(), "echo", "RVX-LINK (simulated)");
};

TEST_F(Uart, ListingShowsEveryModuleWithItsBusyFlag) {
    auto& busy = bench->addUart(std::make_unique<sim::Loopback>(), "echo", "other program's module");
    busy.setBusy(true);
    auto list = FTDI::listDevices();
    ASSERT_EQ(2u, list.size());
    EXPECT_STREQ("RVX-LINK (simulated)", list[0].description);
    EXPECT_EQ(0u, list[0].flags & FTDI::FLAG_OPENED);
    EXPECT_EQ(1u, list[1].flags & FTDI::FLAG_OPENED);

    // Opening the busy one fails in the constructor with the module's status.
    expectFtdiError([] { UartLink link(1); }, "Unable to open FTDI device: FT_Open failed", FTDI::DEVICE_NOT_OPENED);
    // A module this program holds is listed busy too.
    UartLink held(0);
    EXPECT_EQ(1u, FTDI::listDevices()[0].flags & FTDI::FLAG_OPENED);
}

TEST(UartListing, EmptyListingDoesNotAskForTheList) {
    auto bench = std::make_shared<sim::Bench>();
    auto recorder = std::make_shared<test::RecordingPlatform>(bench);
    test::PlatformGuard guard(recorder);
    EXPECT_TRUE(FTDI::listDevices().empty());
    EXPECT_TRUE(recorder->called("createDeviceInfoList"));
    EXPECT_FALSE(recorder->called("getDeviceInfoList"));
}

TEST_F(Uart, ListingFailuresCarryTheirStatus) {
    bench->failNextListing(FTDI::IO_ERROR);
    expectFtdiError([] { FTDI::listDevices(); }, "Unable to get number of FTDI devices: FT_CreateDeviceInfoList failed",
                    FTDI::IO_ERROR);
    EXPECT_EQ(1u, FTDI::listDevices().size()); // the failure was one call only
}

TEST_F(Uart, BaudRateIsRememberedOnlyWhenSet) {
    UartLink link(0);
    EXPECT_EQ(19200u, link.baudRate());
    EXPECT_EQ(9600u, echo.line().baud) << "the constructor must not set the device's rate";
    link.setBaudRate(115200);
    EXPECT_EQ(115200u, link.baudRate());
    EXPECT_EQ(115200u, echo.line().baud);
    echo.failCalls(FTDI::INVALID_BAUD_RATE);
    expectFtdiError([&] { link.setBaudRate(2000000); }, "Unable to set baud rate on FTDI device: FT_SetBaudRate failed",
                    FTDI::INVALID_BAUD_RATE);
    EXPECT_EQ(115200u, link.baudRate());
}

TEST_F(Uart, LineSettingsReachTheDevice) {
    UartLink link(0);
    link.setDataCharacteristics(8, 0, 0);
    link.setTimeouts(300, 300);
    link.setFlowControl(0, 0, 0);
    link.setDtr(true);
    link.setRts(true);
    link.setBreak(true);
    EXPECT_TRUE(echo.line().dtr && echo.line().rts && echo.line().breakOn);
    EXPECT_EQ(300u, echo.line().readTimeoutMs);
    link.setDtr(false);
    link.setRts(false);
    link.setBreak(false);
    EXPECT_FALSE(echo.line().dtr || echo.line().rts || echo.line().breakOn);
}

TEST_F(Uart, EveryFailingCallNamesItsOperationAndStatus) {
    UartLink link(0);
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { link.setDataCharacteristics(8, 0, 0); },
         "Unable to set data characteristics on FTDI device: FT_SetDataCharacteristics failed"},
        {[&] { link.setTimeouts(300, 300); }, "Unable to set timeouts on FTDI device: FT_SetTimeouts failed"},
        {[&] { link.setFlowControl(0, 0, 0); }, "Unable to set flow control on FTDI device: FT_SetFlowControl failed"},
        {[&] { link.setDtr(true); }, "Unable to set DTR (data terminal ready) signal on FTDI device: FT_SetDtr failed"},
        {[&] { link.setDtr(false); }, "Unable to set DTR (data terminal ready) signal on FTDI device: FT_SetDtr failed"},
        {[&] { link.setRts(true); }, "Unable to set RTS (request to send) signal on FTDI device: FT_SetRts failed"},
        {[&] { link.setRts(false); }, "Unable to set RTS (request to send) signal on FTDI device: FT_SetRts failed"},
        {[&] { link.setBreak(true); }, "Unable to set break on FTDI device: FT_SetBreakOn/Ft_SetBreakOff failed"},
        {[&] { link.setBreak(false); }, "Unable to set break on FTDI device: FT_SetBreakOn/Ft_SetBreakOff failed"},
        {[&] { link.queueStatus(); }, "Unable to get queue status on FTDI device: FT_GetQueueStatus failed"},
        {[&] { link.write("A"); }, "Unable to write to FTDI device: FT_Write failed"},
        {[&] { link.read(1); }, "Unable to read from FTDI device: FT_Read failed"},
        {[&] { link.readByte(); }, "Unable to read from FTDI device: FT_Read failed"},
        {[&] { link.purge(3); }, "Unable to purge buffers on FTDI device: FT_Purge failed"},
    };
    link.write(std::string(32, '.')); // something for the reads to find once the fault has passed
    for (const auto& [call, message] : cases) {
        echo.failCalls(FTDI::IO_ERROR);
        expectFtdiError(call, message, FTDI::IO_ERROR);
        call(); // the link stays usable after a failed call
    }
}

TEST_F(Uart, ShortReadsReturnWhatArrived) {
    UartLink link(0);
    link.setBaudRate(115200);
    link.setTimeouts(300, 300);
    link.write("abc");
    EXPECT_EQ(3u, link.queueStatus());
    const auto before = bench->now();
    auto bytes = link.read(5);
    EXPECT_EQ((std::vector<std::uint8_t>{'a', 'b', 'c'}), bytes);
    EXPECT_GE(bench->now() - before, 300ms) << "a short read waits out the read time-out";
    expectFtdiError([&] { link.readByte(); }, "Failed to read byte from FTDI device", 0);
}

TEST_F(Uart, UnpluggedModuleFailsEveryLaterCall) {
    UartLink link(0);
    echo.unplug();
    expectFtdiError([&] { link.setBaudRate(115200); },
                    "Unable to set baud rate on FTDI device: FT_SetBaudRate failed", FTDI::IO_ERROR);
    expectFtdiError([&] { link.write("x"); }, "Unable to write to FTDI device: FT_Write failed", FTDI::IO_ERROR);
    EXPECT_TRUE(FTDI::listDevices().empty());
}

TEST_F(Uart, FailedConstructionClosesNothingAndDestructorClosesOnce) {
    echo.setBusy(true);
    EXPECT_THROW(UartLink link(0), FTDI::Exception);
    EXPECT_THROW(UartLink link(7), FTDI::Exception);
    EXPECT_FALSE(recorder->called("close"));
    echo.setBusy(false);
    { UartLink link(0); }
    EXPECT_EQ(1, std::count(recorder->calls.begin(), recorder->calls.end(), "close"));
    EXPECT_FALSE(echo.isOpen());
}

} // namespace
