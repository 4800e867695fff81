// The image generators: Intel HEX (record format, family layouts, determinism,
// manifests) and binary block-bootloader images with the parameter block the
// bench encoders read from every simulation image.
#include "tools/lib/BlockImage.h"
#include "tools/lib/FirmwareParameters.h"
#include "tools/lib/HexGenerator.h"
#include "tools/lib/HexManifest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <stdexcept>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Address -> byte of the data records, checking on the way every line's shape,
// checksum and CRLF end, and that no data record crosses a 16-byte row.
std::map<std::uint32_t, std::uint8_t> bytesOf(const std::string& text) {
    std::map<std::uint32_t, std::uint8_t> image;
    std::uint32_t upper = 0;
    for (std::size_t pos = 0, end = 0; pos < text.size(); pos = end + 2) {
        end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "line without CRLF at " << pos;
            break;
        }
        const auto line = text.substr(pos, end - pos);
        Bytes b;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2)
            b.push_back(std::uint8_t(std::stoul(line.substr(i, 2), nullptr, 16)));
        if (line[0] != ':' || line.size() % 2 == 0 || b.size() < 5 || b.size() != 5u + b[0]) {
            ADD_FAILURE() << "malformed record " << line;
            continue;
        }
        EXPECT_EQ(0u, std::accumulate(b.begin(), b.end(), 0u) & 0xFF) << "checksum of " << line;
        const std::uint32_t address = upper | std::uint32_t(b[1] << 8 | b[2]);
        if (b[3] == 0x04) upper = std::uint32_t(b[4] << 8 | b[5]) << 16;
        if (b[3] != 0x00) continue;
        EXPECT_EQ(address / 16, (address + b[0] - 1) / 16) << line;
        for (unsigned i = 0; i < b[0]; ++i)
            image[address + i] = b[4 + i];
    }
    return image;
}

Bytes at(const std::map<std::uint32_t, std::uint8_t>& image, std::uint32_t address, std::uint32_t n) {
    Bytes out;
    for (auto a = address; a < address + n; ++a)
        out.push_back(image.count(a) ? image.at(a) : 0xEE); // 0xEE: absent
    return out;
}

tools::HexImageRecipe pic18(std::uint64_t seed = 1) {
    tools::HexImageRecipe recipe;
    recipe.part = {4, 0x0000, 0x10000, 0xF00000, 0xF00400};
    recipe.seed = seed;
    recipe.code = {{0x0040, 0x5040}};
    return recipe;
}

} // namespace

TEST(HexGenerator, RecordsAreFramedAsToolsWriteThemAndFollowOnlyTheInputs) {
    auto recipe = pic18(42);
    recipe.eeprom = {1, 2, 3};
    recipe.blocks = {{0x7F00, {'R', 'V', 'X', 0x04, 0x00}}};
    const auto text = tools::generateHex(recipe);
    EXPECT_EQ(0u, text.find(":020000040000FA\r\n"));
    EXPECT_EQ(text.size() - 13, text.rfind(":00000001FF\r\n"));
    // The EEPROM lies in the upper 64 KiB page 0x00F0, announced before it.
    EXPECT_NE(std::string::npos, text.find(":0200000400F00A\r\n:03000000010203F7\r\n"));
    const auto image = bytesOf(text);
    EXPECT_EQ(4u + 0x5000 + 5 + 3, image.size()) << "reset jump, code, block and EEPROM; nothing else";
    EXPECT_EQ((Bytes{0x20, 0xEF, 0x00, 0xF0, 0xEE}), at(image, 0, 5)); // GOTO 0x40, the code's start

    EXPECT_EQ(text, tools::generateHex(recipe));
    auto other = recipe;
    other.seed = 43;
    EXPECT_NE(text, tools::generateHex(other));
    other.resetGoto = false;
    EXPECT_EQ(0x0040u, bytesOf(tools::generateHex(other)).begin()->first);
    other = recipe;
    other.blocks[0].bytes[3] = 0x08;
    const auto changed = bytesOf(tools::generateHex(other));
    std::vector<std::uint32_t> differ;
    for (const auto& [address, value] : image)
        if (changed.at(address) != value) differ.push_back(address);
    EXPECT_EQ(std::vector<std::uint32_t>{0x7F03}, differ);
}

