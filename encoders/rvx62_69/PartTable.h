#pragma once
// The parts of the RVX62 and RVX69 absolute encoders and how their four
// shared firmware images are keyed.
#include <cstdint>

namespace RVX {

struct Rvx62Part {
    std::uint8_t model_code;
    const char* part_number;
    std::uint8_t position_bits;
    bool zero;
    const char* picture; // name for model_picture()
};

inline constexpr Rvx62Part rvx62Parts[] = {
    {0xC8, "RVX622A", 12, true, "RVX62"},    {0xC9, "RVX622B", 14, true, "RVX62"},
    {0xCA, "RVX622C", 12, false, "RVX62"},   {0xCB, "RVX622D", 14, false, "RVX62"},
    {0xCC, "RVX623A", 12, true, "RVX62-2"},  {0xCD, "RVX623B", 14, true, "RVX62-2"},
    {0xCE, "RVX623C", 12, false, "RVX62-2"}, {0xCF, "RVX623D", 14, false, "RVX62-2"},
};

inline constexpr Rvx62Part rvx69Parts[] = {
    {0x46, "RVX692A", 12, true, "RVX69"},           {0x47, "RVX692B", 14, true, "RVX69"},
    {0x48, "RVX692C", 12, false, "RVX69"},          {0x49, "RVX692D", 14, false, "RVX69"},
    {0x4A, "RVX693A", 12, true, "RVX69"},           {0x4B, "RVX693B", 14, true, "RVX69"},
    {0x4C, "RVX693C", 12, false, "RVX69"},          {0x4D, "RVX693D", 14, false, "RVX69"},
    {0x55, "RVX692 Prototype", 12, false, "RVX69"},
};

inline constexpr std::uint8_t rvx62LatestFirmware = 0x04;

// Both models run the same images, carried once under this name and keyed by
// the position bits in the high nibble and 1 for the parts that can be zeroed
// (0xC1: 12 bits, with zero).
inline constexpr const char* rvx62_69Images = "RVX62_69";
constexpr std::uint32_t rvx62_69_image_key(std::uint8_t bits, bool zero) {
    return std::uint32_t{bits} << 4 | std::uint32_t{zero};
}

} // namespace RVX
