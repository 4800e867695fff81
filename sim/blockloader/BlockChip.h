#pragma once
// The program memory of a chip that carries the block bootloader: rows of 64
// bytes, 32 program words of 14 bits each stored high byte first (an erased
// word reads 3F FF). The bootloader itself lives above program memory. Its
// reset and interrupt vectors fill the first 16 bytes, and the last four bytes
// hold the application vector, the application's own start jump; the rows the
// host sends never overwrite either. Application models that embed the chip
// run what its program memory holds.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

class BlockChip {
public:
    static constexpr std::size_t rowBytes = 64;
    static constexpr std::size_t ownBytes = 16;
    static constexpr std::size_t vectorBytes = 4;
    using Vector = std::array<std::uint8_t, vectorBytes>;

    // Blank program memory (no application) of `rows` rows; the images the
    // program carries fill 113.
    explicit BlockChip(std::size_t rows = 113);

    std::size_t rows() const { return memory_.size() / rowBytes; }
    std::span<const std::uint8_t> programMemory() const { return memory_; }
    std::span<const std::uint8_t> row(std::size_t index) const;
    Vector applicationVector() const;
    // The vector holds a start jump rather than erased words.
    bool applicationIntact() const;

    // Self-programming, as the bootloader uses it. Programming clears bits
    // only, as flash does (and the high byte of a word has six), so a row that was not erased first ends up
    // holding the AND of old and new; `bytes` may be shorter than a row (a write cut short). Both keep the
    // bootloader's bytes and the application vector.
    void eraseRow(std::size_t index);
    void programRow(std::size_t index, std::span<const std::uint8_t> bytes);
    void setApplicationVector(const Vector& vector);
    void eraseApplicationVector();

    // As the factory programmer does: the image's whole rows, the bootloader's
    // own first bytes, and the image's first four bytes as the application vector.
    void install(std::span<const std::uint8_t> image);

private:
    bool keeps(std::size_t offset) const;

    std::vector<std::uint8_t> memory_;
};

} // namespace sim
