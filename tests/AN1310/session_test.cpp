// Whole re-flashes through BootloadSession against the bench's PIC bootloader
// model, one part per family: what the user reads, and what the chip holds.
#include "SessionBench.h"

#include <regex>

using namespace an1310test;

namespace {

struct Family {
    const char* name;
    const char* part;
    std::uint32_t imageBytes;
    std::map<std::string, std::string> options;
};

class Reflash : public ::testing::TestWithParam<Family> {
protected:
    PicBench pic{GetParam().part, GetParam().options};
    LogCapture logs;

    std::vector<std::uint32_t> flashWords() {
        std::vector<std::uint32_t> words;
        for (auto a = pic.part().flashStart; a < pic.part().flashEnd; a += pic.part().unitsPerWord())
            words.push_back(pic.chip().flashWord(a));
        return words;
    }

    // The chip holds the image everywhere but in the words the host moves:
    // the reset jump now enters the bootloader, and the application's own
    // jump sits below it. The bootloader itself is as it was; so are family
    // 5's vector tables, which keep pointing at the bootloader's jump slots.
    void expectChipHolds(const std::string& hex, const std::vector<std::uint32_t>& before) {
        const auto& part = pic.part();
        const auto& chip = pic.chip();
        sim::PicChip expected(part);
        expected.programHex(hex);
        const auto bs = pic.device->bootloader().bootloaderStart();
        const auto be = pic.device->bootloader().bootloaderEnd();
        const auto unit = part.unitsPerWord();
        const bool remapped = bs != 0; // else the bootloader sits outside program flash (family 8)
        const std::uint32_t resetWords = !remapped ? 0 : part.family == 2 ? 3 : 2;
        const std::uint32_t savedWords = !remapped ? 0 : part.family == 2 ? 5 : 2;
        const auto vectorPageEnd =
            part.flashStart + (part.family == 5 ? std::max(part.eraseBlock, 512u) : 0u);
        const auto configStart = part.configInsideFlash() ? part.flashEnd - part.eraseBlock : part.flashEnd;
        const auto isVector = [&](std::uint32_t a) {
            return part.family == 5 && a >= 4 && a < 0x200 && a != 0x100 && a != 0x102;
        };
        std::size_t index = 0, compared = 0;
        for (auto a = part.flashStart; a < part.flashEnd; a += unit, ++index) {
            if ((a >= bs && a < be) || a >= configStart || isVector(a)) {
                ASSERT_EQ(before[index], chip.flashWord(a)) << std::hex << "untouchable word at " << a;
            } else if (a >= vectorPageEnd && a >= part.flashStart + resetWords * unit &&
                       (a < bs - savedWords * unit || a >= bs)) {
                ASSERT_EQ(expected.flashWord(a), chip.flashWord(a)) << std::hex << "flash at " << a;
                ++compared;
            }
        }
        EXPECT_GT(compared, 0u);
        for (std::uint32_t i = 0; i < chip.eepromSize(); ++i)
            ASSERT_EQ(expected.eeprom(i), chip.eeprom(i)) << "EEPROM " << i;
        if (!remapped) return;
        const auto entry = part.family == 2 ? bs + 3 : part.family == 5 ? bs : bs + 2;
        const auto jump = tools::resetJump(part.family, entry);
        for (std::uint32_t i = 0; i < jump.size() && i < resetWords; ++i)
            EXPECT_EQ(jump[i], chip.flashWord(part.flashStart + i * unit)) << "reset word " << i;
        const auto savedAt = bs - savedWords * unit;
        const std::uint32_t first = part.family == 2 ? 1 : 0; // family 2 saves a MOVWF PCLATH first
        if (part.family == 2) {
            EXPECT_EQ(0x018Au, chip.flashWord(savedAt));
        }
        for (std::uint32_t i = 0; i < 2; ++i)
            EXPECT_EQ(expected.flashWord(part.flashStart + i * unit),
                      chip.flashWord(savedAt + (i + first) * unit))
                << "saved application jump word " << i;
    }

