// The session's own messages: what the user reads when the chip is unknown,
// the image is bad or the chip does not hold what was written.
#include "SessionBench.h"

using namespace an1310test;

namespace {

struct Session : ::testing::Test {
    LogCapture logs;
    PicBench pic{"PIC18F2620"};
    AN1310::BootloadSession session{*pic.link};

    void load(const std::string& hex) {
        std::istringstream in(hex);
        session.connect();
        session.loadImage(in);
    }
};

TEST(SessionDevice, UnknownOrTooLargeForTheMemoryImage) {
    LogCapture logs;
    const std::pair<const char*, const char*> cases[] = {
        {"PIC18F2620", "ENDFLASH = 0x400000"},      // more flash than the memory image holds
        {"PIC18F2620", "BYTESPERWORDFLASH = 8"},    // flash words wider than its entries
        {"PIC18F2620", "WRITEFLASHBLOCKSIZE = -9"}, // blocks larger than the image
        {"PIC18F2620", "ERASEFLASHBLOCKSIZE = 0x80000"},
        // Its last block would end past 32-bit addresses (its image entries count from the flash's start).
        {"PIC32MX360F512L", "STARTFLASH = 0xFFFF0000, ENDFLASH = 0xFFFFFFC0"},
    };
    for (const auto& [part, tooLarge] : cases) {
        PicBench pic{part};
        AN1310::BootloadSession session{*pic.link};
        ScratchDatabase scratch;
        scratch.exec(
            fmt::format("update DEVICES set PARTNAME = 'HUGE', {} where PARTNAME = '{}'", tooLarge, part));
        EXPECT_EQ("Device HUGE does not fit the programmer's memory image.",
                  thrownBy([&] { session.connect(); }))
            << tooLarge;
        // Then without the part.
        scratch.exec("delete from DEVICES where PARTNAME = 'HUGE'");
        EXPECT_EQ(fmt::format("Couldn't find Device ID {} in the device database.", pic.part().deviceId),
                  thrownBy([&] { session.connect(); }));
    }
}

TEST_F(Session, AFailedLoadAfterAGoodOneLeavesNothingToWrite) {
    // The chip keeps what it holds rather than getting the earlier or a half-read image.
    load(applicationHex(pic.part(), 5, 2000));
    std::istringstream failed;
    failed.setstate(std::ios::failbit);
    EXPECT_EQ("Could not parse hex file", thrownBy([&] { session.loadImage(failed); }));
    const auto before = pic.flashWords();
    EXPECT_EQ("No firmware image loaded", thrownBy([&] { session.write(); }));
    EXPECT_EQ("No firmware image loaded", thrownBy([&] { session.verify(); }));
    EXPECT_EQ(before, pic.flashWords());
}

TEST_F(Session, AnImageWithoutResetJumpIsWarnedAboutAndStillRemapped) {
    load(applicationHex(pic.part(), 5, 2000, false));
    EXPECT_EQ(
        std::vector<std::string>{
            "The first instruction does not appear to be a GOTO instruction.\n\nPlease "
            "modify your firmware to have a GOTO as the first instruction\nat address 0. "
            "Without the GOTO, bootloader firmware will not be able\nto execute your "
            "application firmware."},
        logs.warnings);
    EXPECT_EQ(0xFFFFu, session.hexImage().flash[(0xFC00 - 4) / 2]);
    EXPECT_EQ(0xEF01u, session.hexImage().flash[0]); // GOTO 0xFC02
}

TEST_F(Session, VerifyCountsFlashBlocksAndEepromLocations) {
    load(applicationHex(pic.part(), 6, 4000));
    session.erase();
    session.write();
    // One EEPROM byte, then two flash blocks too, change behind the host's back.
    pic.chip().setEeprom(3, static_cast<std::uint8_t>(pic.chip().eeprom(3) ^ 0x40));
    EXPECT_EQ("Verifying EEPROM failed", thrownBy([&] { session.verify(); }));
    EXPECT_EQ(std::vector<std::string>{"Verify failed (1 EEPROM failures)"}, logs.warnings);
    pic.chip().setFlashWord(0x0100, 0x1111);
    pic.chip().setFlashWord(0x0900, 0x2222);
    logs.clear();
    EXPECT_EQ("Verifying flash failed", thrownBy([&] { session.verify(); }));
    EXPECT_EQ(std::vector<std::string>{"Verify failed (2 FLASH , 1 EEPROM failures)"}, logs.warnings);
}

TEST(SessionImage, CodeInTheConfigurationBlockIsNeverProgrammedAndFailsTheVerify) {
    LogCapture logs;
    PicBench pic{"PIC24FJ64GA002"}; // configuration words at ABFC and ABFE, erase blocks of 400
    const auto& part = pic.part();
    tools::HexImageRecipe recipe;
    recipe.part = {int(part.family), part.flashStart, part.flashEnd, part.eepromStart, part.eepromEnd};
    recipe.code = {{0x0C00, 0x0E00}, {0xA800, 0xA900}};
    recipe.interruptHandler = interruptHandler(part);
    EXPECT_EQ("Verifying flash failed", thrownBy([&] { runSession(*pic.link, tools::generateHex(recipe)); }));
    EXPECT_EQ(
        (std::vector<std::string>{"The image has code at A800 in the configuration block [A800 - AC00), "
                                  "which is never programmed",
                                  "Verify failed (1 FLASH failures)"}),
        logs.warnings);
    EXPECT_EQ(0u, pic.stats().protectedHits);
}

TEST_F(Session, ReflashReportsToTheCallerOnlyWhileItRuns) {
    const auto hex = applicationHex(pic.part(), 10, 1000);
    std::vector<std::string> lines;
    const auto collect = [&](const std::string& line) { lines.push_back(line); };
    AN1310::reflash(*pic.link, hex, collect);
    EXPECT_EQ("Connecting...", lines.front());
    EXPECT_EQ(0u, lines.back().rfind("Verify success (FLASH ", 0)) << lines.back();

    // Afterwards (also after a failure) the sinks no longer reach the caller.
    AN1310::statusLog("after the session");
    EXPECT_NE("after the session", lines.back());
    pic.module->faults.silent = true;
    EXPECT_THROW(AN1310::reflash(*pic.link, hex, collect), AN1310::OtherException);
    AN1310::warningLog("after a failed session");
    EXPECT_NE("after a failed session", lines.back());
}

} // namespace
