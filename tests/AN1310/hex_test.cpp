// HEX text into memory images, and the image preparation for the bootloader.
#include "HexText.h"
#include "Support.h"

#include <sstream>

using namespace an1310test;
using AN1310::Device;
using AN1310::DeviceData;

namespace {

Device family4() {
    Device d;
    d.familyId = 4;
    d.flashEnd = 0x10000;
    d.eepromStart = 0xF00000;
    d.eepromEnd = 0xF00400;
    d.configStart = 0x300000;
    d.configEnd = 0x30000E;
    d.ramEnd = 0xF00;
    d.applyFamilyValues();
    return d;
}

Device family2() {
    Device d;
    d.familyId = 2;
    d.writeBlockSize = 8;
    d.eraseBlockSize = 32;
    d.flashEnd = 0x2000;
    d.eepromStart = 0x2100;
    d.eepromEnd = 0x2200;
    d.configStart = 0x2007;
    d.configEnd = 0x2009;
    d.applyFamilyValues();
    return d;
}

Device family5() {
    Device d;
    d.familyId = 5;
    d.bytesPerWordFlash = 3;
    d.writeBlockSize = 64;
    d.eraseBlockSize = 512;
    d.flashEnd = 0xAC00;
    d.ramStart = 0x800;
    d.ramEnd = 0x2800;
    d.applyFamilyValues();
    return d;
}

bool import(DeviceData& image, const std::string& text) {
    std::istringstream in(text);
    return AN1310::importHex(image, in);
}

TEST(HexImport, BytesAreAndedIntoTheirLanes) {
    Device d = family4();
    DeviceData image(&d);
    LogCapture logs;
    ASSERT_TRUE(import(image, hexRecord(0, 0, {0x12, 0x34, 0x56}) + hexEnd()));
    EXPECT_EQ(0x3412u, image.flash[0]);
    EXPECT_EQ(0xFF56u, image.flash[1]) << "the untouched lane stays blank";
    EXPECT_EQ(0xFFFFu, image.flash[2]);
}

TEST(HexImport, RealToolOutputForAFamilyFourPart) {
    // As a PIC18 compiler writes it: code, EEPROM data at 0xF00000 and the
    // configuration at 0x300000, each behind its type-04 record.
    Device d = family4();
    DeviceData image(&d);
    LogCapture logs;
    std::uint32_t upper = 0xFFFFFFFF;
    std::string text = hexData(0x0000, {0x20, 0xEF, 0x00, 0xF0}, upper);
    text += hexData(0x0040, std::vector<std::uint8_t>(40, 0xA5), upper);
    text += hexData(0xF00000, {1, 2, 3}, upper);
    text += hexData(0x300000, {0x00, 0x08, 0x1F, 0x1E}, upper);
    text += hexEnd();
    text += hexRecord(0, 0x100, {0x11, 0x22}); // after the end record: never read
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ(0xEF20u, image.flash[0]);
    EXPECT_EQ(0xF000u, image.flash[1]);
    EXPECT_EQ(0xA5A5u, image.flash[0x40 / 2]);
    EXPECT_EQ(0xA5A5u, image.flash[(0x40 + 38) / 2]);
    EXPECT_EQ(0xFFFFu, image.flash[(0x40 + 40) / 2]);
    EXPECT_EQ(0xFFFFu, image.flash[0x80]);
    EXPECT_EQ(1u, image.eeprom[0] & 0xFF);
    EXPECT_EQ(3u, image.eeprom[2] & 0xFF);
    EXPECT_EQ(0xFFu, image.eeprom[3] & 0xFF);
    EXPECT_TRUE(AN1310::hasResetGoto(d, image));
    EXPECT_EQ((std::vector<std::string>{"Hex Import Address Ranges:", "  [0 - 4)", "  [40 - 68)",
                                        "  [F00000 - F00003)", "  [300000 - 300004)"}),
              logs.debug);
}

TEST(HexImport, AnAssemblerListingForAFamilyTwoPart) {
    // As a PIC16 assembler writes it: word addresses doubled, the reset
    // sequence, code at 0x10, the configuration word and EEPROM data.
    const std::string text = ":020000040000FA\r\n"
                             ":0600000000308A00102808\r\n"
                             ":0E0020008316031386018312FF308600122818\r\n"
                             ":04400E00D420FF3F7C\r\n"
                             ":044200004100420037\r\n"
                             ":00000001FF\r\n";
    Device d = family2();
    DeviceData image(&d);
    LogCapture logs;
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ((std::vector<std::uint32_t>{0x3000, 0x008A, 0x2810}),
              std::vector<std::uint32_t>(image.flash.begin(), image.flash.begin() + 3));
    EXPECT_EQ(0x1683u, image.flash[0x10]);
    EXPECT_EQ(0x2812u, image.flash[0x16]);
    EXPECT_EQ(0x3FFFu, image.flash[0x17]);
    EXPECT_EQ(0x3FFFu, image.flash[0x2007]) << "configuration lies outside the flash image";
    EXPECT_EQ('A', image.eeprom[0] & 0xFF);
    EXPECT_EQ('B', image.eeprom[1] & 0xFF);
    EXPECT_TRUE(AN1310::hasResetGoto(d, image));
    // The listing maps family-2 HEX addresses outside flash without halving
    // them, so configuration and EEPROM records do not show in it.
    EXPECT_EQ((std::vector<std::string>{"Hex Import Address Ranges:", "  [0 - 3)", "  [10 - 17)"}),
              logs.debug);
}

TEST(HexImport, AdjacentRecordsMakeOneRange) {
    Device d = family4();
    DeviceData image(&d);
    LogCapture logs;
    import(image, hexRecord(0, 0x10, {1, 2}) + hexRecord(0, 0x12, {3, 4}) + hexEnd());
    EXPECT_EQ((std::vector<std::string>{"Hex Import Address Ranges:", "  [10 - 14)"}), logs.debug);
}

TEST(HexImport, FamilyTwoWordsAndEeprom) {
    Device d = family2();
    DeviceData image(&d);
    LogCapture logs;
    std::uint32_t upper = 0xFFFFFFFF;
    ASSERT_TRUE(import(image, hexData(0x0002, {0x8A, 0x01}, upper) +
                                  hexData(2 * 0x2100, {0x5A, 0x00, 0x7B, 0x00}, upper) + hexEnd()));
    EXPECT_EQ(0x3FFFu, image.flash[0]);
    EXPECT_EQ(0x018Au, image.flash[1]);
    EXPECT_EQ(0x5Au, image.eeprom[0] & 0xFF);
    EXPECT_EQ(0x7Bu, image.eeprom[1] & 0xFF);
}

TEST(HexImport, AnOverlongLineEndsTheImportAfterItsFirstCharacters) {
    Device d = family4();
    DeviceData image(&d);
    LogCapture logs;
    std::string text = hexRecord(0, 0, {0x01, 0x02});
    std::string longLine = hexRecord(0, 0x10, {0x03, 0x04});
    longLine.insert(longLine.size() - 2, std::string(5000, '0'));
    text += longLine + hexRecord(0, 0x20, {0x05, 0x06}) + hexEnd();
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ(0x0201u, image.flash[0]);
    EXPECT_EQ(0x0403u, image.flash[8]) << "the cut line is still handled";
    EXPECT_EQ(0xFFFFu, image.flash[0x10]) << "nothing after it is read";
}

TEST(HexImport, NonRecordsShortRecordsAndAFailedStream) {
    Device d = family4();
    DeviceData image(&d);
    LogCapture logs;
    ASSERT_TRUE(import(image, "garbage\r\n:0100\r\n:040000000102\r\n" + hexRecord(0, 4, {0x77}) + hexEnd()));
    EXPECT_EQ(0xFFFFu, image.flash[0]);
    EXPECT_EQ(0xFF77u, image.flash[2]);

    std::istringstream failed;
    failed.setstate(std::ios::failbit);
    EXPECT_FALSE(AN1310::importHex(image, failed));
    EXPECT_THROW(import(image, ":Z1000000FF\r\n"), std::invalid_argument);
}

TEST(HexImport, RecordsBeyondTheImageArraysAreDropped) {
    // A part whose flash is larger than the image: nothing may land outside.
    Device d = family4();
    d.flashEnd = 0x400000;
    d.eepromEnd = 0xF00000 + 0x4000;
    DeviceData image(&d);
    LogCapture logs;
    std::uint32_t upper = 0xFFFFFFFF;
    const auto text = hexData(0x3FFF00, {1, 2, 3, 4}, upper) + hexData(0xF03F00, {9}, upper) + hexEnd();
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ(DeviceData::flashEntries, image.flash.size());
    EXPECT_EQ(DeviceData::eepromEntries, image.eeprom.size());
    EXPECT_FALSE(AN1310::fitsMemoryImage(d));
    EXPECT_TRUE(AN1310::fitsMemoryImage(family4()));
}

TEST(ResetRemap, FamilyFourJumpAlreadyAtTheBootloaderIsLeftAlone) {
    Device d = family4();
    d.bootloaderStart = 0xFC00;
    DeviceData image(&d);
    const auto t = (0xFC00 + 2) / 2;
    image.flash[0] = 0xEF00 | (t & 0xFF);
    image.flash[1] = 0xF000 | (t >> 8);
    const auto before = image.flash;
    AN1310::remapResetVector(d, image);
    EXPECT_EQ(before, image.flash);
}

TEST(ResetRemap, FamilyFourApplicationJumpIsSavedBelowTheBootloader) {
    Device d = family4();
    d.bootloaderStart = 0xFC00;
    DeviceData image(&d);
    image.flash[0] = 0xEF20; // GOTO 0x40
    image.flash[1] = 0xF000;
    AN1310::remapResetVector(d, image);
    EXPECT_EQ(0xEF20u, image.flash[(0xFC00 - 4) / 2]);
    EXPECT_EQ(0xF000u, image.flash[(0xFC00 - 2) / 2]);
    EXPECT_EQ(0xEF00u | (0x7E01 & 0xFF), image.flash[0]);
    EXPECT_EQ(0xF000u | (0x7E01 >> 8), image.flash[1]);

    DeviceData other(&d);
    other.flash[0] = 0x0E12; // MOVLW, not a jump
    EXPECT_FALSE(AN1310::hasResetGoto(d, other));
    AN1310::remapResetVector(d, other);
    EXPECT_EQ(0xFFFFu, other.flash[(0xFC00 - 4) / 2]);
    EXPECT_EQ(0xFFFFu, other.flash[(0xFC00 - 2) / 2]);
    EXPECT_TRUE(AN1310::hasResetGoto(d, other));
}

TEST(ResetRemap, ABootloaderBelowTheSavedWordsDoesNotUnderflow) {
    Device d = family4();
    d.bootloaderStart = 2;
    DeviceData image(&d);
    image.flash[0] = 0xEF20;
    image.flash[1] = 0xF000;
    AN1310::remapResetVector(d, image);
    EXPECT_EQ(0xEF02u, image.flash[0]);
    EXPECT_EQ(0xFFFFu, image.flash.back());

    Device d2 = family2();
    d2.bootloaderStart = 3;
    DeviceData image2(&d2);
    AN1310::remapResetVector(d2, image2);
    EXPECT_EQ(0x2806u, image2.flash[2]);
    EXPECT_EQ(0x3FFFu, image2.flash.back());
}

TEST(ResetRemap, FamilyTwoSequence) {
    Device d = family2();
    d.bootloaderStart = 0x1F00;
    DeviceData image(&d);
    image.flash[0] = 0x3005; // MOVLW HIGH(main)
    image.flash[1] = 0x008A; // MOVWF PCLATH
    image.flash[2] = 0x2D20; // GOTO main
    image.flash[3] = 0x0000;
    ASSERT_TRUE(AN1310::hasResetGoto(d, image));
    AN1310::remapResetVector(d, image);
    const std::vector<std::uint32_t> saved(image.flash.begin() + 0x1F00 - 5, image.flash.begin() + 0x1F00);
    EXPECT_EQ((std::vector<std::uint32_t>{0x018A, 0x3005, 0x008A, 0x2D20, 0x0000}), saved);
    EXPECT_EQ(0x301Fu, image.flash[0]);
    EXPECT_EQ(0x008Au, image.flash[1]);
    EXPECT_EQ(0x2F03u, image.flash[2]);

    const auto remapped = image.flash;
    AN1310::remapResetVector(d, image);
    EXPECT_EQ(remapped, image.flash) << "a sequence that already jumps to the bootloader stays";
}

TEST(ResetRemap, FamilyFive) {
    Device d = family5();
    d.bootloaderStart = 0x400;
    DeviceData image(&d);
    image.flash[0] = 0x040200; // GOTO 0x200
    image.flash[1] = 0x000000;
    AN1310::remapResetVector(d, image);
    EXPECT_EQ(0x040200u, image.flash[(0x400 - 4) / 2]);
    EXPECT_EQ(0x000000u, image.flash[(0x400 - 2) / 2]);
    EXPECT_EQ(0x040400u, image.flash[0]);
    EXPECT_EQ(0u, image.flash[1]);
}

TEST(HexImport, FamilyFiveInstructionsTakeFourHexBytes) {
    Device d = family5();
    DeviceData image(&d);
    LogCapture logs;
    ASSERT_TRUE(import(image, hexRecord(0, 0, {0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}) + hexEnd()));
    EXPECT_EQ(0x040200u, image.flash[0]);
    EXPECT_EQ(0x000000u, image.flash[1]);
    EXPECT_TRUE(AN1310::hasResetGoto(d, image));
}

} // namespace
