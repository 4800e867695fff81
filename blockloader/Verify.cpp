#include "Blocks.h"
#include "Hexldr.h"

#include <array>
#include <fmt/format.h>
#include <stdexcept>

namespace hexldr {

namespace {

// Image offsets the encoder keeps to itself: its bootloader's vectors below,
// the application vector and what the bootloader stores beside it above.
constexpr std::size_t firstCompared = 0x0010, endCompared = 0x1C20;
// Sixteen "HH " cells; the last cell's space is not needed.
constexpr std::size_t minReadBack = 3 * pieceBytes - 1, maxReadBack = 256;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::array<std::uint8_t, pieceBytes> readBackValues(const std::string& reply) {
    if (reply.size() < minReadBack || reply.size() > maxReadBack)
        throw std::out_of_range(
            fmt::format("Block read-back reply of {} characters, 48 expected", reply.size()));
    std::array<std::uint8_t, pieceBytes> values{};
    for (std::size_t k = 0; k < pieceBytes; ++k) {
        const int high = hexDigit(reply[3 * k]), low = hexDigit(reply[3 * k + 1]);
        if (high < 0 || low < 0) throw std::invalid_argument("Block read-back reply is not hexadecimal");
        values[k] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return values;
}

} // namespace

bool verifyImage(UartLink& link, Image image, StatusCallback callback) {
    const auto blocks = blockCount(image);
    loadBlock(link, blocks - 1);
    const auto vector = exchange(link, "j015C04");
    callback(fmt::format("appvec: {}", vector));
    if (vector.size() != 12) throw Exception("appvec error", static_cast<std::uint32_t>(vector.size()));

    bool same = true;
    for (std::uint32_t block = 0; block < blocks; ++block) {
        callback(fmt::format("Verify block {}/{}", block, blocks));
        loadBlock(link, block);
        std::size_t offset = block * blockBytes;
        for (const auto low : bufferPieces) {
            const auto values = readBackValues(exchange(link, fmt::format("j01{:02X}10", low)));
            for (const auto value : values) {
                if (offset >= firstCompared && offset < endCompared && value != image[offset]) {
                    callback(fmt::format("Verify failed at 0x{:2X}", offset));
                    same = false;
                }
                ++offset;
            }
        }
    }
    return same;
}

} // namespace hexldr
