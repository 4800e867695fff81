// Device listing of the libftdi1 backend as D2XX shows it: one record per
// interface, chip types, busy flags, and open indices that match the listing.
#include "transport/libftdi/LibftdiPlatform.h"
#include "transport/libftdi_FakeUsb.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using FTDI::DeviceInfo;
using FTDI::Handle;
using FTDI::libftdi::KernelDriver;
using FTDI::libftdi::LibftdiPlatform;

struct LibftdiListing : ::testing::Test {
    std::shared_ptr<fake::Bus> bus = std::make_shared<fake::Bus>();
    LibftdiPlatform platform{bus};

    std::vector<DeviceInfo> list() {
        std::uint32_t count = 0;
        EXPECT_EQ(FTDI::OK, platform.createDeviceInfoList(count));
        std::vector<DeviceInfo> records(count);
        if (count) {
            EXPECT_EQ(FTDI::OK, platform.getDeviceInfoList(records.data(), count));
        }
        EXPECT_EQ(records.size(), count);
        return records;
    }
};

TEST_F(LibftdiListing, MultiInterfaceChipsAreListedOncePerInterface) {
    bus->add(0x6010, 0x0700, 2, "FT5XK2", "RVX-LINK SPI");
    bus->add(0x6001, 0x0600, 1, "A9017QX", "RVX-LINK");
    bus->add(0x6011, 0x0800, 4, "FT9Q", "Quad RS232-HS");
    const auto records = list();
    ASSERT_EQ(7u, records.size());

    EXPECT_EQ(6u, records[0].type); // FT2232H
    EXPECT_EQ(0x04036010u, records[0].id);
    EXPECT_STREQ("FT5XK2A", records[0].serialNumber);
    EXPECT_STREQ("RVX-LINK SPI A", records[0].description);
    EXPECT_STREQ("FT5XK2B", records[1].serialNumber);
    EXPECT_STREQ("RVX-LINK SPI B", records[1].description);

    EXPECT_EQ(5u, records[2].type); // FT232R: a single interface keeps its strings as they are
    EXPECT_EQ(0x04036001u, records[2].id);
    EXPECT_STREQ("A9017QX", records[2].serialNumber);
    EXPECT_STREQ("RVX-LINK", records[2].description);

    EXPECT_EQ(7u, records[3].type); // FT4232H
    EXPECT_STREQ("Quad RS232-HS D", records[6].description);
    for (const auto& record : records) {
        EXPECT_EQ(0u, record.flags);
        EXPECT_EQ(nullptr, record.handle);
    }
    EXPECT_NE(records[0].locationId, records[1].locationId);
}

TEST_F(LibftdiListing, ChipTypesFollowTheDeviceRelease) {
    bus->add(0x6001, 0x0400, 1); // FT232BM
    bus->add(0x6010, 0x0500, 2); // FT2232D
    bus->add(0x6014, 0x0900, 1); // FT232H
    bus->add(0x6015, 0x1000, 1); // FT-X
    bus->add(0x6001, 0x0999, 1); // a release we do not know
    const auto records = list();
    ASSERT_EQ(6u, records.size());
    EXPECT_EQ(0u, records[0].type);
    EXPECT_EQ(4u, records[1].type);
    EXPECT_EQ(4u, records[2].type);
    EXPECT_EQ(8u, records[3].type);
    EXPECT_EQ(9u, records[4].type);
    EXPECT_EQ(3u, records[5].type);
}

TEST_F(LibftdiListing, OverlongStringsAreCutAndStayTerminated) {
    bus->add(0x6010, 0x0700, 2, "SERIAL0123456789XYZ", std::string(80, 'd'));
    const auto records = list();
    EXPECT_EQ(15u, std::strlen(records[1].serialNumber));
    EXPECT_EQ(63u, std::strlen(records[1].description));
}

TEST_F(LibftdiListing, EmptyBusAndFailedEnumeration) {
    EXPECT_TRUE(list().empty());
    bus->findAllResult = -5; // libusb_get_device_list() failed
    std::uint32_t count = 7;
    EXPECT_EQ(FTDI::OTHER_ERROR, platform.createDeviceInfoList(count));
    EXPECT_EQ(0u, count);
    bus->findAllResult = -3; // out of memory
    EXPECT_EQ(FTDI::INSUFFICIENT_RESOURCES, platform.createDeviceInfoList(count));
}

TEST_F(LibftdiListing, OpenIndexIsTheListingPosition) {
    bus->add(0x6010, 0x0700, 2);
    bus->add(0x6001, 0x0600, 1);
    list();
    bus->itf(1).calls.clear();
    Handle handle = nullptr;
    ASSERT_EQ(FTDI::OK, platform.open(1, handle));
    EXPECT_TRUE(bus->itf(0, 1).isOpen);
    EXPECT_FALSE(bus->itf(0, 0).isOpen);
    ASSERT_EQ(FTDI::OK, platform.open(2, handle));
    EXPECT_TRUE(bus->itf(1).isOpen);
    // A serial port starts out of any bit mode a previous user left it in.
    EXPECT_EQ(std::vector<std::string>{"bitmode 0 0"}, bus->itf(1).calls);

    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.open(3, handle));
    EXPECT_EQ(nullptr, handle);
}

TEST_F(LibftdiListing, DeviceHeldByThisProcessIsBusyUntilClosed) {
    bus->add(0x6001, 0x0600, 1);
    list();
    Handle handle = nullptr;
    ASSERT_EQ(FTDI::OK, platform.open(0, handle));

    auto records = list();
    EXPECT_EQ(FTDI::FLAG_OPENED, records[0].flags);
    EXPECT_EQ(handle, records[0].handle);
    Handle second = nullptr;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.open(0, second));
    EXPECT_EQ(nullptr, second);

    EXPECT_EQ(FTDI::OK, platform.close(handle));
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.close(handle));
    records = list();
    EXPECT_EQ(0u, records[0].flags);
    EXPECT_EQ(FTDI::OK, platform.open(0, handle));
}

