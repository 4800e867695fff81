// Looking devices up in devices.db and the quantities derived from a record.
#include "AN1310/AN1310.h"
#include "TempDatabase.h"

#include <fmt/format.h>
#include <fstream>
#include <gtest/gtest.h>

using namespace an1310test;
using AN1310::Device;

namespace {

void addDevice(SQLite::Database& db, int rowId, int deviceId, int family, const std::string& name, int write,
               int erase, int flashEnd, int eeStart = 0, int eeEnd = 0, int ramEnd = 0xF00) {
    db.exec(fmt::format(
        "insert into DEVICES values ({}, {}, {}, '{}', {}, {}, 0, {}, {}, {}, 0x200000, 0x200008,"
        " 0x300000, 0x30000E, 0, {}, {})",
        rowId, deviceId, family, name, write, erase, flashEnd, eeStart, eeEnd, ramEnd, family == 5 ? 3 : 2));
}

TEST(DeviceDatabase, LooksUpAFamilyFourPartWithItsConfiguration) {
    TempDatabase temp;
    auto db = temp.create();
    addDevice(db, 1, 0x67, 4, "PIC18F2620", 64, 64, 0x10000, 0xF00000, 0xF00400);
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
    EXPECT_EQ(4u, device.familyId);
    EXPECT_EQ(0x10000u, device.flashEnd);
    EXPECT_EQ(0xF00000u, device.eepromStart);
    EXPECT_EQ(0xFFFFu, device.blankFlashWord);
    EXPECT_EQ(1u, device.bytesPerAddress);
    EXPECT_EQ(3824, device.maxPacketSize());
    device.capabilities = 0x100;
    EXPECT_EQ(3781, device.maxPacketSize());

    ASSERT_EQ(2u, device.configWords.size());
    EXPECT_EQ("CONFIG1H", device.configWords[0].name) << "words come in address order";
    ASSERT_EQ(1u, device.configWords[0].fields.size());
    EXPECT_EQ("FOSC", device.configWords[0].fields[0].cname);
    EXPECT_EQ("HS", device.configWords[0].fields[0].settings.at(0).cname);
    ASSERT_EQ(1u, device.configWords[1].fields.size());
    EXPECT_EQ(2u, device.configWords[1].fields[0].settings.size());
}

TEST(DeviceDatabase, FamilyFiveBlocksAreDoubledIntoAddressUnits) {
    TempDatabase temp;
    auto db = temp.create();
    addDevice(db, 1, 0x420D, 5, "PIC24FJ64GA002", 64, 512, 0xABFE);
    Device device;
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x420D, 0));
    EXPECT_EQ(128u, device.writeBlockSize);
    EXPECT_EQ(1024u, device.eraseBlockSize);
    EXPECT_EQ(0xFFFFFFu, device.blankFlashWord);
    EXPECT_EQ(2u, device.eepromAddressStep);
    EXPECT_TRUE(device.configWords.empty()) << "a device without configuration rows is still found";
    EXPECT_EQ(384u, device.bytesInRange(0, 256));
    EXPECT_EQ(256u, device.addressUnitsForBytes(384));
}

TEST(DeviceDatabase, FamilyZeroMatchesTheFirstRowAndAWrongFamilyMatchesNone) {
    TempDatabase temp;
    auto db = temp.create();
    addDevice(db, 1, 0x99, 2, "FIRST", 8, 32, 0x2000);
    addDevice(db, 2, 0x99, 4, "SECOND", 64, 64, 0x10000);
    Device device;
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x99, 0));
    EXPECT_EQ("FIRST", device.partName);
    EXPECT_EQ(0x3FFFu, device.blankFlashWord);
    EXPECT_EQ(90, device.maxPacketSize());
    ASSERT_EQ(AN1310::DeviceFound, AN1310::lookupDevice(device, 0x99, 4));
    EXPECT_EQ("SECOND", device.partName);
    EXPECT_EQ(AN1310::NoSuchDevice, AN1310::lookupDevice(device, 0x99, 8));
    EXPECT_EQ(0x99u, device.deviceId);
    EXPECT_TRUE(device.partName.empty());
}

TEST(DeviceDatabase, TheWorkingDirectoryComesFirst) {
    TempDatabase temp;
    temp.create();
    EXPECT_EQ(std::filesystem::path("devices.db"), AN1310::findDeviceDatabase());
}

TEST(DeviceDatabase, AWorkingDirectoryThatCannotBeSearchedIsAnError) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    TempDatabase temp;
    std::filesystem::create_directory("locked");
    std::filesystem::current_path("locked");
    std::filesystem::permissions(temp.dir() / "locked", std::filesystem::perms::none);
    EXPECT_THROW(AN1310::findDeviceDatabase(), std::filesystem::filesystem_error);
    std::filesystem::permissions(temp.dir() / "locked", std::filesystem::perms::owner_all);
}

TEST(DeviceDatabase, ANonDatabaseFileRaisesTheDatabaseError) {
    TempDatabase temp;
    std::ofstream("devices.db") << "this is not a database";
    Device device;
    EXPECT_THROW(AN1310::lookupDevice(device, 1, 0), SQLite::Exception);
}

TEST(DeviceDatabase, DerivedQuantities) {
    Device device;
    device.familyId = 4;
    device.flashEnd = 0x10000;
    device.configStart = 0xFFF8; // configuration in the last flash block (PIC18FxxJ)
    device.configEnd = 0x10000;
    EXPECT_TRUE(device.configInsideFlash());
    EXPECT_EQ((AN1310::Range{0xFC00, 0x10000}), device.configEraseBlock());
    device.familyId = 2;
    EXPECT_FALSE(device.configInsideFlash());
    EXPECT_FALSE(device.supportsEraseCommand());
    device.capabilities = 1;
    EXPECT_TRUE(device.supportsEraseCommand());

    device.familyId = 8;
    device.ramStart = 0;
    device.ramEnd = 1000; // below the family's reserve: no packet fits, never negative
    EXPECT_EQ(0, device.maxPacketSize());
    device.familyId = 5;
    device.ramEnd = 0x20000;
    EXPECT_EQ(28672, device.maxPacketSize());
}

} // namespace
