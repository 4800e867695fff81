// Looking devices up in devices.db and the quantities derived from a record.
#include "Support.h"
#include "TempDatabase.h"

#include <fstream>

using namespace an1310test;
using AN1310::Device;

namespace {

TEST(DeviceDatabase, AFamilyFourPartWithItsConfiguration) {
    TempDatabase temp;
    auto db = temp.create();
    EXPECT_EQ(std::filesystem::path("devices.db"), AN1310::findDeviceDatabase())
        << "the working directory first";
    TempDatabase::addDevice(db, 1, 0x67, 4, "PIC18F2620", 64, 64, 0x10000, 0xF00000, 0xF00400);
    db.exec("insert into CONFIGWORDS (ROWID, DEVICEROWID, CONFIGNAME, ADDRESS, DEFAULTVALUE, IMPLEMENTEDBITS)"
            " values (10, 1, 'CONFIG2L', 0x300002, 0x1F, 0x1F), (11, 1, 'CONFIG1H', 0x300001, 0x07, 0xCF)");
    db.exec("insert into CONFIGFIELDS (ROWID, DEVICEROWID, FIELDCNAME, DESCRIPTION, CONFIGWORDID)"
            " values (20, 1, 'FOSC', 'Oscillator', 11), (21, 1, 'PWRT', 'Power-up timer', 10),"
            " (22, 1, 'ORPHAN', 'names no word', 99)");
    db.exec(
        "insert into CONFIGSETTINGS (DEVICEROWID, SETTINGCNAME, DESCRIPTION, BITMASK, BITVALUE,"
        " CONFIGFIELDID) values (1, 'HS', 'HS oscillator', 0x0F, 0x02, 20), (1, 'ON', 'enabled', 1, 0, 21),"
        " (1, 'OFF', 'disabled', 1, 1, 21)");

    Device device;
    device.capabilities = 0x100;
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x67, 4));
    EXPECT_EQ("PIC18F2620", device.partName);
    EXPECT_EQ(0u, device.capabilities) << "the lookup starts from a reset record";
    EXPECT_EQ(0x10000u, device.flashEnd);
    EXPECT_EQ(0xF00000u, device.eepromStart);
    EXPECT_EQ(0xFFFFu, device.blankFlashWord);
    EXPECT_EQ(3824, device.maxPacketSize());
    device.capabilities = 0x100; // room for the block extras
    EXPECT_EQ(3781, device.maxPacketSize());

    ASSERT_EQ(2u, device.configWords.size());
    EXPECT_EQ("CONFIG1H", device.configWords[0].name) << "words come in address order";
    ASSERT_EQ(1u, device.configWords[0].fields.size());
    EXPECT_EQ("FOSC", device.configWords[0].fields[0].cname);
    EXPECT_EQ("HS", device.configWords[0].fields[0].settings.at(0).cname);
    ASSERT_EQ(1u, device.configWords[1].fields.size());
    EXPECT_EQ(2u, device.configWords[1].fields[0].settings.size());

    EXPECT_EQ(AN1310::NoSuchDevice, AN1310::lookupDevice(device, 0x67, 8)) << "another family's ID";
    EXPECT_EQ(0x67u, device.deviceId);
    EXPECT_TRUE(device.partName.empty());
}

TEST(DeviceDatabase, FamilyFiveBlocksAreDoubledIntoAddressUnits) {
    TempDatabase temp;
    auto db = temp.create();
    TempDatabase::addDevice(db, 1, 0x420D, 5, "PIC24FJ64GA002", 64, 512, 0xABFE);
    Device device;
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x420D, 0));
    EXPECT_EQ(128u, device.writeBlockSize);
    EXPECT_EQ(1024u, device.eraseBlockSize);
    EXPECT_EQ(0xFFFFFFu, device.blankFlashWord);
    EXPECT_TRUE(device.configWords.empty()) << "a device without configuration rows is still found";
    EXPECT_EQ(384u, device.bytesInRange(0, 256));
    EXPECT_EQ(256u, device.addressUnitsForBytes(384));

    device.familyId = 8;
    device.ramStart = 0;
    device.ramEnd = 1000; // below the family's reserve: no packet fits, never negative
    EXPECT_EQ(0, device.maxPacketSize());
}

TEST(DeviceDatabase, ANonDatabaseFileRaisesTheDatabaseError) {
    TempDatabase temp;
    std::ofstream("devices.db") << "this is not a database";
    Device device;
    EXPECT_THROW(AN1310::lookupDevice(device, 1, 0), SQLite::Exception);
}

} // namespace
