#pragma once
// The maker's web pages behind the link buttons, and the about text.
#include "VersionNumber.h"
#include "encoders/WebHost.h"

#include <string>

namespace vantix {

// The maker's web host, shared with the drivers' data-sheet addresses.
inline constexpr const char* makerWebHost = RVX_MAKER_WEB_HOST;

// The program's version, also the local version of the update check.
inline constexpr VersionNumber versionNumbers{3, 0, 0, 0};

// The full address of a path on the maker's host; full addresses pass unchanged.
std::string makerUrl(const std::string& pathOrUrl);

// The three lines under the logo.
const std::string& aboutText();

} // namespace vantix
