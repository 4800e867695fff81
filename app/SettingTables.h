#pragma once
// The labels of the configuration rows and the widest texts they show, for
// the flows that fill the rows and the layout that must fit them.
#include "flows/SettingValues.h"

#include <array>

namespace vantix {

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
