#pragma once
// An encoder's settings as one set, which of them its driver offers, and the
// sequence that programs a set: which accessors, in which order, a re-flash
// with its progress display, an unchanged baud rate left alone.
#include "flows/Conversation.h"

#include <array>
#include <cstdint>
#include <optional>

namespace vantix {

enum class Setting { Resolution, Poles, Direction, Address, BaudRate, Termination };

struct SettingName {
    Setting setting;
    const char* name; // as the command line and its JSON write it
};
inline constexpr std::array<SettingName, 6> settingNames{{{Setting::Resolution, "resolution"},
                                                          {Setting::Poles, "poles"},
                                                          {Setting::Direction, "direction"},
                                                          {Setting::Address, "address"},
                                                          {Setting::BaudRate, "baud"},
                                                          {Setting::Termination, "termination"}}};

// Each setting, or nothing for one that is not given (or not offered).
struct SettingsSet {
    std::optional<std::uint16_t> resolution; // pulses per revolution
    std::optional<std::uint8_t> poles;
    std::optional<bool> counterClockwise;
    std::optional<std::uint8_t> address;
    std::optional<std::uint32_t> baudRate;
    std::optional<bool> termination;

    bool has(Setting setting) const;
    bool operator==(const SettingsSet&) const = default;
};

// Whether the driver offers a setting, as the window decides its rows: the
// resolution, and with commutation the poles and direction; or, for an
// encoder without resolution, the address with its baud rate and termination.
bool offers(RVX::Encoder& encoder, Setting setting);

// What the encoder holds now, for every setting it offers.
SettingsSet readSettings(RVX::Encoder& encoder);

// Programs the settings given in `wanted` that the encoder offers; the others
// stay as they are. A commutation encoder is re-flashed with resolution, poles
// and direction together, the ones not given as the encoder holds them; a baud
// rate equal to the encoder's is not written. Re-flashes show a progress display.
void programSettings(RVX::Encoder& encoder, const SettingsSet& wanted, Conversation& conversation);

} // namespace vantix