TEST_F(LibftdiListing, DeviceHeldByAnotherProgramIsBusyAndFailsToOpen) {
    bus->add(0x6010, 0x0700, 2);
    bus->itf(0, 1).heldByOther = true;
    const auto records = list();
    EXPECT_EQ(0u, records[0].flags);
    EXPECT_EQ(FTDI::FLAG_OPENED, records[1].flags);
    EXPECT_EQ(nullptr, records[1].handle);
    Handle handle = nullptr;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.open(1, handle));
    EXPECT_EQ(FTDI::OK, platform.open(0, handle));
}

TEST_F(LibftdiListing, ListingLeavesTheKernelDriverAloneAndOpeningTakesTheDevice) {
    bus->add(0x6001, 0x0600, 1);
    auto& itf = bus->itf(0);
    itf.kernelDriver = true; // /dev/ttyUSB0 exists
    const auto records = list();
    EXPECT_EQ(0u, records[0].flags);
    EXPECT_TRUE(itf.kernelDriver);
    EXPECT_EQ(std::vector{KernelDriver::Keep}, itf.openModes);

    Handle handle = nullptr;
    ASSERT_EQ(FTDI::OK, platform.open(0, handle));
    EXPECT_EQ(KernelDriver::DetachAndReattach, itf.openModes.back());
    EXPECT_FALSE(itf.kernelDriver);
}

TEST_F(LibftdiListing, FreeInterfaceIsReleasedAfterTheProbe) {
    bus->add(0x6001, 0x0600, 1);
    list();
    EXPECT_FALSE(bus->itf(0).isOpen);
    EXPECT_EQ(std::vector<std::string>{"close"}, bus->itf(0).calls);
}

TEST_F(LibftdiListing, DeviceWithoutAccessRightsIsBusyAndFailsToOpen) {
    bus->add(0x6001, 0x0600, 1, "", "");
    bus->itf(0).openError = -4; // unable to open device
    const auto records = list();
    EXPECT_EQ(FTDI::FLAG_OPENED, records[0].flags);
    Handle handle = nullptr;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.open(0, handle));
}

TEST_F(LibftdiListing, DeviceUnpluggedAfterListingIsNotFound) {
    bus->add(0x6001, 0x0600, 1);
    list();
    bus->devices.clear();
    Handle handle = nullptr;
    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.open(0, handle));
}

TEST_F(LibftdiListing, SpiChannelsAreTheMpsseInterfaces) {
    bus->add(0x6001, 0x0600, 1, "R1", "Serial only");
    bus->add(0x6010, 0x0700, 2, "D1", "Dual");
    bus->add(0x6011, 0x0800, 4, "Q1", "Quad");
    bus->add(0x6014, 0x0900, 1, "H1", "Single");
    std::uint32_t count = 0;
    ASSERT_EQ(FTDI::OK, platform.spiGetNumChannels(count));
    ASSERT_EQ(5u, count);
    const char* expected[] = {"Dual A", "Dual B", "Quad A", "Quad B", "Single"};
    for (std::uint32_t i = 0; i < count; ++i) {
        DeviceInfo info;
        ASSERT_EQ(FTDI::OK, platform.spiGetChannelInfo(i, info));
        EXPECT_STREQ(expected[i], info.description);
        EXPECT_EQ(0u, info.flags);
    }
    DeviceInfo info;
    EXPECT_EQ(FTDI::DEVICE_NOT_FOUND, platform.spiGetChannelInfo(5, info));

    Handle handle = nullptr;
    ASSERT_EQ(FTDI::OK, platform.spiOpenChannel(3, handle));
    EXPECT_TRUE(bus->itf(2, 1).isOpen);
    ASSERT_EQ(FTDI::OK, platform.spiGetChannelInfo(3, info));
    EXPECT_EQ(FTDI::FLAG_OPENED, info.flags);
    EXPECT_EQ(handle, info.handle);
    Handle second = nullptr;
    EXPECT_EQ(FTDI::DEVICE_NOT_OPENED, platform.spiOpenChannel(3, second));
    // The same interface is busy in the serial listing too.
    std::uint32_t devices = 0;
    ASSERT_EQ(FTDI::OK, platform.createDeviceInfoList(devices));
    std::vector<DeviceInfo> records(devices);
    platform.getDeviceInfoList(records.data(), devices);
    EXPECT_EQ(FTDI::FLAG_OPENED, records[4].flags);
    EXPECT_EQ(FTDI::INVALID_HANDLE, platform.close(handle)); // an SPI channel is not a serial port
    EXPECT_EQ(FTDI::OK, platform.spiCloseChannel(handle));
}

TEST_F(LibftdiListing, OpenChannelsAndPortsAreClosedWithThePlatform) {
    bus->add(0x6010, 0x0700, 2);
    {
        LibftdiPlatform owner(bus);
        std::uint32_t count = 0;
        owner.createDeviceInfoList(count);
        Handle serial = nullptr;
        Handle spi = nullptr;
        ASSERT_EQ(FTDI::OK, owner.open(1, serial));
        ASSERT_EQ(FTDI::OK, owner.spiOpenChannel(0, spi));
    }
    EXPECT_FALSE(bus->itf(0, 0).isOpen);
    EXPECT_FALSE(bus->itf(0, 1).isOpen);
}

} // namespace
