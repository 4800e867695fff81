// UartLink and SpiLink against the simulated bench: the statuses and exact
// messages a user sees, and which platform calls a link makes (or must not).
#include "sim/Bench.h"
#include "sim/Loopback.h"
#include "support/RecordingPlatform.h"
#include "transport/FtdiException.h"
#include "transport/SpiLink.h"
#include "transport/UartLink.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <tuple>

namespace {

// The call fails with this programming-module message and status.
template <class F> void expectFtdiError(F&& call, const std::string& message, FTDI::Status status) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const FTDI::Exception& e) {
        EXPECT_EQ(message, e.what());
        EXPECT_EQ(status, e.status());
    }
}

struct Links : ::testing::Test {
    std::shared_ptr<sim::Bench> bench = std::make_shared<sim::Bench>();
    std::shared_ptr<test::RecordingPlatform> recorder = std::make_shared<test::RecordingPlatform>(bench);
    test::PlatformGuard guard{recorder};
    sim::Module& spi =
        bench->addSpi(std::make_unique<sim::SpiLoopback>(), "spi-echo", "RVX-LINK SPI (simulated)");
    sim::Module& echo = bench->addUart(std::make_unique<sim::Loopback>(), "echo", "RVX-LINK (simulated)");
};

// (The busy module's message in full is the window's start-up test.)
TEST_F(Links, AUartLinkThatCannotOpenClosesNothingAndAFailedListingIsNamed) {
    bench->addUart(std::make_unique<sim::Loopback>(), "echo", "other program's module").setBusy(true);
    expectFtdiError([] { UartLink link(1); }, "Unable to open FTDI device: FT_Open failed",
                    FTDI::DEVICE_NOT_OPENED);
    EXPECT_FALSE(recorder->called("close")) << "a link that never opened closes nothing";

    bench->failNextListing(FTDI::IO_ERROR);
    expectFtdiError([] { FTDI::listDevices(); },
                    "Unable to get number of FTDI devices: FT_CreateDeviceInfoList failed", FTDI::IO_ERROR);
}

TEST_F(Links, UartSessionSetsTheLineAndClosesOnce) {
    {
        UartLink link(0);
        EXPECT_EQ(19200u, link.baudRate());
        EXPECT_EQ(9600u, echo.line().baud) << "the constructor must not set the device's rate";
        link.setBaudRate(115200);
        EXPECT_EQ(115200u, echo.line().baud);
        echo.failCalls(FTDI::INVALID_BAUD_RATE);
        expectFtdiError([&] { link.setBaudRate(2000000); },
                        "Unable to set baud rate on FTDI device: FT_SetBaudRate failed",
                        FTDI::INVALID_BAUD_RATE);
        EXPECT_EQ(115200u, link.baudRate());
        for (bool on : {true, false}) {
            link.setDtr(on);
            link.setRts(on);
            link.setBreak(on);
            EXPECT_EQ((std::array{on, on, on}),
                      (std::array{echo.line().dtr, echo.line().rts, echo.line().breakOn}));
        }
        link.setTimeouts(300, 300);
        link.write("abc");
        EXPECT_EQ((std::vector<std::uint8_t>{'a', 'b', 'c'}), link.read(5));
        expectFtdiError([&] { link.readByte(); }, "Failed to read byte from FTDI device", 0);
    }
    EXPECT_EQ(1, recorder->count("close"));
    EXPECT_FALSE(echo.isOpen());
}

TEST_F(Links, UartLinksShortenTheLatencyTimerWhileOpenAndGiveTheChipItsOwnBack) {
    {
        UartLink link(0);
        EXPECT_EQ(1, echo.latencyTimer());
    }
    EXPECT_EQ(16, echo.latencyTimer());

    recorder->calls.clear();
    FTDI::setUartLatencyTimer(0); // as the command line's --default-latency asks
    {
        UartLink link(0);
        EXPECT_EQ(16, echo.latencyTimer());
    }
    FTDI::setUartLatencyTimer(1);
    EXPECT_FALSE(recorder->called("setLatencyTimer"));

    echo.failCalls(FTDI::IO_ERROR, 2); // opened, timer read; setting it fails
    expectFtdiError([] { UartLink link(0); },
                    "Unable to set latency timer on FTDI device: FT_SetLatencyTimer failed", FTDI::IO_ERROR);
    EXPECT_FALSE(echo.isOpen()) << "a failed construction leaves nothing open";
}

