#pragma once
// A bench with one bare PIC behind the AN1310 bootloader model, images made by
// the HEX generator for its part, and the checks that the chip holds an image.
#include "Support.h"
#include "sim/pic/PicBootloaderDevice.h"
#include "tools/lib/HexGenerator.h"

#include <map>

namespace an1310test {

// Where applicationHex puts its code: after the bootloader when it sits low
// (family 5), else near the start of flash.
inline std::uint32_t codeStart(const sim::PicPart& part) {
    if (part.bootloaderStart != 0 && part.bootloaderStart < part.flashEnd / 2)
        return part.bootloaderStart + part.bootloaderSize;
    return part.flashStart + 16 * part.unitsPerWord();
}

// An application image of about `bytes` program bytes for the part, placed
// clear of the bootloader, with EEPROM data where the part has EEPROM.
inline std::string applicationHex(const sim::PicPart& part, std::uint64_t seed, std::uint32_t bytes,
                                  bool resetGoto = true) {
    tools::HexImageRecipe recipe;
    recipe.part = {part.family, part.flashStart, part.flashEnd, part.eepromStart, part.eepromEnd};
    recipe.seed = seed;
    recipe.resetGoto = resetGoto;
    const auto units = bytes / part.bytesPerWord() * part.unitsPerWord();
    const auto bootloaderEnd = part.bootloaderStart + part.bootloaderSize;
    // Code after the bootloader when it sits low (family 5), else from near the start.
    const std::uint32_t start = part.bootloaderStart != 0 && part.bootloaderStart < part.flashEnd / 2
                                    ? bootloaderEnd
                                    : part.flashStart + 16 * part.unitsPerWord();
    recipe.code = {{start, start + units}};
    if (part.eepromEnd > part.eepromStart)
        for (unsigned i = 0; i < 64; ++i)
            recipe.eeprom.push_back(static_cast<std::uint8_t>(seed * 31 + i * 7));
    return tools::generateHex(recipe);
}

struct PicBench {
    sim::BenchGuard bench;
    sim::Module* module = nullptr;
    sim::PicBootloaderDevice* device = nullptr;
    std::unique_ptr<UartLink> link;

    explicit PicBench(const std::string& part, std::map<std::string, std::string> options = {},
                      sim::LineModel line = sim::LineModel::Instant)
        : bench(std::make_shared<sim::Bench>(line)) {
        options["part"] = part;
        module = &bench->add("pic-bootloader", sim::ModelOptions(options));
        device = &module->device<sim::PicBootloaderDevice>();
        link = std::make_unique<UartLink>(0);
        link->setBaudRate(115200);
        link->setDataCharacteristics(8, 0, 0);
        link->setTimeouts(300, 300);
        link->setFlowControl(0, 0, 0);
        link->setDtr(true);
    }

    sim::PicChip& chip() { return device->chip(); }
    const sim::PicPart& part() { return chip().part(); }
    std::uint32_t bootloaderStart() { return device->bootloader().bootloaderStart(); }
    std::uint32_t bootloaderEnd() { return device->bootloader().bootloaderEnd(); }

    std::vector<std::uint32_t> flashWords() {
        std::vector<std::uint32_t> words;
        for (auto a = part().flashStart; a < part().flashEnd; a += part().unitsPerWord())
            words.push_back(chip().flashWord(a));
        return words;
    }
};

} // namespace an1310test
