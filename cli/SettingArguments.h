#pragma once
// Settings as the command line and profiles write them (resolution=2000
// poles=4 direction=cw|ccw address=0x08 baud=115200 termination=on|off):
// reading, checking against a connected encoder, and writing them back as
// text and JSON.
#include "flows/Settings.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace vantix::cli {

// Reads NAME=VALUE into `set`; throws a usage Failure for an unknown name, a
// value that is not one, or a setting given twice.
void readSettingArgument(SettingsSet& set, const std::string& argument);
SettingsSet readSettingArguments(const std::vector<std::string>& arguments);

// Why the encoder cannot take `wanted` (a setting it lacks, a value it does
// not offer); empty when it can.
std::string settingsProblem(RVX::Encoder& encoder, const SettingsSet& wanted);

// The settings of `wanted` that `read` holds differently, as
// "resolution reads 1000, 2000 was programmed"; empty when all match.
std::string verificationProblem(const SettingsSet& wanted, const SettingsSet& read);

// "resolution=2000 poles=4 direction=cw", in the order of settingNames.
std::string formatSettings(const SettingsSet& set);
std::string valueText(const SettingsSet& set, Setting setting);
nlohmann::ordered_json settingsJson(const SettingsSet& set);

} // namespace vantix::cli
