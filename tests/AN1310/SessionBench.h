#pragma once
// A bench with one bare PIC behind the AN1310 bootloader model, images made by
// the HEX generator for its part, and a whole session run over them.
#include "Support.h"
#include "sim/pic/PicBootloaderDevice.h"
#include "tools/lib/HexGenerator.h"

#include <map>
#include <sstream>

namespace an1310test {

// Family 5: where the application's interrupt vectors point.
inline std::uint32_t interruptHandler(const sim::PicPart& part) {
    return part.bootloaderStart + part.bootloaderSize + 0x100;
}

// An application image of about `bytes` program bytes for the part, placed
// clear of the bootloader, with EEPROM data where the part has EEPROM.
inline std::string applicationHex(const sim::PicPart& part, std::uint64_t seed, std::uint32_t bytes,
                                  bool resetGoto = true) {
    tools::HexImageRecipe recipe;
    recipe.part = {int(part.family), part.flashStart, part.flashEnd, part.eepromStart, part.eepromEnd};
    recipe.seed = seed;
    recipe.resetGoto = resetGoto;
    // Code after the bootloader when it sits low (family 5), else near the start of flash.
    const auto start = part.bootloaderStart != 0 && part.bootloaderStart < part.flashEnd / 2
                           ? part.bootloaderStart + part.bootloaderSize
                           : part.flashStart + 16 * part.unitsPerWord();
    recipe.code = {{start, start + bytes / part.bytesPerWord() * part.unitsPerWord()}};
    if (part.family == sim::PicFamily::PIC24) recipe.interruptHandler = interruptHandler(part);
    if (part.eepromEnd > part.eepromStart)
        for (unsigned i = 0; i < 64; ++i)
            recipe.eeprom.push_back(static_cast<std::uint8_t>(seed * 31 + i * 7));
    return tools::generateHex(recipe);
}

// The re-flash a driver runs; `beforeStep` (given 0 to 3) may meddle before
// connect, erase, write and verify.
inline void runSession(
    UartLink& link, const std::string& hex, const std::function<void(int step)>& beforeStep = [](int) {}) {
    AN1310::BootloadSession session(link);
    session.run(hex, [&](AN1310::BootloadSession::Step step) { beforeStep(static_cast<int>(step)); });
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
        link = openLink();
    }

    sim::PicChip& chip() { return device->chip(); }
    const sim::PicPart& part() { return chip().part(); }
    const sim::BootloaderStats& stats() { return device->bootloader().stats(); }

    std::vector<std::uint32_t> flashWords() {
        std::vector<std::uint32_t> words;
        for (auto a = part().flashStart; a < part().flashEnd; a += part().unitsPerWord())
            words.push_back(chip().flashWord(a));
        return words;
    }

    // The chip holds the image everywhere but in the words the host moves:
    // the reset jump now enters the bootloader, and the application's own
    // jump sits below it. The bootloader itself is as it was; so are family
    // 5's vector tables, which keep pointing at the bootloader's jump slot,
    // which now jumps to the application's handler.
    void expectChipHolds(const std::string& hex, const std::vector<std::uint32_t>& before) {
        const auto& p = part();
        const auto& c = chip();
        const bool pic16 = p.family == sim::PicFamily::PIC16, pic24 = p.family == sim::PicFamily::PIC24;
        sim::PicChip expected(p);
        expected.programHex(hex);
        const auto bs = device->bootloader().bootloaderStart(), be = device->bootloader().bootloaderEnd();
        const auto unit = p.unitsPerWord();
        const bool remapped = bs != 0; // else the bootloader sits outside program flash (family 8)
        const std::uint32_t resetWords = !remapped ? 0 : pic16 ? 3 : 2;
        const std::uint32_t savedWords = !remapped ? 0 : pic16 ? 5 : 2;
        const auto vectorPageEnd = p.flashStart + (pic24 ? std::max(p.eraseBlock, 512u) : 0u);
        const auto configStart = p.configInsideFlash() ? p.flashEnd - p.eraseBlock : p.flashEnd;
        std::size_t index = 0, compared = 0;
        for (auto a = p.flashStart; a < p.flashEnd; a += unit, ++index) {
            const bool vector = pic24 && a >= 4 && a < 0x200 && a != 0x100 && a != 0x102;
            if ((a >= bs && a < be) || a >= configStart || vector) {
                ASSERT_EQ(before[index], c.flashWord(a)) << std::hex << "untouchable word at " << a;
            } else if (a >= vectorPageEnd && a >= p.flashStart + resetWords * unit &&
                       (a < bs - savedWords * unit || a >= bs)) {
                ASSERT_EQ(expected.flashWord(a), c.flashWord(a)) << std::hex << "flash at " << a;
                ++compared;
            }
        }
        EXPECT_GT(compared, 0u);
        if (pic24) {
            const auto slot = before[4 / unit] & 0xFFFE;
            EXPECT_EQ(0x040000u | interruptHandler(p), c.flashWord(slot)) << "GOTO handler in the slot";
            EXPECT_EQ(0u, c.flashWord(slot + 2));
        }
        for (std::uint32_t i = 0; i < c.eepromSize(); ++i)
            ASSERT_EQ(expected.eeprom(i), c.eeprom(i)) << "EEPROM " << i;
        if (!remapped) return;
        const auto jump = tools::resetJump(int(p.family), pic16 ? bs + 3 : pic24 ? bs : bs + 2);
        for (std::uint32_t i = 0; i < jump.size() && i < resetWords; ++i)
            EXPECT_EQ(jump[i], c.flashWord(p.flashStart + i * unit)) << "reset word " << i;
        const auto savedAt = bs - savedWords * unit;
        const std::uint32_t first = pic16 ? 1 : 0; // PIC16 saves a CLRF PCLATH first
        EXPECT_TRUE(!pic16 || c.flashWord(savedAt) == 0x018A) << "CLRF PCLATH";
        for (std::uint32_t i = 0; i < 2; ++i)
            EXPECT_EQ(expected.flashWord(p.flashStart + i * unit), c.flashWord(savedAt + (i + first) * unit))
                << "saved application jump word " << i;
    }
};

} // namespace an1310test
