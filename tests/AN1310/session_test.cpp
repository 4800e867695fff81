// Whole re-flashes through BootloadSession against the bench's PIC bootloader
// model, one part per family: what the user reads, and what the chip holds.
#include "SessionBench.h"

#include <regex>
#include <sstream>

using namespace an1310test;

namespace {

struct Family {
    const char* part;
    std::uint32_t imageBytes;
};

class Reflash : public ::testing::TestWithParam<Family> {
protected:
    PicBench pic{GetParam().part};
    LogCapture logs;

    void runSession(const std::string& hex) {
        AN1310::BootloadSession session(*pic.link);
        std::istringstream in(hex);
        session.connect();
        session.loadImage(in);
        session.erase();
        session.write();
        session.verify();
        session.runApplication();
    }

    // The chip holds the image everywhere but in the words the host moves:
    // the reset jump now enters the bootloader, and the application's own
    // jump sits below it. The bootloader itself is as it was; so are family
    // 5's vector tables, which keep pointing at the bootloader's jump slots.
    void expectChipHolds(const std::string& hex, const std::vector<std::uint32_t>& before) {
        const auto& part = pic.part();
        sim::PicChip expected(part);
        expected.programHex(hex);
        const auto bs = pic.bootloaderStart(), be = pic.bootloaderEnd();
        const auto unit = part.unitsPerWord();
        const bool remapped = bs != 0;
        const std::uint32_t resetWords = part.family == 2 ? 3 : 2;
        const std::uint32_t savedWords = part.family == 2 ? 5 : 2;
        const auto vectorPageEnd = part.family == 5 ? std::max(part.eraseBlock, 512u) : 0u;
        const auto configStart = part.configInsideFlash() ? part.flashEnd - part.eraseBlock : part.flashEnd;
        const auto isVector = [&](std::uint32_t a) {
            return part.family == 5 && a >= 4 && a < 0x200 && a != 0x100 && a != 0x102;
        };

        std::size_t index = 0, compared = 0;
        for (auto a = part.flashStart; a < part.flashEnd; a += unit, ++index) {
            const auto word = pic.chip().flashWord(a);
            if ((a >= bs && a < be) || a >= configStart || isVector(a)) {
                ASSERT_EQ(before[index], word) << std::hex << "untouchable word at " << a;
                continue;
            }
            if (a < part.flashStart + vectorPageEnd) continue; // the bootloader's jump slots
            if (remapped &&
                (a < part.flashStart + resetWords * unit || (a >= bs - savedWords * unit && a < bs)))
                continue;
            ASSERT_EQ(expected.flashWord(a), word) << std::hex << "flash at " << a;
            ++compared;
        }
        EXPECT_GT(compared, 0u);
        if (remapped) {
            const auto entry = part.family == 2 ? bs + 3 : part.family == 5 ? bs : bs + 2;
            const auto jump = tools::resetJump(part.family, entry);
            for (std::uint32_t i = 0; i < jump.size() && i < resetWords; ++i)
                EXPECT_EQ(jump[i], pic.chip().flashWord(part.flashStart + i * unit)) << "reset word " << i;
            const auto savedAt = bs - savedWords * unit;
            const std::uint32_t first = part.family == 2 ? 1 : 0;
            if (part.family == 2) {
                EXPECT_EQ(0x018Au, pic.chip().flashWord(savedAt));
            }
            for (std::uint32_t i = 0; i + first < savedWords && i < 2; ++i)
                EXPECT_EQ(expected.flashWord(part.flashStart + i * unit),
                          pic.chip().flashWord(savedAt + (i + first) * unit))
                    << "saved application jump word " << i;
        }
        for (std::uint32_t i = 0; i < pic.chip().eepromSize(); ++i)
            ASSERT_EQ(expected.eeprom(i), pic.chip().eeprom(i)) << "EEPROM " << i;
    }
};

TEST_P(Reflash, AFreshChipThenARunningApplication) {
    const auto before = pic.flashWords();
    const auto first = applicationHex(pic.part(), 1, GetParam().imageBytes);
    runSession(first);
    expectChipHolds(first, before);
    EXPECT_FALSE(logs.hasStatus("Resetting device...")) << "the bootloader answered the first STX";
    EXPECT_EQ(1u, pic.device->applicationStarts());
    EXPECT_EQ("Connecting...", logs.status.front());
    const auto& stats = pic.device->bootloader().stats();
    EXPECT_EQ(0u, stats.protectedHits) << "no erase or write reached the bootloader or the configuration";
    EXPECT_EQ(0u, stats.outOfRange + stats.malformed + stats.badChecksums + stats.overflows);
    EXPECT_TRUE(logs.warnings.empty()) << logs.warnings.front();

    // The application now runs and ignores the line: the session resets the
    // chip into its bootloader with the break held.
    logs.clear();
    const auto second = applicationHex(pic.part(), 2, GetParam().imageBytes);
    runSession(second);
    expectChipHolds(second, before);
    EXPECT_TRUE(logs.hasStatus("Resetting device..."));
    EXPECT_EQ(2u, pic.device->applicationStarts());
    EXPECT_TRUE(logs.warnings.size() <= 11u);
    for (const auto& warning : logs.warnings)
        EXPECT_EQ(0u, warning.rfind("Timed out waiting for sync, sending another STX.", 0)) << warning;
}

TEST_P(Reflash, StatusLinesOfOneSession) {
    const auto hex = applicationHex(pic.part(), 3, 1024);
    runSession(hex);
    const auto& part = pic.part();
    const auto version = logs.status[2];
    EXPECT_EQ("Bootloader Firmware v1.05", version);
    const bool idInBlock = part.family == 2;
    EXPECT_EQ(idInBlock ? std::string(part.name) : fmt::format("{} Revision {:X}", part.name, part.revision),
              logs.status[3]);
    auto matches = [&](const std::string& pattern) {
        const std::regex re(pattern);
        return std::any_of(logs.status.begin(), logs.status.end(),
                           [&](const std::string& line) { return std::regex_match(line, re); });
    };
    const bool eeprom = part.eepromEnd > part.eepromStart;
    EXPECT_TRUE(matches(R"(Erase device complete \(\d+ms\))"));
    EXPECT_TRUE(matches(eeprom ? R"(Write complete \(FLASH \d+ms, EEPROM \d+ms\))"
                               : R"(Write complete \(FLASH \d+ms\))"));
    EXPECT_TRUE(matches(eeprom ? R"(Verify success \(FLASH \d+ms, EEPROM \d+ms\))"
                               : R"(Verify success \(FLASH \d+ms\))"));
    EXPECT_TRUE(matches(R"(Erasing \([0-9A-F]+ to [0-9A-F]+\])"));
    EXPECT_TRUE(logs.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(Families, Reflash,
                         ::testing::Values(Family{"PIC16F886", 4000}, Family{"PIC18F2620", 20000},
                                           Family{"PIC24FJ64GA002", 12000}, Family{"PIC32MX360F512L", 16000}),
                         [](const auto& info) { return std::string(info.param.part); });

} // namespace
