#include "Crc16.h"

#include <array>

namespace AN1310 {

namespace {
constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t value = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            value = static_cast<std::uint16_t>((value & 0x8000) ? (value << 1) ^ 0x1021 : value << 1);
        table[i] = value;
    }
    return table;
}
constexpr auto table = makeTable();
} // namespace

std::uint16_t crc16Update(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>((crc << 8) ^ table[((crc >> 8) ^ byte) & 0xFF]);
}

std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
    for (auto byte : bytes)
        crc = crc16Update(crc, byte);
    return crc;
}

} // namespace AN1310
