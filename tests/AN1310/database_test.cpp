// Looking devices up in the delivered devices.db, and what a broken one does.
#include "ScratchDatabase.h"
#include "Support.h"

#include <fstream>

using namespace an1310test;
using AN1310::Device;

namespace {

TEST(DeviceDatabase, AFamilyFourPartWithItsConfiguration) {
    Device device;
    device.capabilities = 0x100;
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x64, AN1310::Family::PIC18));
    EXPECT_EQ("PIC18F2620", device.partName);
    EXPECT_EQ(0u, device.capabilities) << "the lookup starts from a reset record";

    // Configuration words in address order, each field with one mask for all its settings.
    ASSERT_GE(device.configWords.size(), 2u);
    ASSERT_EQ(3u, device.configWords[0].fields.size()) << "CONFIG1H: OSC, FCMEN and IESO";
    for (const auto& word : device.configWords)
        for (const auto& field : word.fields)
            for (const auto& setting : field.settings)
                EXPECT_EQ(field.settings[0].bitMask, setting.bitMask) << word.name << " " << field.cname;
    EXPECT_EQ(0x0Fu, device.configWords[0].fields[0].settings.at(0).bitMask) << "OSC";

    EXPECT_EQ(AN1310::NoSuchDevice, AN1310::lookupDevice(device, 0x64, AN1310::Family::PIC32))
        << "another family's ID";
    EXPECT_EQ(0x64u, device.deviceId);
    EXPECT_TRUE(device.partName.empty());

    device.familyId = AN1310::Family::PIC32;
    device.ramStart = 0;
    device.ramEnd = 1000; // below the family's reserve: no packet fits, never negative
    EXPECT_EQ(0, device.maxPacketSize());
}

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
