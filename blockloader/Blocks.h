#pragma once
// How an image divides into the bootloader's blocks.
#include "Hexldr.h"

#include <cstddef>
#include <cstdint>

namespace hexldr {

constexpr std::size_t blockBytes = 64;
constexpr std::uint32_t wordsPerBlock = 32;
// The encoder's block buffer (RAM 0x0120 to 0x015F) is filled and read back
// in four pieces, named by the low byte of their address.
constexpr std::uint8_t bufferPieces[] = {0x20, 0x30, 0x40, 0x50};
constexpr std::size_t pieceBytes = 16;
// Word addresses travel as four hex digits.
constexpr std::uint32_t maxBlocks = 0x10000 / wordsPerBlock;

inline std::uint32_t wordAddress(std::uint32_t block) {
    return block * wordsPerBlock;
}

// The number of whole blocks; throws "Invalid image size" (status: the image
// length) when there is none or more than maxBlocks.
std::uint32_t blockCount(Image image);

} // namespace hexldr
