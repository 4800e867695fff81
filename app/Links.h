#pragma once
// The maker's web pages behind the link buttons, and the about text.
#include <string>

namespace vantix {

// The maker's web host, for the link buttons and data sheets.
inline constexpr const char* makerWebHost = "https://www.rvx-encoders.example";

// The program's version, also the local version of the update check.
inline constexpr int versionNumbers[4] = {3, 0, 0, 0};

// The full address of a path on the maker's host; full addresses pass unchanged.
std::string makerUrl(const std::string& pathOrUrl);

// The three lines under the logo.
const std::string& aboutText();

} // namespace vantix
