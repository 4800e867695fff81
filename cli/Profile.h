#pragma once
// A settings profile for `apply`: one model and its settings, as lines of
// NAME = VALUE, with # comments:
//     model = RVX46
//     resolution = 2000
//     firmware = latest      (optional: update older firmware first)
#include "flows/Settings.h"

#include <string>

namespace vantix::cli {

struct Profile {
    std::string model;
    SettingsSet settings;
    bool latestFirmware = false;
};

// Reads a profile's text; `origin` names it in messages. Throws a usage
// Failure naming the line for anything it cannot take.
Profile readProfile(const std::string& text, const std::string& origin);
// Reads a profile file; a file that cannot be read is a usage Failure too.
Profile readProfileFile(const std::string& path);

} // namespace vantix::cli
