#pragma once
// The commutation models of the RVX46 line, and the keys of their images:
// one image per resolution, pole count and direction.
#include "encoders/rvx46_47/PartTable.h"

namespace RVX {

inline constexpr PartEntry rvx84Parts[] = {
    {0xE4, "RVX842S", "RVX84"},   {0xE5, "RVX843S", "RVX84-2"}, {0xE6, "RVX842Q", "RVX84-2"},
    {0xE7, "RVX843Q", "RVX84-2"}, {0xE8, "RVX842C", "RVX84"},   {0xE9, "RVX842D", "RVX84-2"},
};
inline constexpr PartEntry rvx86Parts[] = {
    {0xA4, "RVX862S", "RVX86"},
    {0xA5, "RVX863S", "RVX86-2"},
    {0xA6, "RVX862D", "RVX86"},
    {0xA7, "RVX863D", "RVX86-2"},
};
inline constexpr LineModel rvx84Model{"RVX84", 0x15, true, rvx84Parts};
inline constexpr LineModel rvx86Model{"RVX86", 0x19, false, rvx86Parts};

// Bits 8 and up the resolution, 1 to 7 the pole count, 0 the direction.
constexpr std::uint32_t commutation_key(std::uint16_t resolution, std::uint8_t poles, bool counterClockwise) {
    return static_cast<std::uint32_t>(resolution) * 256 + static_cast<std::uint32_t>(poles) * 2 +
           (counterClockwise ? 1 : 0);
}

} // namespace RVX
