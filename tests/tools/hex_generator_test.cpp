// The Intel HEX generator: record format, family layouts, determinism, manifests.
#include "sim/pic/PicChip.h"
#include "tools/lib/HexGenerator.h"
#include "tools/lib/HexManifest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

struct Record {
    unsigned type = 0;
    std::uint32_t address = 0; // absolute, with the type 04 upper half
    std::vector<std::uint8_t> data;
};

unsigned hex2(const std::string& s, std::size_t at) {
    return unsigned(std::stoul(s.substr(at, 2), nullptr, 16));
}

// Splits the text into records, checking each line's shape and checksum.
std::vector<Record> records(const std::string& text) {
    std::vector<Record> out;
    std::uint32_t upper = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        EXPECT_NE(std::string::npos, end) << "line without CRLF at " << pos;
        if (end == std::string::npos) break;
        const auto line = text.substr(pos, end - pos);
        pos = end + 2;
        EXPECT_EQ(std::string::npos, line.find('\n'));
        EXPECT_EQ(':', line[0]);
        const auto count = hex2(line, 1);
        EXPECT_EQ(11 + 2 * count, line.size()) << line;
        unsigned sum = 0;
        for (std::size_t i = 1; i < line.size(); i += 2)
            sum += hex2(line, i);
        EXPECT_EQ(0u, sum & 0xFF) << "checksum of " << line;
        Record r;
        r.type = hex2(line, 7);
        for (unsigned i = 0; i < count; ++i)
            r.data.push_back(std::uint8_t(hex2(line, 9 + 2 * i)));
        if (r.type == 0x04) upper = std::uint32_t(r.data[0] << 8 | r.data[1]) << 16;
        r.address = upper | (hex2(line, 3) << 8 | hex2(line, 5));
        out.push_back(r);
    }
    return out;
}

std::map<std::uint32_t, std::uint8_t> bytesOf(const std::string& text) {
    std::map<std::uint32_t, std::uint8_t> image;
    for (const auto& r : records(text))
        if (r.type == 0)
            for (std::size_t i = 0; i < r.data.size(); ++i)
                image[r.address + std::uint32_t(i)] = r.data[i];
    return image;
}

tools::HexImageRecipe pic18(std::uint64_t seed = 1) {
    tools::HexImageRecipe recipe;
    recipe.part = {4, 0x0000, 0x10000, 0xF00000, 0xF00400};
    recipe.seed = seed;
    recipe.code = {{0x0040, 0x5040}};
    return recipe;
}

} // namespace

TEST(HexGeneratorFormat, RecordsFramedAsToolsWriteThem) {
    auto recipe = pic18();
    recipe.eeprom = {1, 2, 3};
    const auto text = tools::generateHex(recipe);
    EXPECT_EQ(0u, text.find(":020000040000FA\r\n"));
    EXPECT_EQ(text.size() - 13, text.rfind(":00000001FF\r\n"));
    const auto recs = records(text);
    for (const auto& r : recs) {
        if (r.type != 0) continue;
        EXPECT_LE(r.data.size(), 16u);
        // A record never crosses a 16-byte boundary.
        EXPECT_EQ(r.address / 16, (r.address + r.data.size() - 1) / 16);
    }
    // The EEPROM lies in the upper 64 KiB page 0x00F0, announced once before it.
    EXPECT_NE(std::string::npos, text.find(":0200000400F00A\r\n:03000000010203F7\r\n"));
    // About 57 kB for 20 KB of code, as the encoders' images.
    EXPECT_GT(text.size(), 56000u);
    EXPECT_LT(text.size(), 59000u);
}

TEST(HexGeneratorFormat, DeterministicFromSeedEepromAndBlocks) {
    auto recipe = pic18(42);
    recipe.blocks = {{0x7F00, {'R', 'V', 'X', 0x04, 0x00}}};
    const auto a = tools::generateHex(recipe);
    EXPECT_EQ(a, tools::generateHex(recipe));
    EXPECT_NE(a, tools::generateHex(pic18(43)));

    auto other = recipe;
    other.blocks[0].bytes[3] = 0x08;
    const auto ia = bytesOf(a), ib = bytesOf(tools::generateHex(other));
    std::vector<std::uint32_t> differ;
    for (const auto& [address, value] : ia)
        if (ib.at(address) != value) differ.push_back(address);
    EXPECT_EQ(std::vector<std::uint32_t>{0x7F03}, differ);
}