TEST_F(Links, EveryFailingUartCallNamesItsOperationAndStatusUntilTheModuleIsUnplugged) {
    UartLink link(0);
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { link.setDataCharacteristics(8, 0, 0); },
         "Unable to set data characteristics on FTDI device: FT_SetDataCharacteristics failed"},
        {[&] { link.setTimeouts(300, 300); }, "Unable to set timeouts on FTDI device: FT_SetTimeouts failed"},
        {[&] { link.setFlowControl(0, 0, 0); },
         "Unable to set flow control on FTDI device: FT_SetFlowControl failed"},
        {[&] { link.setDtr(false); },
         "Unable to set DTR (data terminal ready) signal on FTDI device: FT_SetDtr failed"},
        {[&] { link.setRts(true); },
         "Unable to set RTS (request to send) signal on FTDI device: FT_SetRts failed"},
        {[&] { link.setBreak(false); },
         "Unable to set break on FTDI device: FT_SetBreakOn/Ft_SetBreakOff failed"},
        {[&] { link.queueStatus(); }, "Unable to get queue status on FTDI device: FT_GetQueueStatus failed"},
        {[&] { link.write("A"); }, "Unable to write to FTDI device: FT_Write failed"},
        {[&] { link.readByte(); }, "Unable to read from FTDI device: FT_Read failed"},
        {[&] { link.purge(3); }, "Unable to purge buffers on FTDI device: FT_Purge failed"},
    };
    link.write(std::string(32, '.')); // something for the reads to find once the fault has passed
    for (const auto& [call, message] : cases) {
        echo.failCalls(FTDI::IO_ERROR);
        expectFtdiError(call, message, FTDI::IO_ERROR);
        call(); // the link stays usable after a failed call
    }
    echo.unplug();
    expectFtdiError([&] { link.write("x"); }, "Unable to write to FTDI device: FT_Write failed",
                    FTDI::IO_ERROR);
    recorder->calls.clear();
    EXPECT_TRUE(FTDI::listDevices().empty());
    EXPECT_EQ(std::vector<std::string>{"createDeviceInfoList"}, recorder->calls)
        << "an empty listing asks for no list";
}

TEST_F(Links, SpiLinkThatCannotOpenOrInitialiseClosesOnlyWhatItOpened) {
    EXPECT_EQ(1u, FTDI::spiChannelCount());
    EXPECT_STREQ("RVX-LINK SPI (simulated)", FTDI::spiChannelInfo(0).description);
    expectFtdiError([] { FTDI::spiChannelInfo(1); }, "FTDI SPI device not found", FTDI::OTHER_ERROR);
    expectFtdiError([] { SpiLink link(1); }, "FTDI SPI device not found", FTDI::OTHER_ERROR);
    EXPECT_FALSE(recorder->called("spiOpenChannel"));
    EXPECT_EQ(1, recorder->count("spiGetChannelInfo"));

    spi.setBusy(true);
    expectFtdiError([] { SpiLink link(0); }, "Unable to open FTDI SPI device: SPI_OpenChannel failed",
                    FTDI::DEVICE_NOT_OPENED);
    EXPECT_FALSE(recorder->called("spiCloseChannel")) << "a link that never opened closes nothing";
    bench->failNextListing(FTDI::IO_ERROR);
    expectFtdiError([] { FTDI::spiChannelCount(); },
                    "Unable to get number of FTDI SPI channels: SPI_GetNumChannels failed", FTDI::IO_ERROR);

    spi.setBusy(false);
    spi.failCalls(FTDI::IO_ERROR, 1); // open succeeds, init fails
    expectFtdiError([] { SpiLink link(0); }, "Unable to initialize FTDI SPI device: SPI_InitChannel failed",
                    FTDI::IO_ERROR);
    EXPECT_EQ(1, recorder->count("spiCloseChannel"));
    EXPECT_FALSE(spi.isOpen());
}

TEST_F(Links, EverySpiLinkGetsTheSameLineSetUpAndTransfersSingleFullDuplexBytes) {
    FTDI::ChannelConfig config = FTDI::spiChannelConfig;
    std::make_unique<SpiLink>(0, &config).reset();
    const auto first = bench->lastSpiConfig.value();
    EXPECT_NE(0u, config.pin) << "init writes the pin field back";
    SpiLink link(0, &config);
    const auto& c = bench->lastSpiConfig.value();
    // 1 MHz, latency 10 ms, mode 0 with chip select on ADBUS3 active low, and the first link's pins.
    EXPECT_EQ(std::tuple(1000000u, 10, 0x20u, first.pin),
              std::tuple(c.clockRate, int{c.latencyTimer}, c.configOptions, c.pin));

    link.transfer(0x5A);
    EXPECT_EQ(0x5A, link.transfer(0x00)); // the loopback answers with the byte before
    spi.failCalls(FTDI::IO_ERROR);
    expectFtdiError([&] { link.transfer(1); }, "Unable to transfer to FTDI SPI device: SPI_ReadWrite failed",
                    FTDI::IO_ERROR);
    spi.faults.drop = 1.0; // the library reports nothing transferred
    expectFtdiError([&] { link.transfer(1); },
                    "Unable to transfer to FTDI SPI device: SPI_ReadWrite did not receive response",
                    FTDI::OTHER_ERROR);
}

} // namespace
