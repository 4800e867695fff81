#include "VersionNumber.h"

#include <fmt/format.h>

#include <charconv>

namespace vantix {

namespace {
constexpr std::string_view blanks = " \t\r\n";
}

std::optional<VersionNumber> parseVersion(std::string_view text) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);

    VersionNumber version{};
    const char* at = text.data();
    const char* const end = at + text.size();
    for (std::size_t i = 0; i < version.size(); ++i) {
        if (i > 0 && (at == end || *at++ != '.')) return std::nullopt;
        // For an unsigned type from_chars takes digits alone (no sign, no blank) and reports overflow.
        const auto [next, error] = std::from_chars(at, end, version[i]);
        if (error != std::errc()) return std::nullopt;
        at = next;
    }
    if (at != end) return std::nullopt;
    return version;
}

std::string formatVersion(const VersionNumber& version) {
    return fmt::format("{}.{}.{}.{}", version[0], version[1], version[2], version[3]);
}

} // namespace vantix
