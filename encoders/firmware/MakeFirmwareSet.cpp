// Generates the simulation firmware set listed in manifest.txt: one Intel HEX
// image per line for the bench encoders' chip (PIC18F2620, bootloader at
// 0xFC00), each with its own seeded code, the marked parameter block the bench
// encoder reads after a re-flash, and the firmware's EEPROM defaults.
//
// Usage: rvx-firmware-set <manifest> <output folder>
#include "tools/lib/FirmwareParameters.h"
#include "tools/lib/HexGenerator.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr std::uint32_t flashEnd = 0x10000, bootloaderStart = 0xFC00;
constexpr std::uint32_t eepromStart = 0xF00000, eepromSize = 0x400;
constexpr std::uint32_t entry = 0x0040, parameterBlock = 0x0100;

struct Line {
    std::string model, key, path;
    unsigned version = 0, resolution = 0, poles = 0, direction = 0;
};

std::uint64_t seedOf(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (const unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string image(const Line& line) {
    tools::HexImageRecipe recipe;
    recipe.part = {4, 0, flashEnd, eepromStart, eepromStart + eepromSize};
    recipe.seed = seedOf(line.model + line.key);
    recipe.entry = entry;
    // About 19 kB of code: with the EEPROM records, some 57 kB of HEX text.
    const std::uint32_t codeEnd = entry + 19420 + (line.resolution % 16) * 2;
    recipe.code.push_back({entry, std::min(codeEnd, bootloaderStart)});
    const auto block = fwparams::encode({line.model, static_cast<std::uint8_t>(line.version),
                                         static_cast<std::uint16_t>(line.resolution),
                                         static_cast<std::uint8_t>(line.poles), line.direction == 1});
    recipe.blocks.push_back({parameterBlock, {block.begin(), block.end()}});

    // The firmware's EEPROM defaults; the identity bytes are left blank for
    // the factory station (and the programming host) to fill in.
    recipe.eeprom.assign(eepromSize, 0xFF);
    recipe.eeprom[0x81] = static_cast<std::uint8_t>(line.version);
    recipe.eeprom[0x82] = static_cast<std::uint8_t>(line.resolution >> 8);
    recipe.eeprom[0x83] = static_cast<std::uint8_t>(line.resolution);
    recipe.eeprom[0x84] = static_cast<std::uint8_t>(line.poles);
    recipe.eeprom[0x85] = static_cast<std::uint8_t>(line.direction);
    recipe.eeprom[0x86] = 0x00; // zero offset
    recipe.eeprom[0x87] = 0x00;
    recipe.eeprom[0x8B] = 0x00; // no errors
    recipe.eeprom[0x8C] = 0x00; // nothing blocked
    recipe.eeprom[0xF1] = 0x1F; // every check on
    return tools::generateHex(recipe);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <manifest> <output folder>\n", argv[0]);
        return 2;
    }
    try {
        std::ifstream manifest(argv[1]);
        if (!manifest) throw std::runtime_error(std::string("cannot read ") + argv[1]);
        const std::filesystem::path out = argv[2];
        int count = 0;
        for (std::string text; std::getline(manifest, text);) {
            if (text.empty() || text[0] == '#') continue;
            std::istringstream fields(text);
            Line line;
            std::string version;
            if (!(fields >> line.model >> line.key >> line.path >> version >> line.resolution >> line.poles >>
                  line.direction))
                throw std::runtime_error("malformed manifest line: " + text);
            line.version = static_cast<unsigned>(std::stoul(version, nullptr, 0));
            const auto path = out / line.path;
            std::filesystem::create_directories(path.parent_path());
            std::ofstream file(path, std::ios::binary | std::ios::trunc);
            file << image(line);
            if (!file) throw std::runtime_error("cannot write " + path.string());
            ++count;
        }
        std::printf("%d firmware images in %s\n", count, argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rvx-firmware-set: %s\n", e.what());
        return 1;
    }
    return 0;
}
