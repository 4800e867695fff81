// Looking devices up in the delivered devices.db, and what a broken one does.
#include "Support.h"

#include <fstream>

using namespace an1310test;
using AN1310::Device;

namespace {

TEST(DeviceDatabase, ALookupForAnyFamilyFindsTheFirstRowOfTheId) {
    ScratchDatabase scratch;
    scratch.exec(
        "insert into DEVICES (PARTNAME, DEVICEID, FAMILYID, WRITEFLASHBLOCKSIZE, ERASEFLASHBLOCKSIZE, "
        "STARTFLASH, ENDFLASH, STARTEE, ENDEE, STARTUSER, ENDUSER, STARTCONFIG, ENDCONFIG, STARTGPR, "
        "ENDGPR, BYTESPERWORDFLASH) select 'PIC16LATER', DEVICEID, 2, 8, 32, 0, 0x2000, 0, 0, 0, 0, 0, "
        "0, 0, 0, 2 from DEVICES where PARTNAME = 'PIC18F2620'");
    Device device;
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x64, AN1310::Family::Any));
    EXPECT_EQ("PIC18F2620", device.partName);
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x64, AN1310::Family::PIC16));
    EXPECT_EQ("PIC16LATER", device.partName);
}

TEST(DeviceDatabase, TheWorkingDirectoryComesFirstAndABrokenFileIsAnError) {
    ScratchDatabase scratch;
    EXPECT_EQ(std::filesystem::path("devices.db"), AN1310::findDeviceDatabase());
    std::ofstream("devices.db") << "this is not a database";
    Device device;
    EXPECT_THROW(AN1310::lookupDevice(device, 1, AN1310::Family::Any), SQLite::Exception);
}

} // namespace
