#pragma once
// A scratch working directory holding a copy of the delivered devices.db, so
// a test can change rows (or break the file) without touching the real one.
#include "AN1310/AN1310.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace an1310test {

class ScratchDatabase {
public:
    ScratchDatabase() : previous_(std::filesystem::current_path()) {
        const auto delivered = std::filesystem::absolute(AN1310::findDeviceDatabase());
        std::string pattern = (std::filesystem::temp_directory_path() / "an1310-db-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        std::filesystem::current_path(dir_);
        std::filesystem::copy_file(delivered, "devices.db");
    }
    ~ScratchDatabase() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    void exec(const std::string& sql) { SQLite::Database("devices.db", SQLite::OPEN_READWRITE).exec(sql); }

private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

} // namespace an1310test
