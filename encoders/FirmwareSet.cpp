#include "FirmwareSet.h"

#include "firmware_images.h"
#include "firmware_manifest.h"

#include <map>
#include <sstream>
#include <string>

#ifndef VANTIX_SIMULATION_FIRMWARE
#error "VANTIX_SIMULATION_FIRMWARE must be defined by the build"
#endif

namespace RVX::firmware {

namespace {
using Key = std::pair<std::string, std::uint32_t>;

// The manifest, embedded with the images: one line per image,
// "<model> <key> <path> ..." (further columns are for the generator).
const std::map<Key, FirmwareImage>& table() {
    static const auto images = [] {
        std::map<Key, FirmwareImage> result;
        const auto manifest = embedded::firmware_manifest("manifest.txt");
        std::istringstream lines(std::string(manifest.begin(), manifest.end()));
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string model, key, path;
            if (!(fields >> model >> key >> path)) continue;
            const auto bytes = embedded::firmware_images(path);
            if (bytes.empty()) continue;
            result[{model, static_cast<std::uint32_t>(std::stoul(key, nullptr, 0))}] =
                FirmwareImage(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        return result;
    }();
    return images;
}
} // namespace

FirmwareImage find(std::string_view model, std::uint32_t key) {
    const auto it = table().find({std::string(model), key});
    return it == table().end() ? FirmwareImage{} : it->second;
}

std::size_t count(std::string_view model) {
    std::size_t n = 0;
    for (const auto& [key, image] : table())
        n += key.first == model;
    return n;
}

bool simulation_images() {
    return VANTIX_SIMULATION_FIRMWARE != 0;
}

} // namespace RVX::firmware
