#pragma once
// A devices.db of the test's own in a scratch working directory, so lookups
// see exactly the rows a test puts there.
#include <SQLiteCpp/SQLiteCpp.h>
#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <unistd.h>

namespace an1310test {

class TempDatabase {
public:
    TempDatabase() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "an1310-db-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        std::filesystem::current_path(dir_);
    }
    ~TempDatabase() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    // Creates devices.db with the tables the host reads.
    SQLite::Database create() {
        SQLite::Database db("devices.db", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(
            "create table DEVICES (DEVICEROWID integer primary key, DEVICEID integer, FAMILYID integer,"
            " PARTNAME text, WRITEFLASHBLOCKSIZE integer, ERASEFLASHBLOCKSIZE integer, STARTFLASH integer,"
            " ENDFLASH integer, STARTEE integer, ENDEE integer, STARTUSER integer, ENDUSER integer,"
            " STARTCONFIG integer, ENDCONFIG integer, STARTGPR integer, ENDGPR integer,"
            " BYTESPERWORDFLASH integer);"
            "create table CONFIGWORDS (DEVICEROWID integer, CONFIGNAME text, ADDRESS integer,"
            " DEFAULTVALUE integer, IMPLEMENTEDBITS integer);"
            "create table CONFIGFIELDS (DEVICEROWID integer, FIELDCNAME text, DESCRIPTION text,"
            " CONFIGWORDID integer);"
            "create table CONFIGSETTINGS (DEVICEROWID integer, SETTINGCNAME text, DESCRIPTION text,"
            " BITMASK integer, BITVALUE integer, CONFIGFIELDID integer);");
        return db;
    }

    // A DEVICES row with the configuration at 0x300000 and 2 bytes per word (3 for family 5).
    static void addDevice(SQLite::Database& db, int rowId, int deviceId, int family, const std::string& name,
                          int write, int erase, int flashEnd, int eeStart = 0, int eeEnd = 0) {
        db.exec(fmt::format("insert into DEVICES values ({}, {}, {}, '{}', {}, {}, 0, {}, {}, {}, 0x200000,"
                            " 0x200008, 0x300000, 0x30000E, 0, 0xF00, {})",
                            rowId, deviceId, family, name, write, erase, flashEnd, eeStart, eeEnd,
                            family == 5 ? 3 : 2));
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

} // namespace an1310test
