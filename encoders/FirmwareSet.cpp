#include "encoders/FirmwareSet.h"

#include "firmware_images.h"
#include "firmware_manifest.h"
#include "transport/FtdiPlatform.h"

#include <fmt/format.h>

#include <map>
#include <sstream>
#include <string>

#ifndef VANTIX_SIMULATION_FIRMWARE
#error "VANTIX_SIMULATION_FIRMWARE must be defined by the build"
#endif

namespace RVX::firmware {

namespace {
using Key = std::pair<std::string, std::uint32_t>;

struct Entry {
    bool binary = false;
    std::span<const unsigned char> bytes;
};

// The manifest, embedded with the images: one line per image,
// "<model> <key> <format> <path> ..." (further fields are for the generator).
const std::map<Key, Entry>& table() {
    static const auto images = [] {
        std::map<Key, Entry> result;
        const auto manifest = embedded::firmware_manifest("manifest.txt");
        std::istringstream lines(std::string(manifest.begin(), manifest.end()));
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            std::string model, key, format, path;
            if (!(fields >> model >> key >> format >> path)) continue;
            const auto bytes = embedded::firmware_images(path);
            if (bytes.empty()) continue;
            result[{model, static_cast<std::uint32_t>(std::stoul(key, nullptr, 0))}] = {format == "bin",
                                                                                        bytes};
        }
        return result;
    }();
    return images;
}

const Entry* find(std::string_view model, std::uint32_t key) {
    const auto it = table().find({std::string(model), key});
    return it == table().end() ? nullptr : &it->second;
}
} // namespace

FirmwareImage hex(std::string_view model, std::uint32_t key) {
    const auto* entry = find(model, key);
    if (!entry || entry->binary) return {};
    return {reinterpret_cast<const char*>(entry->bytes.data()), entry->bytes.size()};
}

BinaryImage binary(std::string_view model, std::uint32_t key) {
    const auto* entry = find(model, key);
    if (!entry || !entry->binary) return {};
    return entry->bytes;
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

void refuse_on_hardware(const char* model) {
    if (simulation_images() && FTDI::platform().isHardware())
        throw Exception(fmt::format("This program carries firmware images for the simulated bench only; "
                                    "they are not sent to a real {} encoder",
                                    model),
                        0);
}

} // namespace RVX::firmware
