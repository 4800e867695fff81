#pragma once
// The four RVX64 variants, told apart by bits 6-7 of the low byte of the
// identification word, and the firmware image key of each.
#include <array>
#include <cstdint>

namespace RVX::rvx64 {

struct Variant {
    const char* part_number;
    std::uint8_t position_bits;
    bool zero; // has the zero-set command
    std::uint8_t model_code_low;
};

// Indexed by the variant code; the code is also the key of the variant's image.
inline constexpr std::array<Variant, 4> variants = {{
    {"RVX64xA", 12, true, 0xF9},
    {"RVX64xC", 12, false, 0xFB},
    {"RVX64xB", 14, true, 0xFA},
    {"RVX64xD", 14, false, 0xFC},
}};

inline constexpr std::uint8_t variant_code(std::uint16_t identification) {
    return static_cast<std::uint8_t>((identification >> 6) & 0x03);
}

} // namespace RVX::rvx64
