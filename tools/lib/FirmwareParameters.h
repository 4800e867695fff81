#pragma once
// The parameter block of the simulation firmware images: a marked record in
// the image's flash that tells the bench encoder which firmware it runs. The
// generator writes it; the bench's encoder models find it after a re-flash.
//
// Layout (bytes): "RVXPARAM", model name (8 bytes, zero padded), version,
// resolution (low byte first, 2 bytes), pole count, direction (1 = counter-
// clockwise), then the sum of the 19 bytes before it, modulo 256.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fwparams {

inline constexpr std::string_view marker = "RVXPARAM";
inline constexpr std::size_t size = 8 + 8 + 1 + 2 + 1 + 1 + 1;

struct Parameters {
    std::string model;
    std::uint8_t version = 0;
    std::uint16_t resolution = 0;
    std::uint8_t poles = 0;
    bool counterClockwise = false;
};

inline std::array<std::uint8_t, size> encode(const Parameters& p) {
    std::array<std::uint8_t, size> bytes{};
    std::copy(marker.begin(), marker.end(), bytes.begin());
    for (std::size_t i = 0; i < 8 && i < p.model.size(); ++i)
        bytes[8 + i] = static_cast<std::uint8_t>(p.model[i]);
    bytes[16] = p.version;
    bytes[17] = static_cast<std::uint8_t>(p.resolution & 0xFF);
    bytes[18] = static_cast<std::uint8_t>(p.resolution >> 8);
    bytes[19] = p.poles;
    bytes[20] = p.counterClockwise ? 1 : 0;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + bytes[i]);
    bytes[size - 1] = sum;
    return bytes;
}

// The first intact block in `memory`, if any.
inline std::optional<Parameters> decode(std::span<const std::uint8_t> memory) {
    auto at = memory.begin();
    while (true) {
        at = std::search(at, memory.end(), marker.begin(), marker.end(),
                         [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
        if (at == memory.end() || memory.end() - at < static_cast<std::ptrdiff_t>(size)) return std::nullopt;
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i < size - 1; ++i)
            sum = static_cast<std::uint8_t>(sum + at[static_cast<long>(i)]);
        if (sum == at[size - 1]) {
            Parameters p;
            for (std::size_t i = 8; i < 16 && at[static_cast<long>(i)] != 0; ++i)
                p.model.push_back(static_cast<char>(at[static_cast<long>(i)]));
            p.version = at[16];
            p.resolution = static_cast<std::uint16_t>(at[17] | at[18] << 8);
            p.poles = at[19];
            p.counterClockwise = at[20] == 1;
            return p;
        }
        ++at;
    }
}

} // namespace fwparams
