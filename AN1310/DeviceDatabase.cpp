#include "DeviceDatabase.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <unistd.h>

namespace AN1310 {

namespace fs = std::filesystem;

namespace {
constexpr const char* databaseName = "devices.db";

fs::path executablePath() {
    char buffer[2048];
    const auto length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return {};
    return fs::path(std::string(buffer, static_cast<std::size_t>(length)));
}

// A path that is missing, or that names no possible file, does not exist;
// any other failure to look (a directory we may not read) is an error.
bool fileExists(const fs::path& path) {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return false;
    if (error) {
        if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory ||
            error == std::errc::filename_too_long || error == std::errc::invalid_argument)
            return false;
        throw fs::filesystem_error("exists", path, error);
    }
    return true;
}

std::uint32_t column(SQLite::Statement& statement, int index) {
    return static_cast<std::uint32_t>(statement.getColumn(index).getInt64());
}
} // namespace

fs::path findDeviceDatabase() {
    const fs::path local(databaseName);
    if (fileExists(local)) return local;
    const auto executable = executablePath();
    if (!executable.empty()) {
        const auto beside = executable.parent_path() / databaseName;
        if (fileExists(beside)) return beside;
    }
#ifdef VANTIX_DATA_DIR
    // An installed program lives in /usr/bin; its data folder holds the file.
    const auto installed = fs::path(VANTIX_DATA_DIR) / databaseName;
    if (fileExists(installed)) return installed;
#endif
    return {};
}

int lookupDevice(Device& device, std::uint32_t deviceId, Family family) {
    device.reset();
    device.deviceId = deviceId;
    const auto path = findDeviceDatabase();
    if (path.empty()) return NoDatabase;

    SQLite::Database db(path.string(), SQLite::OPEN_READONLY);
    std::string query = "select PARTNAME, WRITEFLASHBLOCKSIZE, ERASEFLASHBLOCKSIZE, STARTFLASH, ENDFLASH,"
                        "STARTEE, ENDEE, STARTUSER, ENDUSER, STARTCONFIG, ENDCONFIG, STARTGPR, ENDGPR,"
                        "BYTESPERWORDFLASH, FAMILYID, DEVICEROWID\nfrom DEVICES\nwhere DEVICEID = :deviceId";
    if (family != Family::Any) query += " and FAMILYID = :familyId";
    SQLite::Statement devices(db, query);
    devices.bind(":deviceId", static_cast<std::int64_t>(deviceId));
    if (family != Family::Any) devices.bind(":familyId", static_cast<std::int64_t>(family));
    if (!devices.executeStep()) return NoSuchDevice;

    device.partName = devices.getColumn(0).getString();
    device.writeBlockSize = column(devices, 1);
    device.eraseBlockSize = column(devices, 2);
    device.flashStart = column(devices, 3);
    device.flashEnd = column(devices, 4);
    device.eepromStart = column(devices, 5);
    device.eepromEnd = column(devices, 6);
    device.userIdStart = column(devices, 7);
    device.userIdEnd = column(devices, 8);
    device.configStart = column(devices, 9);
    device.configEnd = column(devices, 10);
    device.ramStart = column(devices, 11);
    device.ramEnd = column(devices, 12);
    device.bytesPerWordFlash = column(devices, 13);
    device.familyId = static_cast<Family>(column(devices, 14));
    const auto deviceRowId = devices.getColumn(15).getInt64();
    device.applyFamilyValues();

    SQLite::Statement words(
        db, "select ROWID, CONFIGNAME, ADDRESS, DEFAULTVALUE, IMPLEMENTEDBITS\nfrom CONFIGWORDS\n"
            "where DEVICEROWID = :deviceRowId\norder by ADDRESS");
    words.bind(":deviceRowId", deviceRowId);
    while (words.executeStep()) {
        ConfigWord word;
        word.rowId = column(words, 0);
        word.name = words.getColumn(1).getString();
        word.address = column(words, 2);
        word.defaultValue = column(words, 3);
        word.implementedBits = column(words, 4);
        device.configWords.push_back(std::move(word));
    }

    // Rows that name no word or field of this device have no place in the
    // record and are passed over.
    SQLite::Statement fields(db, "select ROWID, FIELDCNAME, DESCRIPTION, CONFIGWORDID\nfrom CONFIGFIELDS\n"
                                 "where DEVICEROWID = :deviceRowId\norder by CONFIGWORDID");
    fields.bind(":deviceRowId", deviceRowId);
    ConfigWord* word = nullptr;
    while (fields.executeStep()) {
        const auto wordId = column(fields, 3);
        if (!word || word->rowId != wordId) {
            word = nullptr;
            for (auto& candidate : device.configWords)
                if (candidate.rowId == wordId) word = &candidate;
        }
        if (!word) continue;
        ConfigField field;
        field.rowId = column(fields, 0);
        field.cname = fields.getColumn(1).getString();
        field.description = fields.getColumn(2).getString();
        word->fields.push_back(std::move(field));
    }

    SQLite::Statement settings(
        db, "select SETTINGCNAME, DESCRIPTION, BITMASK, BITVALUE, CONFIGFIELDID\n"
            "from CONFIGSETTINGS\nwhere DEVICEROWID = :deviceRowId\norder by CONFIGFIELDID");
    settings.bind(":deviceRowId", deviceRowId);
    ConfigField* field = nullptr;
    while (settings.executeStep()) {
        const auto fieldId = column(settings, 4);
        if (!field || field->rowId != fieldId) {
            field = nullptr;
            for (auto& candidateWord : device.configWords)
                for (auto& candidate : candidateWord.fields)
                    if (candidate.rowId == fieldId) field = &candidate;
        }
        if (!field) continue;
        ConfigSetting setting;
        setting.cname = settings.getColumn(0).getString();
        setting.description = settings.getColumn(1).getString();
        setting.bitMask = column(settings, 2);
        setting.bitValue = column(settings, 3);
        field->settings.push_back(std::move(setting));
    }
    return DeviceFound;
}

} // namespace AN1310
