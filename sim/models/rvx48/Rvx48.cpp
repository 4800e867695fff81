#include "Rvx48.h"

#include <fmt/format.h>
#include <stdexcept>

namespace sim {

namespace {
using namespace std::chrono_literals;
constexpr std::uint8_t deviceId = 0x48;
constexpr auto eepromWriteTime = 8ms;

} // namespace

Rvx48::Rvx48(const ModelOptions& options) : BlockEncoder("RVX48", {applicationBaud, true}, options) {
    const auto datecode = options.number("datecode", 2318, 0, 9999);
    record_.modelCode = options.byte("code", 0xA5);
    record_.datecodeHigh = static_cast<std::uint8_t>(datecode / 100);
    record_.datecodeLow = static_cast<std::uint8_t>(datecode % 100);
    record_.station = options.byte("station", 0x01);
    record_.days = static_cast<std::uint16_t>(options.number("days", 8500) & 0xFFFF);
    resolutionCode_ = static_cast<std::uint8_t>(options.number("res", 7, 0, 15));
    manufacture({"RVX48", {{"version", options.byte("fw", 4)}}}, 48);
}

std::optional<BlockEncoder::Reply> Rvx48::command(const std::string& line, Port& port) {
    if (line == "i") return Reply{fmt::format("{:02X}{:02X}\n", deviceId, version())};
    if (line == "CR")
        return Reply{fmt::format("{:02X}{:02X}{:02X}{:02X}{:04X}\n", record_.modelCode, record_.datecodeHigh,
                                 record_.datecodeLow, record_.station, record_.days)};
    if (line == "r" && version() >= 4) return Reply{fmt::format("{:02X}\n", 0xF0 + resolutionCode_)};
    if (line.starts_with("CW") && line.size() == 14) {
        std::uint8_t bytes[4];
        for (std::size_t i = 0; i < 4; ++i) {
            const auto value = hexAt(line, 2 + 2 * i, 2);
            if (!value) return std::nullopt;
            bytes[i] = static_cast<std::uint8_t>(*value);
        }
        const auto days = hexAt(line, 10, 4);
        if (!days) return std::nullopt;
        record_ = {bytes[0], bytes[1], bytes[2], bytes[3], static_cast<std::uint16_t>(*days)};
        busyFor(eepromWriteTime, port);
        return std::nullopt;
    }
    if (line.starts_with("RF") && line.size() == 3) {
        if (const auto code = hexAt(line, 2, 1)) resolutionCode_ = static_cast<std::uint8_t>(*code);
        busyFor(eepromWriteTime, port);
    }
    return std::nullopt;
}

} // namespace sim
