#include "BlockImage.h"

#include <stdexcept>

namespace tools {

std::vector<std::uint8_t> generateBlockImage(const BlockImageRecipe& recipe) {
    if (recipe.size % 2 != 0 || recipe.codeEnd > recipe.size || recipe.codeEnd % 2 != 0)
        throw std::invalid_argument("block image: size and code end must be even, code inside the image");
    std::vector<std::uint8_t> image(recipe.size);
    for (std::size_t i = 0; i < image.size(); i += 2) {
        image[i] = 0x3F;
        image[i + 1] = 0xFF;
    }
    std::uint64_t state = recipe.seed * 6364136223846793005ull + 1442695040888963407ull;
    for (std::size_t i = 0; i < recipe.codeEnd; i += 2) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const auto word = static_cast<std::uint16_t>((state >> 33) & 0x3FFF);
        image[i] = static_cast<std::uint8_t>(word >> 8);
        image[i + 1] = static_cast<std::uint8_t>(word);
    }
    for (const auto& block : recipe.data) {
        if (block.offset > image.size() || block.bytes.size() > image.size() - block.offset)
            throw std::invalid_argument("block image: data outside the image");
        std::copy(block.bytes.begin(), block.bytes.end(), image.begin() + static_cast<long>(block.offset));
    }
    return image;
}

std::vector<std::uint8_t> retlwTable(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> words;
    words.reserve(2 * bytes.size());
    for (const auto byte : bytes) {
        words.push_back(0x34);
        words.push_back(byte);
    }
    return words;
}

} // namespace tools