    bool statusMatches(const std::string& pattern) const {
        const std::regex re(pattern);
        return std::any_of(logs.status.begin(), logs.status.end(),
                           [&](const std::string& line) { return std::regex_match(line, re); });
    }
};

TEST_P(Reflash, AFreshChipThenARunningApplication) {
    const auto& part = pic.part();
    const auto before = flashWords();
    const auto first = applicationHex(part, 1, GetParam().imageBytes);
    runSession(*pic.link, first);
    expectChipHolds(first, before);
    EXPECT_EQ(1u, pic.device->applicationStarts());
    EXPECT_EQ(0u, pic.stats().protectedHits)
        << "no erase or write reached the bootloader or the configuration";
    EXPECT_EQ(0u, pic.stats().outOfRange + pic.stats().malformed + pic.stats().badChecksums +
                      pic.stats().overflows);
    const auto requests = [&](std::uint8_t code) {
        return pic.stats().requests.count(code) ? pic.stats().requests.at(code) : 0;
    };
    EXPECT_EQ(part.family != 2 || GetParam().options.count("erase"), requests(0x03) > 0) << "erase requests";
    EXPECT_EQ(part.family == 8, requests(0x0B) > 0) << "whole-flash erase announced";

    // What the user reads: the bootloader answered the first STX, so no reset.
    EXPECT_TRUE(logs.warnings.empty()) << logs.warnings.front();
    ASSERT_GE(logs.status.size(), 4u);
    EXPECT_EQ("Connecting...", logs.status[0]);
    EXPECT_FALSE(logs.hasStatus("Resetting device..."));
    EXPECT_EQ("Bootloader Firmware v1.05", logs.status[2]);
    EXPECT_EQ(part.family == 2 ? std::string(part.name)
                               : fmt::format("{} Revision {:X}", part.name, part.revision),
              logs.status[3])
        << "family 2 sends its ID in the information block, without revision";
    const std::string eeprom = part.eepromEnd > part.eepromStart ? R"(, EEPROM \d+ms)" : "";
    EXPECT_TRUE(statusMatches(R"(Erasing \([0-9A-F]+ to [0-9A-F]+\])"));
    EXPECT_TRUE(statusMatches(R"(Erase device complete \(\d+ms\))"));
    EXPECT_TRUE(statusMatches(R"(Write complete \(FLASH \d+ms)" + eeprom + R"(\))"));
    EXPECT_TRUE(statusMatches(R"(Verify success \(FLASH \d+ms)" + eeprom + R"(\))"));

    // The application now runs and ignores the line: the session resets the
    // chip into its bootloader with the break held. The smaller image proves
    // the rest of the old one was erased.
    logs.clear();
    const auto second = applicationHex(part, 2, GetParam().imageBytes / 2);
    runSession(*pic.link, second);
    expectChipHolds(second, before);
    EXPECT_TRUE(logs.hasStatus("Resetting device..."));
    EXPECT_EQ(2u, pic.device->applicationStarts());
    EXPECT_LE(logs.warnings.size(), 11u);
    for (const auto& warning : logs.warnings)
        EXPECT_EQ(0u, warning.rfind("Timed out waiting for sync, sending another STX.", 0)) << warning;
}

INSTANTIATE_TEST_SUITE_P(Families, Reflash,
                         ::testing::Values(Family{"PIC16F886", "PIC16F886", 4000, {}},
                                           Family{"PIC16F886_erase", "PIC16F886", 3000, {{"erase", "1"}}},
                                           Family{"PIC18F2620", "PIC18F2620", 20000, {}},
                                           Family{"PIC24FJ64GA002", "PIC24FJ64GA002", 12000, {}},
                                           Family{"PIC32MX360F512L", "PIC32MX360F512L", 16000, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
