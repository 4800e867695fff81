#include "sim/Bench.h"
#include "sim/Loopback.h"
#include "support/FtdiAssert.h"
#include "support/RecordingPlatform.h"
#include "transport/SpiLink.h"

#include <gtest/gtest.h>

namespace {

using test::expectFtdiError;

struct Spi : ::testing::Test {
    std::shared_ptr<sim::Bench> bench = std::make_shared<sim::Bench>();
    std::shared_ptr<test::RecordingPlatform> recorder = std::make_shared<test::RecordingPlatform>(bench);
    test::PlatformGuard guard{recorder};
    sim::Module& echo = bench->addSpi(std::make_unique<sim::SpiLoopback>(), "spi-echo", "RVX-LINK SPI (simulated)");
};

TEST_F(Spi, ChannelListing) {
    EXPECT_EQ(1u, FTDI::spiChannelCount());
    EXPECT_STREQ("RVX-LINK SPI (simulated)", FTDI::spiChannelInfo(0).description);
    echo.setBusy(true);
    EXPECT_EQ(1u, FTDI::spiChannelInfo(0).flags & FTDI::FLAG_OPENED);
    bench->failNextListing(FTDI::IO_ERROR);
    expectFtdiError([] { FTDI::spiChannelCount(); },
                    "Unable to get number of FTDI SPI channels: SPI_GetNumChannels failed", FTDI::IO_ERROR);
}

TEST_F(Spi, IndexAtTheCountIsNotFoundAndNothingIsOpened) {
    expectFtdiError([] { FTDI::spiChannelInfo(1); }, "FTDI SPI device not found", FTDI::OTHER_ERROR);
    expectFtdiError([] { SpiLink link(1); }, "FTDI SPI device not found", FTDI::OTHER_ERROR);
    EXPECT_FALSE(recorder->called("spiOpenChannel"));
    EXPECT_FALSE(recorder->called("spiGetChannelInfo"));
    EXPECT_FALSE(recorder->called("spiCloseChannel")) << "a link that never opened calls nothing";
}

TEST_F(Spi, OpenFailureOfABusyChannel) {
    echo.setBusy(true);
    expectFtdiError([] { SpiLink link(0); }, "Unable to open FTDI SPI device: SPI_OpenChannel failed",
                    FTDI::DEVICE_NOT_OPENED);
    EXPECT_FALSE(recorder->called("spiCloseChannel"));
}

TEST_F(Spi, FailedInitClosesTheChannelItOpened) {
    echo.failCalls(FTDI::IO_ERROR, 1); // open succeeds, init fails
    expectFtdiError([] { SpiLink link(0); }, "Unable to initialize FTDI SPI device: SPI_InitChannel failed",
                    FTDI::IO_ERROR);
    EXPECT_TRUE(recorder->called("spiCloseChannel"));
    EXPECT_FALSE(echo.isOpen());
    SpiLink again(0); // the channel is free again
}

TEST_F(Spi, EveryLinkGetsTheSameLineSetUp) {
    FTDI::ChannelConfig config = FTDI::spiChannelConfig;
    std::optional<FTDI::ChannelConfig> first;
    { SpiLink link(0, &config); first = bench->lastSpiConfig; }
    EXPECT_NE(0u, config.pin) << "init writes the pin field back";
    { SpiLink link(0, &config); }
    ASSERT_TRUE(first && bench->lastSpiConfig);
    EXPECT_EQ(1000000u, bench->lastSpiConfig->clockRate);
    EXPECT_EQ(10, bench->lastSpiConfig->latencyTimer);
    EXPECT_EQ(0x20u, bench->lastSpiConfig->configOptions);
    EXPECT_EQ(first->pin, bench->lastSpiConfig->pin);
}

TEST_F(Spi, TransfersAreFullDuplexSingleBytes) {
    SpiLink link(0);
    EXPECT_EQ(0x00, link.transfer(0x5A));
    EXPECT_EQ(0x5A, link.transfer(0x00));
    EXPECT_EQ(2u, echo.counters.spiTransfers);
}

TEST_F(Spi, TransferFailures) {
    SpiLink link(0);
    echo.failCalls(FTDI::IO_ERROR);
    expectFtdiError([&] { link.transfer(1); }, "Unable to transfer to FTDI SPI device: SPI_ReadWrite failed",
                    FTDI::IO_ERROR);
    echo.faults.drop = 1.0; // the library reports nothing transferred
    expectFtdiError([&] { link.transfer(1); },
                    "Unable to transfer to FTDI SPI device: SPI_ReadWrite did not receive response",
                    FTDI::OTHER_ERROR);
}

} // namespace
