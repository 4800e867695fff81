#include "Profile.h"

#include "Outcome.h"
#include "SettingArguments.h"

#include <fmt/format.h>

#include <fstream>
#include <sstream>

namespace vantix::cli {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

Profile readProfile(const std::string& text, const std::string& origin) {
    Profile profile;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    bool firmwareGiven = false;
    while (std::getline(in, line)) {
        ++number;
        const auto where = [&](const std::string& message) {
            return usageError(fmt::format("{}:{}: {}", origin, number, message));
        };
        const std::string content = trimmed(line.substr(0, line.find('#')));
        if (content.empty()) continue;
        const auto eq = content.find('=');
        if (eq == std::string::npos) throw where("expected NAME = VALUE, as resolution = 2000");
        const std::string name = trimmed(content.substr(0, eq)), value = trimmed(content.substr(eq + 1));
        if (name == "model") {
            if (!profile.model.empty()) throw where("model is given twice");
            profile.model = value;
        } else if (name == "firmware") {
            if (firmwareGiven) throw where("firmware is given twice");
            if (value != "latest" && value != "keep") throw where("firmware = latest or firmware = keep");
            firmwareGiven = true;
            profile.latestFirmware = value == "latest";
        } else {
            try {
                readSettingArgument(profile.settings, name + "=" + value);
            } catch (const Failure& e) {
                throw where(e.what());
            }
        }
    }
    if (profile.model.empty()) throw usageError(fmt::format("{}: no model = MODEL line", origin));
    if (profile.settings == SettingsSet{} && !profile.latestFirmware)
        throw usageError(fmt::format("{}: nothing to apply (no setting and no firmware = latest)", origin));
    return profile;
}

Profile readProfileFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw usageError(fmt::format("Unable to read the profile \"{}\"", path));
    std::ostringstream text;
    text << file.rdbuf();
    return readProfile(text.str(), path);
}

} // namespace vantix::cli
