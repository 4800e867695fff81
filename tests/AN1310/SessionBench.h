#pragma once
// A bench with one bare PIC behind the AN1310 bootloader model, images made by
// the HEX generator for its part, and a whole session run over them.
#include "Support.h"
#include "sim/pic/PicBootloaderDevice.h"
#include "tools/lib/HexGenerator.h"

#include <map>
#include <sstream>

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
    const auto start = codeStart(part);
    recipe.code = {{start, start + bytes / part.bytesPerWord() * part.unitsPerWord()}};
    if (part.eepromEnd > part.eepromStart)
        for (unsigned i = 0; i < 64; ++i)
            recipe.eeprom.push_back(static_cast<std::uint8_t>(seed * 31 + i * 7));
    return tools::generateHex(recipe);
}

// Connect, load, erase, write, verify and run, as a driver does.
inline void runSession(UartLink& link, const std::string& hex) {
    AN1310::BootloadSession session(link);
    std::istringstream in(hex);
    session.connect();
    session.loadImage(in);
    session.erase();
    session.write();
    session.verify();
    session.runApplication();
}

struct PicBench {
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    sim::Module* module = nullptr;
    sim::PicBootloaderDevice* device = nullptr;
    std::unique_ptr<UartLink> link;

    explicit PicBench(const std::string& part, std::map<std::string, std::string> options = {}) {
        options["part"] = part;
        module = &bench->add("pic-bootloader", sim::ModelOptions(options));
        device = &module->device<sim::PicBootloaderDevice>();
        link = std::make_unique<UartLink>(0);
        link->setBaudRate(115200);
        link->setTimeouts(300, 300);
    }

    sim::PicChip& chip() { return device->chip(); }
    const sim::PicPart& part() { return chip().part(); }
    const sim::BootloaderStats& stats() { return device->bootloader().stats(); }
};

} // namespace an1310test
