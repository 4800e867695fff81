#pragma once
// The parts of the RVX65 and RVX68 absolute encoders, the RS-485 rates of the
// RVX65 and how their firmware images are keyed.
#include <array>
#include <cstdint>

namespace RVX {

struct Rvx65Part {
    std::uint8_t model_code;
    const char* part_number;
    std::uint8_t position_bits;
    bool multi_turn; // reports turns; the single-turn parts can be zeroed instead
    bool fixed_rate; // runs at 2000000 baud and takes firmware updates
    std::uint8_t latest_firmware;
    const char* picture; // name for model_picture()
};

inline constexpr Rvx65Part rvx65Parts[] = {
    {0xC0, "RVX652A", 12, false, true, 0x16, "RVX65"},
    {0xC1, "RVX652B", 14, false, true, 0x16, "RVX65"},
    {0xC2, "RVX652C", 12, true, true, 0x16, "RVX65"},
    {0xC3, "RVX652D", 14, true, true, 0x16, "RVX65"},
    {0xC4, "RVX653A", 12, false, true, 0x16, "RVX65-2"},
    {0xC5, "RVX653B", 14, false, true, 0x16, "RVX65-2"},
    {0xC6, "RVX653C", 12, true, true, 0x16, "RVX65-2"},
    {0xC7, "RVX653D", 14, true, true, 0x16, "RVX65-2"},
    {0xF1, "RVX652E", 12, false, false, 0x1B, "RVX65-2"},
    {0xF2, "RVX652F", 14, false, false, 0x1B, "RVX65-2"},
    {0xF3, "RVX652G", 12, true, false, 0x1B, "RVX65-2"},
    {0xF4, "RVX652H", 14, true, false, 0x1B, "RVX65-2"},
    {0xF5, "RVX653E", 12, false, false, 0x1B, "RVX65-2"},
    {0xF6, "RVX653F", 14, false, false, 0x1B, "RVX65-2"},
    {0xF7, "RVX653G", 12, true, false, 0x1B, "RVX65-2"},
    {0xF8, "RVX653H", 14, true, false, 0x1B, "RVX65-2"},
};

struct Rvx68Part {
    std::uint8_t model_code;
    const char* part_number;
    std::uint8_t position_bits;
    const char* picture;
};

inline constexpr Rvx68Part rvx68Parts[] = {
    {0xD0, "RVX682A", 12, "RVX68"},
    {0xD1, "RVX682B", 14, "RVX68"},
    {0xD4, "RVX683A", 12, "RVX68-2"},
    {0xD5, "RVX683B", 14, "RVX68-2"},
};
inline constexpr std::uint8_t rvx68LatestFirmware = 0x11;

// The RS-485 rates of the RVX65, by the index the encoder keeps at 0x83.
inline constexpr std::array<std::uint32_t, 5> rvx65BaudRates = {2000000, 115200, 38400, 19200, 9600};
inline constexpr std::uint32_t rvx65FixedRate = 2000000;

// RVX65 images: position bits in the top nibble, 1 below it for the
// multi-turn parts, the baud rate in the rest (0xC1002580: 12 bits,
// multi-turn, 9600). RVX68 images: the position bits.
constexpr std::uint32_t rvx65_image_key(std::uint8_t bits, bool multiTurn, std::uint32_t baud) {
    return std::uint32_t{bits} << 28 | std::uint32_t{multiTurn} << 24 | baud;
}
constexpr std::uint32_t rvx68_image_key(std::uint8_t bits) {
    return bits;
}

} // namespace RVX