TEST(HexGeneratorLayout, ResetJumpOfEachFamily) {
    auto recipe = pic18();
    recipe.entry = 0x0100;
    auto image = bytesOf(tools::generateHex(recipe));
    // GOTO 0x100: word address 0x80.
    EXPECT_EQ(0x80, image.at(0));
    EXPECT_EQ(0xEF, image.at(1));
    EXPECT_EQ(0x00, image.at(2));
    EXPECT_EQ(0xF0, image.at(3));
    EXPECT_EQ(0u, image.count(4)); // code starts at 0x40

    recipe.resetGoto = false;
    image = bytesOf(tools::generateHex(recipe));
    EXPECT_EQ(0u, image.count(0));
    EXPECT_EQ(0x0040u, image.begin()->first);

    tools::HexImageRecipe mid;
    mid.part = {2, 0, 0x2000, 0x2100, 0x2200};
    mid.code = {{0x0004, 0x0800}};
    mid.entry = 0x0923;
    image = bytesOf(tools::generateHex(mid));
    auto word = [&](std::uint32_t a) { return image.at(2 * a) | image.at(2 * a + 1) << 8; };
    EXPECT_EQ(0x3009, word(0)); // MOVLW 0x09
    EXPECT_EQ(0x008A, word(1)); // MOVWF PCLATH
    EXPECT_EQ(0x2923, word(2)); // GOTO 0x123
    for (std::uint32_t a = 4; a < 0x800; ++a)
        EXPECT_LE(word(a), 0x3FFE) << a; // 14-bit, never blank

    tools::HexImageRecipe pic24;
    pic24.part = {5, 0, 0xAC00, 0, 0};
    pic24.code = {{0x0C00, 0x1000}};
    pic24.interruptHandler = 0x0E00;
    image = bytesOf(tools::generateHex(pic24));
    for (const std::uint32_t vector : {0x004u, 0x0FEu, 0x104u, 0x1FEu}) {
        EXPECT_EQ(0x00, image.at(2 * vector)) << vector;
        EXPECT_EQ(0x0E, image.at(2 * vector + 1)) << vector;
    }
    EXPECT_EQ(0u, image.count(2 * 0x100)); // reserved between the tables
    EXPECT_EQ((std::vector<std::uint8_t>{0x00, 0x0C, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}),
              (std::vector<std::uint8_t>{image.at(0), image.at(1), image.at(2), image.at(3), image.at(4),
                                         image.at(5), image.at(6), image.at(7)}));
    for (std::uint32_t h = 0x1800 + 3; h < 0x2000; h += 4)
        EXPECT_EQ(0, image.at(h)) << "phantom byte " << h;
}

TEST(HexGeneratorLayout, EepromAndBlocksInTheFamilyLayout) {
    tools::HexImageRecipe mid;
    mid.part = {2, 0, 0x2000, 0x2100, 0x2200};
    mid.eeprom = {0xAB, 0xCD};
    mid.blocks = {{0x0100, {0x12, 0x34}}};
    auto image = bytesOf(tools::generateHex(mid));
    EXPECT_EQ(0xAB, image.at(0x4200));
    EXPECT_EQ(0x00, image.at(0x4201));
    EXPECT_EQ(0xCD, image.at(0x4202));
    EXPECT_EQ(0x12, image.at(0x0200)); // RETLW 0x12
    EXPECT_EQ(0x34, image.at(0x0201));

    tools::HexImageRecipe pic32;
    pic32.part = {8, 0x1D000000, 0x1D080000, 0, 0};
    pic32.code = {{0x1D001000, 0x1D001010}};
    pic32.config = {{0x1FC02FFC, 0x7FFFFFFB}};
    const auto text = tools::generateHex(pic32);
    EXPECT_NE(std::string::npos, text.find(":020000041D00DD\r\n"));
    EXPECT_NE(std::string::npos, text.find(":020000041FC01B\r\n"));
    image = bytesOf(text);
    EXPECT_EQ(0x7F, image.at(0x1FC02FFF));
}

