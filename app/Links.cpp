#include "Links.h"

#include <fmt/format.h>

namespace vantix {

std::string makerUrl(const std::string& pathOrUrl) {
    if (pathOrUrl.starts_with("/")) return makerWebHost + pathOrUrl;
    return pathOrUrl;
}

const std::string& aboutText() {
    static const std::string text =
        fmt::format("RVX Vantix\nVersion {}\n\u00A9 2026 RVX Motion", formatVersion(versionNumbers));
    return text;
}

} // namespace vantix
