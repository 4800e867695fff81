#include "encoders/rvx64/Base64.h"

namespace RVX::rvx64 {

namespace {
constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool in_alphabet(char c) {
    return alphabet.find(c) != std::string_view::npos;
}
} // namespace

std::string encode_base64(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < n ? bytes[i + k] : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text.push_back(k <= n ? alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> decode_base64(std::string_view text) {
    if (text.size() % 4 == 1) return std::nullopt;
    const std::size_t body = text.size() < 2 ? 0 : text.size() - 2;
    for (std::size_t i = 0; i < body; ++i)
        if (!in_alphabet(text[i])) return std::nullopt;
    if (text.size() >= 2) {
        const char a = text[body], b = text[body + 1];
        const bool pair = (in_alphabet(a) && (in_alphabet(b) || b == '=')) || (a == '=' && b == '=');
        if (!pair) return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : text) {
        if (c == '=') break;
        bits = bits << 6 | static_cast<std::uint32_t>(alphabet.find(c));
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> held));
        }
    }
    return bytes;
}

} // namespace RVX::rvx64
