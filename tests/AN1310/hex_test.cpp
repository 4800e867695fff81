// HEX text into memory images, and the reset jump the host moves for the
// bootloader.
#include "Support.h"

#include <sstream>

using namespace an1310test;
using AN1310::DeviceData;

namespace {

bool import(DeviceData& image, const std::string& text) {
    std::istringstream in(text);
    return AN1310::importHex(image, in);
}

TEST(HexImport, RealToolOutputForAFamilyFourPart) {
    // As a PIC18 compiler writes it: code, EEPROM data at 0xF00000 and the
    // configuration at 0x300000, each behind its type-04 record.
    auto d = testDevice(4);
    d.configStart = 0x300000;
    d.configEnd = 0x30000E;
    DeviceData image(&d);
    LogCapture logs;
    std::string text = hexUpper(0) + hexRecord(0, 0, {0x20, 0xEF, 0x00, 0xF0});
    for (std::uint16_t a = 0x40; a < 0x40 + 41; a += 16)
        text += hexRecord(0, a, std::vector<std::uint8_t>(std::min(16, 0x40 + 41 - a), 0xA5));
    text += hexUpper(0xF0) + hexRecord(0, 0, {1, 2, 3});
    text += hexUpper(0x30) + hexRecord(0, 0, {0x00, 0x08, 0x1F, 0x1E});
    text += ":00000001FF\r\n" + hexRecord(0, 0x100, {0x11, 0x22}); // after the end record: never read
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ(0xEF20u, image.flash[0]);
    EXPECT_EQ(0xF000u, image.flash[1]);
    EXPECT_EQ(0xA5A5u, image.flash[(0x40 + 38) / 2]);
    EXPECT_EQ(0xFFA5u, image.flash[(0x40 + 40) / 2]) << "the untouched lane stays blank";
    EXPECT_EQ(1u, image.eeprom[0] & 0xFF);
    EXPECT_EQ(3u, image.eeprom[2] & 0xFF);
    EXPECT_TRUE(AN1310::hasResetGoto(d, image));
    EXPECT_EQ(0xFFFFu, image.flash[0x100 / 2]) << "nothing after the end record";
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
    auto d = testDevice(2);
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
}

TEST(HexImport, RecordsBeyondTheImageArraysAreDropped) {
    // A part whose flash is larger than the image: nothing may land outside.
    auto d = testDevice(4);
    EXPECT_TRUE(AN1310::fitsMemoryImage(d));
    d.flashEnd = 0x400000;
    d.eepromEnd = 0xF00000 + 0x4000;
    DeviceData image(&d);
    LogCapture logs;
    const auto text = hexUpper(0x3F) + hexRecord(0, 0xFF00, {1, 2, 3, 4}) + hexUpper(0xF0) +
                      hexRecord(0, 0x3F00, {9}) + ":00000001FF\r\n";
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ(DeviceData::flashEntries, image.flash.size());
    EXPECT_EQ(DeviceData::eepromEntries, image.eeprom.size());
    EXPECT_FALSE(AN1310::fitsMemoryImage(d));
    EXPECT_THROW(import(image, ":Z1000000FF\r\n"), std::invalid_argument) << "malformed digits are an error";
}

TEST(ResetRemap, ABootloaderBelowTheSavedWordsDoesNotUnderflow) {
    // family, bootloader start, where the jump into it lands, the jump, the blank word
    const std::uint32_t cases[][5] = {{4, 2, 0, 0xEF02, 0xFFFF}, {2, 3, 2, 0x2806, 0x3FFF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        auto d = testDevice(int(c[0]));
        d.bootloaderStart = c[1];
        DeviceData image(&d);
        image.flash[0] = c[0] == 4 ? 0xEF20 : image.flash[0]; // an application GOTO 0x40
        image.flash[1] = c[0] == 4 ? 0xF000 : image.flash[1];
        AN1310::remapResetVector(d, image);
        EXPECT_EQ(c[3], image.flash[c[2]]);
        EXPECT_EQ(c[4], image.flash.back());
    }
}

} // namespace
