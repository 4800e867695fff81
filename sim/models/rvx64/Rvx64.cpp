#include "Rvx64.h"

#include <cmath>
#include <fmt/format.h>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace sim {

namespace {
using namespace std::chrono_literals;

constexpr std::uint8_t modelId = 0x35;
constexpr auto eepromWriteTime = 8ms, rowWriteTime = 4ms;
constexpr std::uint8_t retlw = 0x34;

struct Variant {
    char letter;
    std::uint8_t code; // bits 6-7 of the identification word's low byte
    unsigned positionBits;
    bool zeroes;
};
constexpr Variant variants[] = {
    {'A', 0, 12, true}, {'C', 1, 12, false}, {'B', 2, 14, true}, {'D', 3, 14, false}};

const Variant& variantOfCode(std::uint32_t code) {
    for (const auto& v : variants)
        if (v.code == code) return v;
    return variants[0];
}

constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::array<std::uint8_t, 6>& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const unsigned group = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            text.push_back(alphabet[(group >> shift) & 0x3F]);
    }
    return text;
}

} // namespace

Rvx64::Rvx64(const ModelOptions& options) : BlockEncoder("RVX64", {2000000, false}, options) {
    const auto letter = options.get("variant", "A");
    const Variant* variant = nullptr;
    for (const auto& v : variants)
        if (letter.size() == 1 && letter[0] == v.letter) variant = &v;
    if (!variant) throw std::invalid_argument("option variant must be A, B, C or D");
    const auto datecode = options.number("datecode", 3326, 0, 9999);
    const auto days = static_cast<std::uint16_t>(options.number("days", 8500) & 0xFFFF);
    recordText_ = base64({0xB3, static_cast<std::uint8_t>(datecode / 100),
                          static_cast<std::uint8_t>(datecode % 100), options.byte("station", 0x01),
                          static_cast<std::uint8_t>(days), static_cast<std::uint8_t>(days >> 8)});
    if (options.has("record")) {
        recordText_ = options.get("record");
        if (recordText_.size() != 8) throw std::invalid_argument("option record needs eight characters");
    }
    options_ = options.number("termination", 0) != 0 ? terminationBit : 0;
    rpm_ = options.rpm(30);
    shaft_ = static_cast<std::uint16_t>(options.number("shaft", 0) % countsPerTurn);
    manufacture({"RVX64", {{"version", options.byte("fw", 7)}, {"variant", variant->code}}}, 64);
    writeNodeAddress(options.byte("address", 0x10));
}

std::uint8_t Rvx64::variant() const {
    return static_cast<std::uint8_t>(firmware() ? firmware()->get("variant") & 3 : 0);
}

std::uint8_t Rvx64::nodeAddress() {
    return chip().programMemory()[2 * addressWord + 1];
}

void Rvx64::writeNodeAddress(std::uint8_t address) {
    const std::size_t row = addressWord * 2 / BlockChip::rowBytes;
    const auto old = chip().row(row);
    std::array<std::uint8_t, BlockChip::rowBytes> bytes{};
    std::copy(old.begin(), old.end(), bytes.begin());
    const std::size_t at = addressWord * 2 % BlockChip::rowBytes;
    bytes[at] = retlw;
    bytes[at + 1] = address;
    chip().eraseRow(row);
    chip().programRow(row, bytes);
}

std::optional<std::array<std::uint8_t, 6>> Rvx64::record() const {
    std::array<std::uint8_t, 6> bytes{};
    unsigned group = 0;
    for (std::size_t i = 0; i < recordText_.size(); ++i) {
        const auto at = alphabet.find(recordText_[i]);
        if (at == std::string_view::npos) return std::nullopt;
        group = group << 6 | static_cast<unsigned>(at);
        if (i % 4 == 3)
            for (int k = 0; k < 3; ++k)
                bytes[i / 4 * 3 + static_cast<std::size_t>(k)] =
                    static_cast<std::uint8_t>(group >> (16 - 8 * k));
    }
    return bytes;
}

std::uint16_t Rvx64::shaftAt(Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now.time_since_epoch()).count();
    const double turns = seconds * rpm_ / 60.0;
    const auto counts = static_cast<long long>(std::floor((turns - std::floor(turns)) * countsPerTurn));
    return static_cast<std::uint16_t>((counts + shaft_) % countsPerTurn);
}

std::optional<BlockEncoder::Reply> Rvx64::command(const std::string& line, Port& port) {
    const bool unlocked = std::exchange(unlocked_, false);
    const Variant& v = variantOfCode(variant());
    const bool options = version() >= 7;
    if (line == "i") return Reply{fmt::format("{:02X}{:02X}\n", modelId, v.code << 6 | (version() & 0x0F))};
    if (line == "p") {
        const auto position = (shaftAt(port.now()) + countsPerTurn - zeroOffset_) % countsPerTurn;
        return Reply{fmt::format("{:04X}\n", v.positionBits == 12 ? position & 0x3FFC : position)};
    }
    if (line == "o" && options) return Reply{fmt::format("{:02X}\n", options_)};
    if ((line == "S1" || line == "S0") && options) {
        options_ =
            static_cast<std::uint8_t>(line == "S1" ? options_ | terminationBit : options_ & ~terminationBit);
        busyFor(eepromWriteTime, port);
    } else if (line == "0" && v.zeroes) {
        zeroOffset_ = shaftAt(port.now());
    } else if (line.size() == 3 && line[0] == 'A') {
        if (const auto address = hexAt(line, 1, 2)) {
            writeNodeAddress(static_cast<std::uint8_t>(*address));
            busyFor(rowWriteTime, port);
        }
    } else if (line == "XQW") {
        unlocked_ = true;
        return Reply{"*\n"};
    } else if (line == "c") {
        return Reply{unlocked ? "c" + recordText_ + "\r\n" : "!\n"};
    } else if (line.size() == 9 && line[0] == 'C') {
        if (!unlocked) return Reply{"!\n"};
        recordText_ = line.substr(1);
        return Reply{"*\n", eepromWriteTime};
    }
    return std::nullopt;
}

} // namespace sim
