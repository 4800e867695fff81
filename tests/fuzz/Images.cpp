#include "Images.h"

#include "blockloader/Blocks.h"
#include "sim/pic/PicPart.h"
#include "tools/lib/HexGenerator.h"

namespace fuzz {

const std::vector<std::string>& bootloaderImages() {
    static const std::vector<std::string> images = [] {
        std::vector<std::string> made;
        for (const auto& part : sim::picParts()) {
            tools::HexImageRecipe recipe;
            recipe.part = {static_cast<int>(part.family), part.flashStart, part.flashEnd, part.eepromStart,
                           part.eepromEnd};
            recipe.seed = made.size() + 1;
            // Two write blocks of code clear of the reset jump and of a
            // bootloader low in flash.
            const bool lowBootloader = part.bootloaderStart != 0 && part.bootloaderStart < part.flashEnd / 2;
            const auto start =
                (lowBootloader ? part.bootloaderStart + part.bootloaderSize : part.flashStart) +
                8 * part.writeBlock;
            recipe.code = {{start, start + 2 * part.writeBlock}};
            if (part.eepromEnd > part.eepromStart) recipe.eeprom = {0x10, 0x20, 0x30, 0x40};
            made.push_back(tools::generateHex(recipe));
        }
        return made;
    }();
    return images;
}

std::vector<std::uint8_t> blockImage(unsigned blocks) {
    // 14-bit program words, high byte first: a jump past the vectors, then code.
    std::vector<std::uint8_t> image(blocks * hexldr::blockBytes);
    for (std::size_t i = 0; i < image.size(); i += 2) {
        const auto word = i == 0 ? 0x3180u : i == 2 ? 0x2820u : (i * 0x1F3 + 0x2B9) & 0x3FFF;
        image[i] = static_cast<std::uint8_t>(word >> 8);
        image[i + 1] = static_cast<std::uint8_t>(word);
    }
    return image;
}

} // namespace fuzz