TEST(HexGeneratorLayout, SpecsThatDoNotFitThePartAreRefused) {
    auto outside = pic18();
    outside.blocks = {{0x10000, {1}}};
    EXPECT_THROW(tools::generateHex(outside), std::invalid_argument);
    auto pastEnd = pic18();
    pastEnd.blocks = {{0xFFFF, {1, 2}}};
    EXPECT_THROW(tools::generateHex(pastEnd), std::invalid_argument);
    auto bigEeprom = pic18();
    bigEeprom.eeprom.assign(1025, 0);
    EXPECT_THROW(tools::generateHex(bigEeprom), std::invalid_argument);
    auto odd = pic18();
    odd.code = {{0x41, 0x80}};
    EXPECT_THROW(tools::generateHex(odd), std::invalid_argument);
    auto family = pic18();
    family.part.family = 3;
    EXPECT_THROW(tools::generateHex(family), std::invalid_argument);
}

TEST(HexGeneratorChip, ImageProgramsIntoTheSimulatedPartAsWritten) {
    auto recipe = pic18(9);
    recipe.eeprom = {0x11, 0x22};
    recipe.blocks = {{0x7F00, {0xA5, 0x5A}}};
    recipe.config = {{0x300001, 0x02}};
    const auto text = tools::generateHex(recipe);
    sim::PicChip chip(*sim::findPicPart("PIC18F2620"));
    chip.programHex(text); // checks every record's checksum
    const auto image = bytesOf(text);
    EXPECT_EQ(std::vector<std::uint8_t>({image.at(0x40), image.at(0x41)}), chip.read(0x40, 2));
    EXPECT_EQ(0xEF20u, chip.flashWord(0)); // GOTO 0x40
    EXPECT_EQ(0x5AA5u, chip.flashWord(0x7F00));
    EXPECT_EQ(0x22, chip.eeprom(1));
    EXPECT_EQ(0x02u, *chip.specialWord(0x300001));
    EXPECT_TRUE(chip.isBlank(0x5040, 0x7F00));
}

TEST(HexManifest, ManyImagesFromOneManifestWithDefaults) {
    const auto dir = std::filesystem::temp_directory_path() / "rvx-hexgen-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    {
        std::ofstream(dir / "params.bin", std::ios::binary) << "RVX46";
        std::ofstream m(dir / "set.txt");
        m << "# two resolutions\n"
          << "defaults family=4 flash=0:0x10000 eeprom=0xF00000:0xF00400 code=0x40:0x1040\n"
          << "out=out/a.hex seed=1 block=0x7F00:@params.bin eedata=0102\n"
          << "out=out/b.hex seed=2 reset=none code=0x100:0x200   # replaces the default region\n";
    }
    const auto jobs = tools::readHexManifest(dir / "set.txt");
    ASSERT_EQ(2u, jobs.size());
    EXPECT_EQ(dir / "out/a.hex", jobs[0].out);
    EXPECT_EQ(std::vector<std::uint8_t>({'R', 'V', 'X', '4', '6'}), jobs[0].recipe.blocks.at(0).bytes);
    EXPECT_EQ(std::vector<std::uint8_t>({1, 2}), jobs[0].recipe.eeprom);
    EXPECT_EQ(0x40u, jobs[0].recipe.code.at(0).start);
    ASSERT_EQ(1u, jobs[1].recipe.code.size());
    EXPECT_EQ(0x100u, jobs[1].recipe.code[0].start);
    EXPECT_FALSE(jobs[1].recipe.resetGoto);

    const auto text = tools::generateHex(jobs[0].recipe);
    EXPECT_TRUE(tools::writeFileIfChanged(jobs[0].out, text));
    EXPECT_FALSE(tools::writeFileIfChanged(jobs[0].out, text)); // unchanged: left alone
    std::ifstream in(jobs[0].out, std::ios::binary);
    EXPECT_EQ(text, std::string(std::istreambuf_iterator<char>(in), {}));

    std::ofstream(dir / "bad.txt") << "defaults family=4 flash=0:0x10000\n\nout=x.hex seed=zz\n";
    try {
        tools::readHexManifest(dir / "bad.txt");
        FAIL() << "no error";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("bad.txt:3: seed: not a number"));
    }
    EXPECT_THROW(tools::parseHexKeys({"colour=red"}), std::invalid_argument);
    EXPECT_THROW(tools::makeHexJob({}, tools::parseHexKeys({"family=4", "flash=0:100"}), {}),
                 std::invalid_argument);
    std::filesystem::remove_all(dir);
}
