#pragma once
// Binary program-memory images for the block bootloader, deterministic from
// their inputs: 14-bit program words stored high byte first (an erased word is
// 0x3F 0xFF), seeded code, and caller-supplied bytes at image offsets (such as
// a marked parameter block).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tools {

struct BlockImageRecipe {
    std::size_t size = 7232; // bytes: 113 blocks of 64
    std::uint64_t seed = 0;  // selects the code words
    std::size_t codeEnd = 0; // seeded code fills [0, codeEnd); the rest is erased
    struct Bytes {
        std::size_t offset = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Bytes> data; // wins over code
};

// Throws std::invalid_argument when a size, the code or a data block does not fit.
std::vector<std::uint8_t> generateBlockImage(const BlockImageRecipe& recipe);

// Constant bytes as 14-bit program memory holds them: a RETLW instruction
// (0x34 and the byte) for each, two image bytes a byte.
std::vector<std::uint8_t> retlwTable(std::span<const std::uint8_t> bytes);

} // namespace tools
