#pragma once
// What differs between the models of the RVX46 line (RVX46, RVX47 and the
// commutation models RVX84, RVX86): names, parts, versions and directions,
// and the line's EEPROM map and image keys.
#include <cstdint>
#include <span>

namespace RVX {

// One row of a model's identification table.
struct PartEntry {
    std::uint8_t model_code;
    const char* part_number;
    const char* picture; // name for model_picture()
};

struct LineModel {
    const char* name;
    std::uint8_t latest_firmware;
    bool counter_clockwise;
    std::span<const PartEntry> parts;
};

inline constexpr PartEntry rvx46Parts[] = {
    {0xE0, "RVX462S", "RVX46"},
    {0xE1, "RVX463S", "RVX46-2"},
    {0xE2, "RVX462Q", "RVX46"},
    {0xE3, "RVX463Q", "RVX46-2"},
};
inline constexpr PartEntry rvx47Parts[] = {
    {0xA0, "RVX472S", "RVX47"},
    {0xA1, "RVX473S", "RVX47-2"},
    {0xA2, "RVX472Q", "RVX47"},
    {0xA3, "RVX473Q", "RVX47-2"},
};
inline constexpr LineModel rvx46Model{"RVX46", 0x15, true, rvx46Parts};
inline constexpr LineModel rvx47Model{"RVX47", 0x19, false, rvx47Parts};

// EEPROM map of the line (echoing dialect).
namespace line_eeprom {
inline constexpr std::uint8_t station = 0x78;
inline constexpr std::uint8_t modelCode = 0x79;
inline constexpr std::uint8_t kept7A = 0x7A; // kept across a re-flash, not interpreted
inline constexpr std::uint8_t datecodeHundreds = 0x7B;
inline constexpr std::uint8_t datecodeUnits = 0x7C;
inline constexpr std::uint8_t kept7D = 0x7D; // kept across a re-flash, not interpreted
inline constexpr std::uint8_t programDate = 0x7E;
inline constexpr std::uint8_t firmwareVersion = 0x81;
inline constexpr std::uint8_t resolution = 0x82;
inline constexpr std::uint8_t poles = 0x84;     // commutation models
inline constexpr std::uint8_t direction = 0x85; // commutation models; 1 = counter-clockwise
inline constexpr std::uint8_t errorFlags = 0x8B;
inline constexpr std::uint8_t blockFlags = 0x8C;
inline constexpr std::uint8_t checkEnables = 0xF1;
} // namespace line_eeprom

// RVX46 and RVX47 images are keyed by resolution alone.
constexpr std::uint32_t resolution_key(std::uint16_t resolution) {
    return resolution;
}

} // namespace RVX
