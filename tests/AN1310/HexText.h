#pragma once
// Intel HEX text as assemblers and compilers write it: upper-case records
// with their checksums, CRLF line ends.
#include <algorithm>
#include <cstdint>
#include <fmt/format.h>
#include <string>
#include <vector>

namespace an1310test {

inline std::string hexRecord(int type, std::uint16_t address, const std::vector<std::uint8_t>& data) {
    std::string line = fmt::format(":{:02X}{:04X}{:02X}", data.size(), address, type);
    unsigned sum =
        static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + static_cast<unsigned>(type);
    for (auto byte : data) {
        line += fmt::format("{:02X}", byte);
        sum += byte;
    }
    return line + fmt::format("{:02X}\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

inline std::string linearAddress(std::uint16_t upper) {
    return hexRecord(4, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)});
}

// Data records of at most 16 bytes from `address` (a 32-bit HEX byte address),
// with the type-04 records real tools put at every 64 kB boundary.
inline std::string hexData(std::uint32_t address, const std::vector<std::uint8_t>& data,
                           std::uint32_t& upper) {
    std::string text;
    for (std::size_t i = 0; i < data.size();) {
        const auto at = address + static_cast<std::uint32_t>(i);
        if ((at >> 16) != upper) {
            upper = at >> 16;
            text += linearAddress(static_cast<std::uint16_t>(upper));
        }
        const std::size_t room =
            std::min<std::size_t>(std::min<std::size_t>(16, data.size() - i), 0x10000 - (at & 0xFFFF));
        const std::vector<std::uint8_t> part(data.begin() + static_cast<long>(i),
                                             data.begin() + static_cast<long>(i + room));
        text += hexRecord(0, static_cast<std::uint16_t>(at), part);
        i += room;
    }
    return text;
}

inline const char* hexEnd() {
    return ":00000001FF\r\n";
}

} // namespace an1310test
