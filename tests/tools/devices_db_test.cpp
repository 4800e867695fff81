// The built devices.db: its configuration records hang together, and it
// agrees with the bench's part table, which covers every family.
#include "sim/pic/PicPart.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

#include <set>

TEST(DevicesDb, ConfigurationRecordsHangTogether) {
    SQLite::Database db("devices.db", SQLite::OPEN_READONLY);
    const char* faults[] = {
        // a field under another device's word, or under no word
        "select count(*) from CONFIGFIELDS f left join CONFIGWORDS w on w.ROWID = f.CONFIGWORDID "
        "where w.ROWID is null or w.DEVICEROWID != f.DEVICEROWID",
        // a setting likewise, or with bits outside its mask
        "select count(*) from CONFIGSETTINGS s left join CONFIGFIELDS f on f.ROWID = s.CONFIGFIELDID "
        "where f.ROWID is null or f.DEVICEROWID != s.DEVICEROWID or (s.BITVALUE & ~s.BITMASK) != 0",
        // a word outside its device's configuration range, or (on a PIC18, whose unimplemented
        // bits read 0) a default with unimplemented bits
        "select count(*) from CONFIGWORDS w left join DEVICES d on d.DEVICEROWID = w.DEVICEROWID "
        "where d.DEVICEROWID is null or w.ADDRESS < d.STARTCONFIG or w.ADDRESS >= d.ENDCONFIG "
        "or (d.FAMILYID = 4 and (w.DEFAULTVALUE & ~w.IMPLEMENTEDBITS) != 0)",
    };
    for (const auto* query : faults)
        EXPECT_EQ(0, db.execAndGet(query).getInt()) << query;
    EXPECT_EQ(11, db.execAndGet("select count(*) from CONFIGWORDS w join DEVICES d using (DEVICEROWID) "
                                "where d.PARTNAME = 'PIC18F2620'")
                      .getInt());
}

TEST(DevicesDb, AgreesWithTheBenchPartTable) {
    SQLite::Database db("devices.db", SQLite::OPEN_READONLY);
    std::set<int> families;
    for (const auto& part : sim::picParts()) {
        SCOPED_TRACE(part.name);
        families.insert(int(part.family));
        // The host's lookup: by device ID and family.
        SQLite::Statement q(db, "select PARTNAME, WRITEFLASHBLOCKSIZE, ERASEFLASHBLOCKSIZE, STARTFLASH, "
                                "ENDFLASH, STARTEE, ENDEE, STARTUSER, ENDUSER, STARTCONFIG, ENDCONFIG, "
                                "STARTGPR, ENDGPR, BYTESPERWORDFLASH from DEVICES "
                                "where DEVICEID = :deviceId and FAMILYID = :familyId");
        q.bind(":deviceId", part.deviceId);
        q.bind(":familyId", int(part.family));
        ASSERT_TRUE(q.executeStep());
        EXPECT_EQ(part.name, q.getColumn(0).getString());
        // PIC24 keeps its block sizes in instructions, two address units each.
        const std::uint32_t scale = part.family == sim::PicFamily::PIC24 ? 2 : 1;
        const std::uint32_t expected[] = {part.writeBlock / scale, part.eraseBlock / scale, part.flashStart,
                                          part.flashEnd,           part.eepromStart,        part.eepromEnd,
                                          part.userIdStart,        part.userIdEnd,          part.configStart,
                                          part.configEnd,          part.ramStart,           part.ramEnd,
                                          part.bytesPerWord()};
        for (int i = 0; i < 13; ++i)
            EXPECT_EQ(expected[i], std::uint32_t(q.getColumn(i + 1).getInt64())) << q.getColumnName(i + 1);
        // The bench's bootloader fits whole erase blocks.
        EXPECT_EQ(0u, part.bootloaderStart % part.eraseBlock);
        EXPECT_EQ(0u, part.bootloaderSize % part.eraseBlock);
    }
    EXPECT_EQ((std::set<int>{2, 4, 5, 8}), families);
}
