#include "SettingArguments.h"

#include "Outcome.h"
#include "flows/SettingValues.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

namespace vantix::cli {

namespace {

const char* nameOf(Setting setting) {
    for (const auto& entry : settingNames)
        if (entry.setting == setting) return entry.name;
    return "";
}

// A whole number, decimal or with 0x hexadecimal, up to `limit`.
std::uint64_t number(const std::string& name, const std::string& text, std::uint64_t limit) {
    std::string_view digits = text;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() || value > limit)
        throw usageError(fmt::format("{}={}: not a number {} can be", name, text, name));
    return value;
}

bool choice(const std::string& name, const std::string& text, const char* no, const char* yes) {
    if (text == no) return false;
    if (text == yes) return true;
    throw usageError(fmt::format("{}={}: give {}={} or {}={}", name, text, name, no, name, yes));
}

template <class Values> std::string listed(const Values& values) {
    std::string text;
    for (const auto& value : values)
        text += (text.empty() ? "" : ", ") + fmt::format("{}", value);
    return text;
}

} // namespace

void readSettingArgument(SettingsSet& set, const std::string& argument) {
    const auto eq = argument.find('=');
    if (eq == std::string::npos)
        throw usageError(
            fmt::format("\"{}\" is not a setting: give NAME=VALUE, as resolution=2000", argument));
    const std::string name = argument.substr(0, eq), text = argument.substr(eq + 1);
    const auto entry = std::find_if(settingNames.begin(), settingNames.end(),
                                    [&](const SettingName& known) { return name == known.name; });
    if (entry == settingNames.end()) {
        std::string known;
        for (const auto& setting : settingNames)
            known += (known.empty() ? "" : ", ") + std::string(setting.name);
        throw usageError(fmt::format("Unknown setting \"{}\" (settings: {})", name, known));
    }
    if (set.has(entry->setting)) throw usageError(fmt::format("{} is given twice", name));
    switch (entry->setting) {
    case Setting::Resolution:
        set.resolution = static_cast<std::uint16_t>(number(name, text, UINT16_MAX));
        break;
    case Setting::Poles:
        set.poles = static_cast<std::uint8_t>(number(name, text, UINT8_MAX));
        break;
    case Setting::Direction:
        set.counterClockwise = choice(name, text, "cw", "ccw");
        break;
    case Setting::Address:
        set.address = static_cast<std::uint8_t>(number(name, text, UINT8_MAX));
        break;
    case Setting::BaudRate:
        set.baudRate = static_cast<std::uint32_t>(number(name, text, UINT32_MAX));
        break;
    case Setting::Termination:
        set.termination = choice(name, text, "off", "on");
        break;
    }
}

SettingsSet readSettingArguments(const std::vector<std::string>& arguments) {
    SettingsSet set;
    for (const auto& argument : arguments)
        readSettingArgument(set, argument);
    return set;
}

std::string settingsProblem(RVX::Encoder& encoder, const SettingsSet& wanted) {
    const std::string part = encoder.part_number ? encoder.part_number : encoder.name();
    for (const auto& entry : settingNames) {
        if (!wanted.has(entry.setting) || offers(encoder, entry.setting)) continue;
        std::string offered;
        for (const auto& other : settingNames)
            if (offers(encoder, other.setting))
                offered += (offered.empty() ? "" : ", ") + std::string(other.name);
        return fmt::format("The {} has no {} setting (it has: {})", part, entry.name,
                           offered.empty() ? "none" : offered);
    }
    if (wanted.resolution && std::find(encoder.resolutions.begin(), encoder.resolutions.end(),
                                       *wanted.resolution) == encoder.resolutions.end())
        return fmt::format("The {} offers no resolution {} (resolutions: {})", part, *wanted.resolution,
                           listed(encoder.resolutions));
    if (wanted.poles && std::find(poleCounts.begin(), poleCounts.end(), *wanted.poles) == poleCounts.end())
        return fmt::format("poles={} is not offered (poles: {})", *wanted.poles, listed(poleCounts));
    if (wanted.address &&
        (*wanted.address % addressStep != 0 || *wanted.address / addressStep >= addressCount))
        return fmt::format("address=0x{:02X} is not offered (addresses: 0x00 to 0x{:02X} in steps of {})",
                           *wanted.address, (addressCount - 1) * addressStep, addressStep);
    if (wanted.baudRate && std::find(baudRates.begin(), baudRates.end(), *wanted.baudRate) == baudRates.end())
        return fmt::format("baud={} is not offered (baud rates: {})", *wanted.baudRate, listed(baudRates));
    return {};
}

std::string valueText(const SettingsSet& set, Setting setting) {
    switch (setting) {
    case Setting::Resolution:
        return set.resolution ? std::to_string(*set.resolution) : "";
    case Setting::Poles:
        return set.poles ? std::to_string(*set.poles) : "";
    case Setting::Direction:
        return set.counterClockwise ? (*set.counterClockwise ? "ccw" : "cw") : "";
    case Setting::Address:
        return set.address ? fmt::format("0x{:02X}", *set.address) : "";
    case Setting::BaudRate:
        return set.baudRate ? std::to_string(*set.baudRate) : "";
    case Setting::Termination:
        return set.termination ? (*set.termination ? "on" : "off") : "";
    }
    return {};
}

std::string verificationProblem(const SettingsSet& wanted, const SettingsSet& read) {
    std::string problem;
    for (const auto& entry : settingNames) {
        if (!wanted.has(entry.setting)) continue;
        const std::string want = valueText(wanted, entry.setting), got = valueText(read, entry.setting);
        if (want == got) continue;
        problem += fmt::format("{}{} reads {}, {} was programmed", problem.empty() ? "" : "; ", entry.name,
                               got.empty() ? "nothing" : got, want);
    }
    return problem;
}

std::string formatSettings(const SettingsSet& set) {
    std::string text;
    for (const auto& entry : settingNames)
        if (set.has(entry.setting))
            text += (text.empty() ? "" : " ") + std::string(entry.name) + "=" + valueText(set, entry.setting);
    return text;
}

nlohmann::ordered_json settingsJson(const SettingsSet& set) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    if (set.resolution) json[nameOf(Setting::Resolution)] = *set.resolution;
    if (set.poles) json[nameOf(Setting::Poles)] = *set.poles;
    if (set.counterClockwise) json[nameOf(Setting::Direction)] = valueText(set, Setting::Direction);
    if (set.address) json[nameOf(Setting::Address)] = *set.address;
    if (set.baudRate) json[nameOf(Setting::BaudRate)] = *set.baudRate;
    if (set.termination) json[nameOf(Setting::Termination)] = valueText(set, Setting::Termination);
    return json;
}

} // namespace vantix::cli
