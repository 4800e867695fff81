// Generates the simulation firmware set listed in manifest.txt: one image per
// line, Intel HEX for the AN1310 models' chips and binary for the block
// bootloader, each with its own seeded code, the marked parameter block the
// bench encoder reads after a re-flash (every name=value of its line), and
// for HEX images the firmware's EEPROM defaults.
//
// Usage: rvx-firmware-set <manifest> <output folder>
#include "tools/lib/BlockImage.h"
#include "tools/lib/FirmwareParameters.h"
#include "tools/lib/HexGenerator.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

struct Line {
    std::string model, key, format, path;
    fwparams::Parameters parameters;
};

std::uint64_t seedOf(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (const unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

// Program-memory word of the RS-485 node address, per block-bootloader model.
const std::map<std::string, std::size_t> nodeAddressWords = {{"RVX64", 0x0E00}};

// The RVX46-line encoders' chip: PIC18F2620, bootloader at 0xFC00.
std::string rvx46LineImage(const Line& line) {
    constexpr std::uint32_t flashEnd = 0x10000, bootloaderStart = 0xFC00;
    constexpr std::uint32_t eepromStart = 0xF00000, eepromSize = 0x400;
    constexpr std::uint32_t entry = 0x0040, parameterBlock = 0x0100;
    const auto& p = line.parameters;
    const auto version = p.get("version"), resolution = p.get("resolution");

    tools::HexImageRecipe recipe;
    recipe.part = {4, 0, flashEnd, eepromStart, eepromStart + eepromSize};
    recipe.seed = seedOf(line.model + line.key);
    recipe.entry = entry;
    // About 19 kB of code: with the EEPROM records, some 57 kB of HEX text.
    const std::uint32_t codeEnd = entry + 19420 + (resolution % 16) * 2;
    recipe.code.push_back({entry, std::min(codeEnd, bootloaderStart)});
    recipe.blocks.push_back({parameterBlock, fwparams::encode(p)});

    // The firmware's EEPROM defaults; the identity bytes are left blank for
    // the factory station (and the programming host) to fill in.
    recipe.eeprom.assign(eepromSize, 0xFF);
    recipe.eeprom[0x81] = static_cast<std::uint8_t>(version);
    recipe.eeprom[0x82] = static_cast<std::uint8_t>(resolution >> 8);
    recipe.eeprom[0x83] = static_cast<std::uint8_t>(resolution);
    recipe.eeprom[0x84] = static_cast<std::uint8_t>(p.get("poles"));
    recipe.eeprom[0x85] = static_cast<std::uint8_t>(p.get("ccw"));
    recipe.eeprom[0x86] = 0x00; // zero offset
    recipe.eeprom[0x87] = 0x00;
    recipe.eeprom[0x8B] = 0x00; // no errors
    recipe.eeprom[0x8C] = 0x00; // nothing blocked
    recipe.eeprom[0xF1] = 0x1F; // every check on
    return tools::generateHex(recipe);
}

// The absolute encoders of the terse dialect: RVX65 and RVX68 on a PIC18F2620
// (bootloader at 0xFC00), RVX62 and RVX69 on a PIC16F886 (bootloader at word
// 0x1E00), whose images are about 10 000 characters of HEX.
struct TerseChip {
    tools::HexPart part;
    std::uint32_t bootloaderStart;
    std::uint32_t entry, parameterBlock; // in the part's address units
    std::uint32_t codeUnits;
};
constexpr TerseChip pic18f2620{{4, 0, 0x10000, 0xF00000, 0xF00400}, 0xFC00, 0x0040, 0x0100, 7000};
constexpr TerseChip pic16f886{{2, 0, 0x2000, 0x2100, 0x2200}, 0x1E00, 0x0010, 0x0400, 1500};

std::string terseLineImage(const Line& line, const TerseChip& chip) {
    const auto& p = line.parameters;
    tools::HexImageRecipe recipe;
    recipe.part = chip.part;
    recipe.seed = seedOf(line.model + line.key);
    recipe.entry = chip.entry;
    const std::uint32_t codeEnd = chip.entry + chip.codeUnits + (p.get("baud") % 7) * 2;
    recipe.code.push_back({chip.entry, std::min(codeEnd, chip.bootloaderStart - 8)});
    recipe.blocks.push_back({chip.parameterBlock, fwparams::encode(p)});

    // The firmware's EEPROM defaults: the identity and the baud-rate index
    // blank for the station to fill in, node address 0, no zero offset, and
    // the version (which the RVX62/69 station never writes).
    recipe.eeprom.assign(0x100, 0xFF);
    recipe.eeprom[0x81] = static_cast<std::uint8_t>(p.get("version"));
    recipe.eeprom[0xC0] = 0x00;
    recipe.eeprom[0xF8] = 0x00;
    recipe.eeprom[0xF9] = 0x00;
    return tools::generateHex(recipe);
}

// Block-bootloader images: 113 blocks of 64 bytes of 14-bit words: a start
// jump, seeded code, and the parameter block as a RETLW table after the
// bootloader's own first bytes (program memory keeps 14 bits a word, so raw
// bytes would not survive the flash).
std::string blockImage(const Line& line) {
    tools::BlockImageRecipe recipe;
    recipe.seed = seedOf(line.model + line.key);
    recipe.codeEnd = 0x1000;
    recipe.data.push_back({0x0000, {0x31, 0x80, 0x28, 0x10}}); // MOVLP 0, GOTO 0x0010
    recipe.data.push_back({0x0040, tools::retlwTable(fwparams::encode(line.parameters))});
    // The RS-485 node address a fresh image brings, a RETLW at the word where
    // the model's firmware (and the bootloader's read-back) finds it.
    const auto word = nodeAddressWords.find(line.model);
    if (word != nodeAddressWords.end() && line.parameters.values.count("address")) {
        const std::uint8_t address[] = {static_cast<std::uint8_t>(line.parameters.get("address"))};
        recipe.data.push_back({2 * word->second, tools::retlwTable(address)});
    }
    const auto bytes = tools::generateBlockImage(recipe);
    return std::string(bytes.begin(), bytes.end());
}

// The chip and layout of each model's HEX images.
const std::map<std::string, std::function<std::string(const Line&)>> hexProfiles = {
    {"RVX46", rvx46LineImage},
    {"RVX47", rvx46LineImage},
    {"RVX84", rvx46LineImage},
    {"RVX86", rvx46LineImage},
    {"RVX65", [](const Line& line) { return terseLineImage(line, pic18f2620); }},
    {"RVX68", [](const Line& line) { return terseLineImage(line, pic18f2620); }},
    {"RVX62_69", [](const Line& line) { return terseLineImage(line, pic16f886); }},
};

std::string image(const Line& line) {
    if (line.format == "bin") return blockImage(line);
    if (line.format != "hex") throw std::runtime_error("unknown image format " + line.format);
    const auto profile = hexProfiles.find(line.model);
    if (profile == hexProfiles.end()) throw std::runtime_error("no simulation chip for model " + line.model);
    return profile->second(line);
}

Line parse(const std::string& text) {
    std::istringstream fields(text);
    Line line;
    if (!(fields >> line.model >> line.key >> line.format >> line.path))
        throw std::runtime_error("malformed manifest line: " + text);
    line.parameters.model = line.model;
    for (std::string pair; fields >> pair;) {
        const auto equals = pair.find('=');
        if (equals == std::string::npos || equals == 0)
            throw std::runtime_error("expected name=value, got \"" + pair + "\" in: " + text);
        line.parameters.values[pair.substr(0, equals)] =
            static_cast<std::uint32_t>(std::stoul(pair.substr(equals + 1), nullptr, 0));
    }
    return line;
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
            const Line line = parse(text);
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
