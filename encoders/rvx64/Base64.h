#pragma once
// The RVX64 record's text form: standard base64 (RFC 4648 alphabet, "="
// padding), with a strict decoder.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace RVX::rvx64 {

// Pads with "=" to a multiple of four characters.
std::string encode_base64(std::span<const std::uint8_t> bytes);

// Empty for a text whose length leaves 1 when divided by 4, with a character
// outside the alphabet before its last two, or whose last two are neither two
// alphabet characters, one and "=", nor "=="; decodes up to the first "=".
std::optional<std::vector<std::uint8_t>> decode_base64(std::string_view text);

} // namespace RVX::rvx64
