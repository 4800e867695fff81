#include "BlockChip.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

namespace {
constexpr std::uint8_t erasedHigh = 0x3F, erasedLow = 0xFF;
// MOVLP 0x0F, GOTO 0x0700 at the reset vector and the same into 0x0704 at the
// interrupt vector: both lead into the bootloader at 0x0F00.
constexpr std::array<std::uint8_t, BlockChip::ownBytes> bootloaderVectors = {
    0x31, 0x8F, 0x2F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x31, 0x8F, 0x2F, 0x04, 0x00, 0x00, 0x00, 0x00};

// Program words have 14 bits: the high byte keeps six.
std::uint8_t storable(std::size_t offset, std::uint8_t value) {
    return offset % 2 == 0 ? value & erasedHigh : value;
}

void erase(std::span<std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = i % 2 == 0 ? erasedHigh : erasedLow;
}
} // namespace

BlockChip::BlockChip(std::size_t rows) : memory_(rows * rowBytes) {
    if (rows == 0) throw std::invalid_argument("a block-bootloader chip needs at least one row");
    erase(memory_);
    std::copy(bootloaderVectors.begin(), bootloaderVectors.end(), memory_.begin());
}

std::span<const std::uint8_t> BlockChip::row(std::size_t index) const {
    return std::span(memory_).subspan(index * rowBytes, rowBytes);
}

bool BlockChip::keeps(std::size_t offset) const {
    return offset < ownBytes || offset >= memory_.size() - vectorBytes;
}

BlockChip::Vector BlockChip::applicationVector() const {
    Vector vector;
    std::copy(memory_.end() - vectorBytes, memory_.end(), vector.begin());
    return vector;
}

bool BlockChip::applicationIntact() const {
    const Vector erased = {erasedHigh, erasedLow, erasedHigh, erasedLow};
    return applicationVector() != erased;
}

void BlockChip::eraseRow(std::size_t index) {
    const auto start = index * rowBytes;
    for (std::size_t i = start; i < start + rowBytes; ++i)
        if (!keeps(i)) memory_[i] = i % 2 == 0 ? erasedHigh : erasedLow;
}

void BlockChip::programRow(std::size_t index, std::span<const std::uint8_t> bytes) {
    const auto start = index * rowBytes;
    for (std::size_t i = 0; i < std::min(bytes.size(), rowBytes); ++i)
        if (!keeps(start + i)) memory_[start + i] &= storable(i, bytes[i]);
}

void BlockChip::setApplicationVector(const Vector& vector) {
    const auto start = memory_.size() - vectorBytes;
    for (std::size_t i = 0; i < vectorBytes; ++i)
        memory_[start + i] = storable(i, vector[i]);
}

void BlockChip::eraseApplicationVector() {
    erase(std::span(memory_).last(vectorBytes));
}

void BlockChip::install(std::span<const std::uint8_t> image) {
    const auto whole = std::min(image.size() / rowBytes, rows()) * rowBytes;
    for (std::size_t i = 0; i < whole; ++i)
        if (!keeps(i)) memory_[i] = storable(i, image[i]);
    if (whole > 0) setApplicationVector({image[0], image[1], image[2], image[3]});
}

} // namespace sim
