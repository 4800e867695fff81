#pragma once
// Four-part program versions such as 3.0.0.1: strict reading and text. Versions
// order as std::array does, component by component from the first.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantix {

using VersionNumber = std::array<std::uint32_t, 4>;

// Four dot-separated fields of plain decimal digits, each fitting 32 bits, with
// blanks allowed around the whole text. A sign, an empty or overflowing field,
// a missing field or anything after the fourth gives none.
std::optional<VersionNumber> parseVersion(std::string_view text);

// "3.0.0.1"
std::string formatVersion(const VersionNumber& version);

} // namespace vantix
