// Whole re-flashes through BootloadSession against the bench's PIC bootloader
// model, one part per family: what the user reads, and what the chip holds.
#include "SessionBench.h"

#include <regex>

using namespace an1310test;

namespace {

TEST(Reflash, AFreshChipThenARunningApplicationInEachFamily) {
    const struct {
        const char* part;
        std::uint32_t imageBytes;
        std::map<std::string, std::string> options;
    } families[] = {{"PIC16F886", 4000, {}},
                    {"PIC16F886", 3000, {{"erase", "1"}}},
                    {"PIC18F2620", 20000, {}},
                    {"PIC24FJ64GA002", 12000, {}},
                    {"PIC32MX360F512L", 16000, {}}};
    for (const auto& family : families) {
        SCOPED_TRACE(fmt::format("{} with {} options", family.part, family.options.size()));
        PicBench pic{family.part, family.options};
        LogCapture logs;
        const auto& part = pic.part();
        const auto before = pic.flashWords();
        const auto first = applicationHex(part, 1, family.imageBytes);
        runSession(*pic.link, first);
        pic.expectChipHolds(first, before);
        EXPECT_EQ(1u, pic.device->applicationStarts());
        EXPECT_EQ(0u, pic.stats().protectedHits)
            << "no erase or write reached the bootloader or the configuration";
        EXPECT_EQ(0u, pic.stats().outOfRange + pic.stats().malformed + pic.stats().badChecksums +
                          pic.stats().overflows);
        const auto& requests = pic.stats().requests; // only codes carried out
        EXPECT_EQ(part.family != sim::PicFamily::PIC16 || family.options.count("erase"), requests.count(0x03))
            << "erase requests";
        EXPECT_EQ(part.family == sim::PicFamily::PIC32, requests.count(0x0B))
            << "whole-flash erase announced";

        // What the user reads, less the writer's and reader's progress: the
        // bootloader answered the first STX, so no reset. PIC16 sends its ID in
        // the information block, without revision.
        EXPECT_TRUE(logs.warnings.empty()) << logs.warnings.front();
        std::string shown;
        for (const auto& line : logs.status)
            if (line[0] != '[') shown += line + "\n";
        const auto device = part.family == sim::PicFamily::PIC16
                                ? std::string(part.name)
                                : fmt::format("{} Revision {:X}", part.name, part.revision);
        const std::string eeprom = part.eepromEnd > part.eepromStart ? R"(, EEPROM \d+ms)" : "";
        EXPECT_TRUE(std::regex_match(
            shown,
            std::regex(R"(Connecting\.\.\.\nFirmware v1\.05 at address [0-9A-F]+ to [0-9A-F]+\.\n)"
                       "Bootloader Firmware v1\\.05\n" +
                       device + R"(\nErasing \([0-9A-F]+ to [0-9A-F]+\]\nErase device complete \(\d+ms\)\n)" +
                       R"(Write complete \(FLASH \d+ms)" + eeprom + R"(\)\nVerify success \(FLASH \d+ms)" +
                       eeprom + R"(\)\n)")))
            << shown;

        // The application now runs and ignores the line: the session resets the
        // chip into its bootloader with the break held. The smaller image proves
        // the rest of the old one was erased.
        logs.clear();
        const auto second = applicationHex(part, 2, family.imageBytes / 2);
        runSession(*pic.link, second);
        pic.expectChipHolds(second, before);
        EXPECT_TRUE(logs.hasStatus("Resetting device..."));
        EXPECT_EQ(2u, pic.device->applicationStarts());
        EXPECT_LE(logs.warnings.size(), 11u);
        for (const auto& warning : logs.warnings)
            EXPECT_EQ(0u, warning.rfind("Timed out waiting for sync, sending another STX.", 0)) << warning;
    }
}

TEST(ReflashPic32, ABootloaderInProgramFlashIsNeverErasedOrWritten) {
    PicBench pic{"PIC32MX360F512L", {{"bs", "0x1D07C000"}, {"bsize", "0x4000"}}};
    LogCapture logs;
    runSession(*pic.link, applicationHex(pic.part(), 3, 8000));
    EXPECT_EQ(0u, pic.stats().protectedHits);
    EXPECT_EQ(0u, pic.stats().requests.count(0x0B)) << "the flash is not erased as a whole";
    EXPECT_EQ(0u, logs.status.back().rfind("Verify success (FLASH ", 0)) << logs.status.back();
}

TEST(ReflashPic18, EachWriteBlockCarriesTheExtraBytesItsHexGives) {
    PicBench pic{"PIC18F2620", {{"extras", "1"}}};
    LogCapture logs;
    const auto& part = pic.part();
    const auto extrasOf = [](std::uint32_t block) {
        std::vector<std::uint8_t> bytes(16);
        for (std::uint8_t i = 0; i < 16; ++i)
            bytes[i] = static_cast<std::uint8_t>(block * 3 + i);
        return bytes;
    };
    // Extras for every block of flash, so each write packet carries them whole.
    auto hex = applicationHex(part, 4, 2000);
    std::string extras = hexRecord(4, 0, {0x00, 0x00});
    for (std::uint32_t block = 0; block < part.flashEnd / part.writeBlock; ++block)
        extras += hexRecord(0x40, static_cast<std::uint16_t>(block * part.writeBlock), extrasOf(block));
    hex.insert(hex.rfind(":00000001FF"), extras);
    runSession(*pic.link, hex);

    EXPECT_EQ(0u, pic.stats().malformed);
    EXPECT_EQ(0u, logs.status.back().rfind("Verify success (FLASH ", 0)) << logs.status.back();
    const auto& received = pic.device->bootloader().blockExtras();
    EXPECT_GE(received.size(), 2u) << "the application's blocks and the moved reset jump";
    for (const auto& [address, bytes] : received)
        EXPECT_EQ(extrasOf(address / part.writeBlock), std::vector<std::uint8_t>(bytes.begin(), bytes.end()))
            << std::hex << "block at " << address;
}

} // namespace
