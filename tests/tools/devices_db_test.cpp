// The built devices.db: the host's own queries work on it, its configuration
// records hang together, and it agrees with the bench's part table.
#include "sim/pic/PicPart.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <set>

namespace {

SQLite::Database openDb() {
    return SQLite::Database("devices.db", SQLite::OPEN_READONLY);
}

struct Row {
    std::string part;
    std::uint32_t write, erase, flashStart, flashEnd, eeStart, eeEnd, userStart, userEnd, cfgStart, cfgEnd,
        ramStart, ramEnd, bytesPerWord, family;
    std::int64_t rowId;
};

// The lookup exactly as the host words it.
std::optional<Row> lookup(SQLite::Database& db, std::uint32_t id, std::uint32_t family) {
    SQLite::Statement q(
        db, "select PARTNAME, WRITEFLASHBLOCKSIZE, ERASEFLASHBLOCKSIZE, STARTFLASH, ENDFLASH,STARTEE, "
            "ENDEE, STARTUSER, ENDUSER, STARTCONFIG, ENDCONFIG, STARTGPR, ENDGPR,BYTESPERWORDFLASH, "
            "FAMILYID, DEVICEROWID\nfrom DEVICES\nwhere DEVICEID = :deviceId and FAMILYID = :familyId");
    q.bind(":deviceId", std::int64_t(id));
    q.bind(":familyId", std::int64_t(family));
    if (!q.executeStep()) return std::nullopt;
    Row r;
    r.part = q.getColumn(0).getString();
    std::uint32_t* fields[] = {&r.write,    &r.erase,     &r.flashStart,   &r.flashEnd, &r.eeStart,
                               &r.eeEnd,    &r.userStart, &r.userEnd,      &r.cfgStart, &r.cfgEnd,
                               &r.ramStart, &r.ramEnd,    &r.bytesPerWord, &r.family};
    for (int i = 0; i < 14; ++i)
        *fields[i] = std::uint32_t(q.getColumn(i + 1).getInt64());
    r.rowId = q.getColumn(15).getInt64();
    return r;
}

} // namespace

TEST(DevicesDb, EveryFamilyAndTheEncodersPartAreListed) {
    auto db = openDb();
    std::set<int> families;
    SQLite::Statement all(db, "select FAMILYID from DEVICES");
    while (all.executeStep())
        families.insert(all.getColumn(0).getInt());
    EXPECT_TRUE(families.count(2) && families.count(4) && families.count(5) && families.count(8));

    // The RVX46/47/84/86 encoders' PIC18: room for 20 KB of code and an EEPROM map up to 0xF1.
    const auto pic18 = lookup(db, 0x64, 4);
    ASSERT_TRUE(pic18);
    EXPECT_EQ("PIC18F2620", pic18->part);
    EXPECT_GE(pic18->flashEnd - pic18->flashStart, 32u * 1024);
    EXPECT_GE(pic18->eeEnd - pic18->eeStart, 256u);
    EXPECT_EQ(0xF00000u, pic18->eeStart);
    // Family 5 stores its block sizes in instructions.
    const auto pic24 = lookup(db, 0x0447, 5);
    ASSERT_TRUE(pic24);
    EXPECT_EQ(64u, pic24->write);
    EXPECT_EQ(512u, pic24->erase);
}

TEST(DevicesDb, ConfigurationRecordsBelongToTheirDevice) {
    auto db = openDb();
    SQLite::Statement strayFields(
        db, "select count(*) from CONFIGFIELDS f join CONFIGWORDS w on w.ROWID = f.CONFIGWORDID "
            "where w.DEVICEROWID != f.DEVICEROWID");
    ASSERT_TRUE(strayFields.executeStep());
    EXPECT_EQ(0, strayFields.getColumn(0).getInt());
    SQLite::Statement orphanFields(db, "select count(*) from CONFIGFIELDS where CONFIGWORDID not in "
                                       "(select ROWID from CONFIGWORDS)");
    ASSERT_TRUE(orphanFields.executeStep());
    EXPECT_EQ(0, orphanFields.getColumn(0).getInt());
    SQLite::Statement straySettings(db, "select count(*) from CONFIGSETTINGS s left join CONFIGFIELDS f on "
                                        "f.ROWID = s.CONFIGFIELDID where f.ROWID is null or "
                                        "f.DEVICEROWID != s.DEVICEROWID or (s.BITVALUE & ~s.BITMASK) != 0");
    ASSERT_TRUE(straySettings.executeStep());
    EXPECT_EQ(0, straySettings.getColumn(0).getInt());

    // The host's configuration query for the PIC18F2620: 11 words in address order, each with fields.
    const auto row = lookup(db, 0x64, 4);
    ASSERT_TRUE(row);
    SQLite::Statement words(db, "select ROWID, CONFIGNAME, ADDRESS, DEFAULTVALUE, IMPLEMENTEDBITS\nfrom "
                                "CONFIGWORDS\nwhere DEVICEROWID = :deviceRowId\norder by ADDRESS");
    words.bind(":deviceRowId", row->rowId);
    std::vector<std::int64_t> addresses;
    while (words.executeStep()) {
        addresses.push_back(words.getColumn(2).getInt64());
        EXPECT_GE(addresses.back(), row->cfgStart);
        EXPECT_LT(addresses.back(), row->cfgEnd);
        EXPECT_EQ(0, words.getColumn(3).getInt64() & ~words.getColumn(4).getInt64())
            << words.getColumn(1).getString();
    }
    EXPECT_EQ(11u, addresses.size());
    EXPECT_TRUE(std::is_sorted(addresses.begin(), addresses.end()));
}

TEST(DevicesDb, AgreesWithTheBenchPartTable) {
    auto db = openDb();
    for (const auto& part : sim::picParts()) {
        SCOPED_TRACE(part.name);
        const auto row = lookup(db, part.deviceId, part.family);
        ASSERT_TRUE(row);
        EXPECT_EQ(part.name, row->part);
        const std::uint32_t blockScale = part.family == 5 ? 2 : 1;
        EXPECT_EQ(part.writeBlock, row->write * blockScale);
        EXPECT_EQ(part.eraseBlock, row->erase * blockScale);
        EXPECT_EQ(part.flashStart, row->flashStart);
        EXPECT_EQ(part.flashEnd, row->flashEnd);
        EXPECT_EQ(part.eepromStart, row->eeStart);
        EXPECT_EQ(part.eepromEnd, row->eeEnd);
        EXPECT_EQ(part.userIdStart, row->userStart);
        EXPECT_EQ(part.userIdEnd, row->userEnd);
        EXPECT_EQ(part.configStart, row->cfgStart);
        EXPECT_EQ(part.configEnd, row->cfgEnd);
        EXPECT_EQ(part.ramStart, row->ramStart);
        EXPECT_EQ(part.ramEnd, row->ramEnd);
        EXPECT_EQ(part.bytesPerWord(), row->bytesPerWord);
        // Every part's bootloader fits whole erase blocks inside flash.
        EXPECT_EQ(0u, part.bootloaderStart % part.eraseBlock);
        EXPECT_EQ(0u, part.bootloaderSize % part.eraseBlock);
    }
}
