#pragma once
// Shared pieces of the bootloader host tests: capture of the log sinks, a link
// to the bench, devices shaped like a part of each family, Intel HEX records as
// real tools write them, and a scratch copy of the delivered devices.db.
#include "AN1310/AN1310.h"
#include "sim/Bench.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <algorithm>
#include <filesystem>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace an1310test {

using AN1310::Bytes;

// Catches status lines and warnings, silences debug lines, and puts the defaults back afterwards.
class LogCapture {
public:
    LogCapture() {
        AN1310::debugLog = [](const std::string&) {};
        AN1310::statusLog = [this](const std::string& line) { status.push_back(line); };
        AN1310::warningLog = [this](const std::string& line) { warnings.push_back(line); };
    }
    ~LogCapture() {
        AN1310::debugLog = saved_[0], AN1310::statusLog = saved_[1], AN1310::warningLog = saved_[2];
    }
    bool hasStatus(const std::string& line) const { return std::count(status.begin(), status.end(), line); }
    void clear() { status.clear(), warnings.clear(); }

    std::vector<std::string> status, warnings;

private:
    const AN1310::LogSink saved_[3] = {AN1310::debugLog, AN1310::statusLog, AN1310::warningLog};
};

// A link to the bench's first module, at the bootloader's 115200 baud.
inline std::unique_ptr<UartLink> openLink() {
    auto link = std::make_unique<UartLink>(0);
    link->setBaudRate(115200);
    link->setTimeouts(300, 300);
    return link;
}

// The message of the AN1310::OtherException `f` throws.
template <class F> std::string thrownBy(F&& f) {
    try {
        f();
    } catch (const AN1310::OtherException& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// A device record shaped like a common part of the family (PIC16F886,
// PIC18F2620, PIC24FJ64GA002), without a database.
inline AN1310::Device testDevice(AN1310::Family family) {
    using AN1310::Family;
    AN1310::Device d; // write and erase blocks of 64 and 1024 bytes, 2 bytes a word
    d.familyId = family;
    if (family == Family::PIC16)
        d.eraseBlockSize = 32, d.writeBlockSize = 8, d.flashEnd = 0x2000, d.eepromStart = 0x2100,
        d.eepromEnd = 0x2200;
    if (family == Family::PIC18)
        d.flashEnd = 0x10000, d.eepromStart = 0xF00000, d.eepromEnd = 0xF00400, d.ramEnd = 0xF00;
    if (family == Family::PIC24)
        d.bytesPerWordFlash = 3, d.eraseBlockSize = 512, d.flashEnd = 0xAC00, d.ramStart = 0x800,
        d.ramEnd = 0x2800;
    d.applyFamilyValues();
    return d;
}

// One Intel HEX record as assemblers write it: upper case, CRLF.
inline std::string hexRecord(int type, std::uint16_t address, const std::vector<std::uint8_t>& data) {
    std::string line = fmt::format(":{:02X}{:04X}{:02X}", data.size(), address, type);
    unsigned sum = unsigned(data.size()) + (address >> 8) + (address & 0xFF) + unsigned(type);
    for (auto byte : data) {
        line += fmt::format("{:02X}", byte);
        sum += byte;
    }
    return line + fmt::format("{:02X}\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

// A scratch working directory holding a copy of the delivered devices.db, so
// a test can change rows (or break the file) without touching the real one.
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
