#pragma once
// The texts and values the configuration rows offer, written once for the
// flows that fill the rows and the layout that must fit them.
#include <array>
#include <cstdint>

namespace vantix {

inline constexpr std::array<std::uint8_t, 7> poleCounts{2, 4, 6, 8, 10, 12, 20};
inline constexpr std::array<const char*, 2> directions{"Clockwise", "Counter-Clockwise"};
inline constexpr std::array<std::uint32_t, 4> baudRates{115200, 38400, 19200, 9600};
inline constexpr std::array<const char*, 2> terminations{"Disabled", "Enabled (120 Ohm)"};
inline constexpr int addressCount = 64; // 0x00 to 0xFC in steps of 4

namespace rowLabel {
inline constexpr const char* resolution = "Resolution: ";
inline constexpr const char* poles = "Poles: ";
inline constexpr const char* direction = "Direction: ";
inline constexpr const char* address = "Address: ";
inline constexpr const char* baudRate = "Baud Rate: ";
inline constexpr const char* termination = "Termination: ";
} // namespace rowLabel

// The widest texts a row shows, for fitting the rows into their cell.
inline constexpr std::array<const char*, 6> rowLabels{rowLabel::resolution, rowLabel::poles,
                                                      rowLabel::direction,  rowLabel::address,
                                                      rowLabel::baudRate,   rowLabel::termination};
inline constexpr std::array<const char*, 4> widestEntries{"Counter-Clockwise", "Enabled (120 Ohm)",
                                                          "115200 bps", "65535 PPR"};

} // namespace vantix
