#pragma once
// The parameter block of the simulation firmware images: a marked record in
// the image's program memory that tells the bench encoder which firmware it
// runs (version, resolution, baud rate, ...). The generator writes it; the
// bench's encoder models find it after a re-flash.
//
// Layout (bytes): "RVXPARAM", model name (12 bytes, zero padded), the number of
// values n, then n times a name (12 bytes, zero padded) and a value (4 bytes,
// low byte first), then the sum of every byte before it, modulo 256.
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fwparams {

inline constexpr std::string_view marker = "RVXPARAM";
inline constexpr std::size_t nameSize = 12;
inline constexpr std::size_t headerSize = marker.size() + nameSize + 1;
inline constexpr std::size_t entrySize = nameSize + 4;

struct Parameters {
    std::string model;
    std::map<std::string, std::uint32_t> values;

    std::uint32_t get(const std::string& name, std::uint32_t fallback = 0) const {
        const auto it = values.find(name);
        return it == values.end() ? fallback : it->second;
    }
};

inline std::size_t encodedSize(std::size_t values) {
    return headerSize + values * entrySize + 1;
}

// Names and the model are cut to 12 characters; at most 255 values are kept.
inline std::vector<std::uint8_t> encode(const Parameters& p) {
    const std::size_t n = std::min<std::size_t>(p.values.size(), 255);
    std::vector<std::uint8_t> bytes(encodedSize(n), 0);
    std::copy(marker.begin(), marker.end(), bytes.begin());
    const auto putName = [&](std::size_t at, const std::string& name) {
        for (std::size_t i = 0; i < nameSize && i < name.size(); ++i)
            bytes[at + i] = static_cast<std::uint8_t>(name[i]);
    };
    putName(marker.size(), p.model);
    bytes[headerSize - 1] = static_cast<std::uint8_t>(n);
    std::size_t at = headerSize;
    for (const auto& [name, value] : p.values) {
        if (at + entrySize >= bytes.size()) break;
        putName(at, name);
        for (int i = 0; i < 4; ++i)
            bytes[at + nameSize + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        at += entrySize;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    bytes.back() = sum;
    return bytes;
}

// The first intact block in `memory`, if any.
inline std::optional<Parameters> decode(std::span<const std::uint8_t> memory) {
    const auto name = [](const std::uint8_t* at) {
        std::string text;
        for (std::size_t i = 0; i < nameSize && at[i] != 0; ++i)
            text.push_back(static_cast<char>(at[i]));
        return text;
    };
    for (auto at = memory.begin();; ++at) {
        at = std::search(at, memory.end(), marker.begin(), marker.end(),
                         [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
        const auto left = static_cast<std::size_t>(memory.end() - at);
        if (at == memory.end() || left < encodedSize(0)) return std::nullopt;
        const std::uint8_t* block = &*at;
        const std::size_t n = block[headerSize - 1];
        if (left < encodedSize(n)) continue;
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i + 1 < encodedSize(n); ++i)
            sum = static_cast<std::uint8_t>(sum + block[i]);
        if (sum != block[encodedSize(n) - 1]) continue;
        Parameters p;
        p.model = name(block + marker.size());
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t* entry = block + headerSize + k * entrySize;
            std::uint32_t value = 0;
            for (int i = 3; i >= 0; --i)
                value = value << 8 | entry[nameSize + static_cast<std::size_t>(i)];
            p.values[name(entry)] = value;
        }
        return p;
    }
}

} // namespace fwparams
