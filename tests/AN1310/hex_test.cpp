// HEX text into memory images, and the reset jump the host moves for the
// bootloader. Generated images are imported by the session tests.
#include "Support.h"

#include <sstream>

using namespace an1310test;
using AN1310::DeviceData;

namespace {

bool import(DeviceData& image, const std::string& text) {
    std::istringstream in(text);
    return AN1310::importHex(image, in);
}

TEST(HexImport, AnAssemblerListingForAFamilyTwoPart) {
    // As a PIC16 assembler writes it: word addresses doubled, the reset
    // sequence, code at 0x10, the configuration word and EEPROM data.
    const std::string text = ":020000040000FA\r\n"
                             ":0600000000308A00102808\r\n"
                             ":0E0020008316031386018312FF308600122818\r\n"
                             ":04400E00D420FF3F7C\r\n"
                             ":044200004100420037\r\n"
                             ":00000001FF\r\n"
                             ":020008000000F6\r\n"; // after the end record: never read
    auto d = testDevice(AN1310::Family::PIC16);
    DeviceData image(&d);
    LogCapture logs;
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ((std::vector<std::uint32_t>{0x3000, 0x008A, 0x2810}),
              std::vector<std::uint32_t>(image.flash.begin(), image.flash.begin() + 3));
    EXPECT_EQ(0x1683u, image.flash[0x10]);
    EXPECT_EQ(0x3FFFu, image.flash[0x17]);
    EXPECT_EQ(0x3FFFu, image.flash[0x2007]) << "configuration lies outside the flash image";
    EXPECT_EQ('A', image.eeprom[0] & 0xFF);
    EXPECT_EQ(0x3FFFu, image.flash[4]) << "nothing after the end record";
}

TEST(HexImport, RecordsBeyondTheImageArraysAreDropped) {
    // A part whose flash is larger than the image: nothing may land outside.
    auto d = testDevice(AN1310::Family::PIC18);
    d.flashEnd = 0x400000;
    d.eepromEnd = 0xF00000 + 0x4000;
    DeviceData image(&d);
    LogCapture logs;
    const auto text = hexRecord(4, 0, {0x00, 0x3F}) + hexRecord(0, 0xFF00, {1, 2, 3, 4}) +
                      hexRecord(4, 0, {0x00, 0xF0}) + hexRecord(0, 0x3F00, {9}) + ":00000001FF\r\n";
    ASSERT_TRUE(import(image, text));
    EXPECT_EQ(DeviceData::flashEntries, image.flash.size());
    EXPECT_EQ(DeviceData::eepromEntries, image.eeprom.size());
    EXPECT_THROW(import(image, ":Z1000000FF\r\n"), std::invalid_argument) << "malformed digits are an error";
}

TEST(HexImport, AddressesEndAtFourGigabytesInsteadOfWrappingOntoTheResetVector) {
    auto d = testDevice(AN1310::Family::PIC18);
    DeviceData image(&d);
    LogCapture logs;
    ASSERT_TRUE(import(image, hexRecord(4, 0, {0xFF, 0xFF}) + hexRecord(0, 0xFFFE, {1, 2, 3, 4}) +
                                  ":00000001FF\r\n"));
    EXPECT_EQ(0xFFFFu, image.flash[0]);
    EXPECT_EQ(0xFFFFu, image.flash[1]);
    EXPECT_EQ(
        std::vector<std::string>{"Hex record at FFFFFFFE runs past the end of the address space: 2 bytes "
                                 "dropped"},
        logs.warnings);
}

TEST(ResetRemap, ABootloaderBelowTheSavedWordsDoesNotUnderflow) {
    // family, bootloader start, where the jump into it lands, the jump, the blank word
    const std::uint32_t cases[][5] = {{4, 2, 0, 0xEF02, 0xFFFF}, {2, 3, 2, 0x2806, 0x3FFF}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        auto d = testDevice(AN1310::Family{c[0]});
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
