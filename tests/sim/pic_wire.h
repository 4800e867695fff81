#pragma once
// A hand-made host end of the AN1310 wire for the bootloader model's tests:
// frames requests byte by byte and unframes replies, without the host library.
#include "transport/UartLink.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace pictest {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t STX = 0x0F, ETX = 0x04, DLE = 0x05;

inline std::uint16_t crc16(const Bytes& data) {
    std::uint16_t crc = 0;
    for (const auto byte : data) {
        crc ^= std::uint16_t(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

inline void putEscaped(Bytes& out, std::uint8_t b) {
    if (b == STX || b == ETX || b == DLE) out.push_back(DLE);
    out.push_back(b);
}

// The bytes after the leading STX: escaped payload, checksum (low byte first), ETX.
inline Bytes frameBody(const Bytes& payload) {
    Bytes out;
    for (const auto b : payload)
        putEscaped(out, b);
    const auto crc = crc16(payload);
    putEscaped(out, std::uint8_t(crc));
    putEscaped(out, std::uint8_t(crc >> 8));
    out.push_back(ETX);
    return out;
}

inline Bytes request(std::uint8_t code, std::uint32_t address, std::uint32_t count, bool wideCount,
                     const Bytes& data = {}) {
    Bytes p = {code,
               std::uint8_t(address),
               std::uint8_t(address >> 8),
               std::uint8_t(address >> 16),
               std::uint8_t(address >> 24),
               std::uint8_t(count)};
    if (wideCount) p.push_back(std::uint8_t(count >> 8));
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

struct Wire {
    UartLink& link;

    // STX, wait for the bootloader's STX, then the rest. False when no STX came back.
    bool send(const Bytes& payload) {
        const std::uint8_t stx[] = {STX};
        link.write(stx);
        const auto echo = link.read(1);
        if (echo.size() != 1 || echo[0] != STX) return false;
        link.write(frameBody(payload));
        return true;
    }

    // Unescaped bytes up to ETX; nullopt when the line falls silent first.
    std::optional<Bytes> readRaw() {
        Bytes out;
        bool escaped = false;
        for (;;) {
            const auto chunk = link.read(1);
            if (chunk.empty()) return std::nullopt;
            const auto b = chunk[0];
            if (escaped) {
                out.push_back(b);
                escaped = false;
            } else if (b == DLE) {
                escaped = true;
            } else if (b == ETX) {
                return out;
            } else {
                out.push_back(b);
            }
        }
    }

    // A reply's payload with its checksum checked and removed.
    std::optional<Bytes> reply() {
        auto raw = readRaw();
        if (!raw || raw->size() < 2) return std::nullopt;
        const std::uint16_t got = std::uint16_t((*raw)[raw->size() - 2] | (*raw)[raw->size() - 1] << 8);
        raw->resize(raw->size() - 2);
        if (crc16(*raw) != got) return std::nullopt;
        return raw;
    }

    std::optional<Bytes> transact(const Bytes& payload) {
        if (!send(payload)) return std::nullopt;
        return reply();
    }
};

} // namespace pictest
