#pragma once
// The values each setting may take, written once for the window's rows and
// the command line's checks.
#include <array>
#include <cstdint>

namespace vantix {

inline constexpr std::array<std::uint8_t, 7> poleCounts{2, 4, 6, 8, 10, 12, 20};
inline constexpr std::array<const char*, 2> directions{"Clockwise", "Counter-Clockwise"};
inline constexpr std::array<std::uint32_t, 4> baudRates{115200, 38400, 19200, 9600};
inline constexpr std::array<const char*, 2> terminations{"Disabled", "Enabled (120 Ohm)"};
inline constexpr int addressCount = 64; // 0x00 to 0xFC in steps of 4
inline constexpr int addressStep = 4;

} // namespace vantix
