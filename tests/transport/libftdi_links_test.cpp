// UartLink and SpiLink running on the libftdi1 backend (over the fake USB
// bus), as they do with a real RVX-LINK module.
#include "support/RecordingPlatform.h"
#include "transport/SpiLink.h"
#include "transport/UartLink.h"
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct LibftdiLinks : ::testing::Test {
    fake::MpsseEngine engine;
    std::shared_ptr<fake::Bus> bus = std::make_shared<fake::Bus>();
    test::PlatformGuard guard{std::make_shared<FTDI::libftdi::LibftdiPlatform>(bus)};
    FTDI::ChannelConfig savedConfig = FTDI::spiChannelConfig;

    ~LibftdiLinks() override { FTDI::spiChannelConfig = savedConfig; }
};

TEST_F(LibftdiLinks, UartLinkSeesShortReadsAndMissingBytes) {
    bus->add(0x6001, 0x0600, 1, "A1", "RVX-LINK");
    UartLink link(0);
    link.setTimeouts(300, 300);
    bus->itf(0).arrive(std::vector<std::uint8_t>{1, 2, 3});
    EXPECT_EQ((std::vector<std::uint8_t>{1, 2, 3}), link.read(5));
    try {
        link.readByte();
        FAIL() << "a missing byte must throw";
    } catch (const FTDI::Exception& e) {
        EXPECT_STREQ("Failed to read byte from FTDI device", e.what());
        EXPECT_EQ(0u, e.status());
    }
}

TEST_F(LibftdiLinks, ModuleInUseElsewhereIsListedBusyAndFailsInTheConstructor) {
    bus->add(0x6001, 0x0600, 1, "A1", "RVX-LINK");
    bus->itf(0).heldByOther = true;
    const auto devices = FTDI::listDevices();
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ(FTDI::FLAG_OPENED, devices[0].flags & FTDI::FLAG_OPENED);
    try {
        UartLink link(0);
        FAIL() << "opening a busy module must throw";
    } catch (const FTDI::Exception& e) {
        EXPECT_STREQ("Unable to open FTDI device: FT_Open failed", e.what());
        EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, e.status());
    }
}

TEST_F(LibftdiLinks, SecondSpiLinkGetsTheSameLineSetUp) {
    bus->add(0x6014, 0x0900, 1, "H1", "RVX-LINK SPI");
    auto& itf = bus->itf(0);
    engine.attach(itf);
    std::vector<std::uint8_t> first;
    {
        SpiLink link(0);
        first = itf.written;
        engine.wire.clear();
        EXPECT_EQ(0x5A, link.transfer(0xA5));
        EXPECT_EQ((std::vector<std::string>{"cs 0", "byte A5", "cs 1"}), engine.wire);
    }
    itf.written.clear();
    {
        SpiLink link(0);
        EXPECT_EQ(first, itf.written);
    }
}

} // namespace