TEST(HexGenerator, ResetJumpEepromBlocksAndConfigurationInEachFamilysLayout) {
    tools::HexImageRecipe mid;
    mid.part = {2, 0, 0x2000, 0x2100, 0x2200};
    mid.code = {{0x0004, 0x0800}};
    mid.entry = 0x0923;
    mid.eeprom = {0xAB, 0xCD};
    mid.blocks = {{0x0100, {0x12, 0x34}}};
    auto image = bytesOf(tools::generateHex(mid));
    auto word = [&](std::uint32_t a) { return image.at(2 * a) | image.at(2 * a + 1) << 8; };
    EXPECT_EQ(0x3009, word(0)); // MOVLW 0x09
    EXPECT_EQ(0x008A, word(1)); // MOVWF PCLATH
    EXPECT_EQ(0x2923, word(2)); // GOTO 0x123
    for (std::uint32_t a = 4; a < 0x800; ++a)
        ASSERT_LE(word(a), 0x3FFE) << a; // 14-bit, never blank
    EXPECT_EQ((Bytes{0xAB, 0x00, 0xCD, 0x00}), at(image, 0x4200, 4));
    EXPECT_EQ((Bytes{0x12, 0x34, 0x34, 0x34}), at(image, 0x0200, 4)); // RETLW 0x12, RETLW 0x34

    tools::HexImageRecipe pic24;
    pic24.part = {5, 0, 0xAC00, 0, 0};
    pic24.code = {{0x0C00, 0x1000}};
    pic24.interruptHandler = 0x0E00;
    image = bytesOf(tools::generateHex(pic24));
    for (const std::uint32_t vector : {0x004u, 0x0FEu, 0x104u, 0x1FEu})
        EXPECT_EQ((Bytes{0x00, 0x0E, 0x00, 0x00}), at(image, 2 * vector, 4)) << vector;
    EXPECT_EQ(0u, image.count(2 * 0x100)); // reserved between the tables
    EXPECT_EQ((Bytes{0x00, 0x0C, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}), at(image, 0, 8));
    for (std::uint32_t h = 0x1800 + 3; h < 0x2000; h += 4)
        ASSERT_EQ(0, image.at(h)) << "phantom byte " << h;

    tools::HexImageRecipe pic32;
    pic32.part = {8, 0x1D000000, 0x1D080000, 0, 0};
    pic32.code = {{0x1D001000, 0x1D001010}};
    pic32.config = {{0x1FC02FFC, 0x7FFFFFFB}};
    const auto text = tools::generateHex(pic32);
    EXPECT_NE(std::string::npos, text.find(":020000041D00DD\r\n"));
    EXPECT_NE(std::string::npos, text.find(":020000041FC01B\r\n"));
    EXPECT_EQ(0x7F, bytesOf(text).at(0x1FC02FFF));
}

TEST(HexGenerator, RecipesThatDoNotFitThePartAreRefused) {
    std::vector<tools::HexImageRecipe> misfits(5, pic18());
    misfits[0].blocks = {{0x10000, {1}}};   // outside flash
    misfits[1].blocks = {{0xFFFF, {1, 2}}}; // running past its end
    misfits[2].eeprom.assign(1025, 0);
    misfits[3].code = {{0x41, 0x80}}; // not word aligned
    misfits[4].part.family = 3;
    for (const auto& recipe : misfits)
        EXPECT_THROW(tools::generateHex(recipe), std::invalid_argument);
}

TEST(HexManifest, ManyImagesFromOneManifestWithDefaults) {
    const auto dir = std::filesystem::temp_directory_path() / "rvx-hexgen-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "params.bin") << "RVX46";
    std::ofstream(dir / "set.txt")
        << "# two resolutions\n"
        << "defaults family=4 flash=0:0x10000 eeprom=0xF00000:0xF00400 code=0x40:0x1040\n"
        << "out=out/a.hex seed=1 block=0x7F00:@params.bin eedata=0102\n"
        << "out=out/b.hex seed=2 reset=none code=0x100:0x200   # replaces the default region\n";
    const auto jobs = tools::readHexManifest(dir / "set.txt");
    ASSERT_EQ(2u, jobs.size());
    EXPECT_EQ(dir / "out/a.hex", jobs[0].out);
    EXPECT_EQ(Bytes({'R', 'V', 'X', '4', '6'}), jobs[0].recipe.blocks.at(0).bytes);
    EXPECT_EQ(Bytes({1, 2}), jobs[0].recipe.eeprom);
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
        ADD_FAILURE() << "no error";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("bad.txt:3: seed: not a number"));
    }
    EXPECT_THROW(tools::makeHexJob({}, tools::parseHexKeys({"family=4", "flash=0:100"}), {}),
                 std::invalid_argument);
    std::filesystem::remove_all(dir);
}

TEST(BlockImage, FourteenBitWordsHighByteFirstWithTheCallersBytesOnTop) {
    const auto block = fwparams::encode({"RVX64", {{"version", 7}, {"variant", 2}, {"baudrate", 2000000}}});
    tools::BlockImageRecipe recipe;
    recipe.seed = 5;
    recipe.codeEnd = 0x200;
    recipe.data.push_back({0x40, block});
    const auto image = tools::generateBlockImage(recipe);
    ASSERT_EQ(image.size(), 7232u);
    for (std::size_t i = 0; i < 0x40; i += 2)
        EXPECT_LE(image[i], 0x3F) << "a program word has 14 bits";
    for (std::size_t i = 0x200; i < image.size(); i += 2)
        ASSERT_TRUE(image[i] == 0x3F && image[i + 1] == 0xFF) << "erased from " << i;
    EXPECT_EQ(tools::generateBlockImage(recipe), image);

    const auto found = fwparams::decode(image);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->model, "RVX64");
    EXPECT_EQ(found->get("baudrate"), 2000000u);
    EXPECT_EQ(found->get("variant"), 2u);
    EXPECT_EQ(found->get("missing", 9), 9u);

    // A block whose sum does not match is not taken for one.
    auto broken = image;
    broken[0x40 + block.size() - 2] ^= 1;
    EXPECT_FALSE(fwparams::decode(broken));

    recipe.data.push_back({7232 - 4, {1, 2, 3, 4, 5}});
    EXPECT_THROW(tools::generateBlockImage(recipe), std::invalid_argument);
}
