// The read-back comparison: which offsets count, how differences and bad
// read-back replies end the update, and that the encoder is reset after them.
#include "BlockBench.h"

using namespace blocktest;

TEST(BlockVerify, OnlyOffsetsFrom16To7199AreComparedAndEachDifferenceIsReportedInItsBlock) {
    // A buffer cell stuck at 0xEE corrupts that byte of every block; the
    // chip's own bytes at 5 and the bytes from 7200 on go unreported. Stuck
    // at 0 under an image with a single byte there that is not 0: one report.
    const struct {
        std::uint16_t cell;
        std::uint8_t value;
        bool onlyFirstDiffers;
    } cases[] = {{0x0125, 0xEE, false}, {0x0145, 0xEE, false}, {0x013A, 0x00, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        BlockBench b(Options{{"stuck", std::to_string(c.cell)}, {"stuckvalue", std::to_string(c.value)}});
        auto bytes = image(7232, 5);
        for (std::size_t offset = c.cell - 0x0120u; c.onlyFirstDiffers && offset < bytes.size(); offset += 64)
            bytes[offset] = offset < 64 ? 0x12 : c.value;
        b.expectFailure(bytes, "Verification failed", 0);
        // Each block's progress line, then its difference; the whole image is checked.
        std::vector<std::string> expected;
        for (std::size_t block = 0; block < 113; ++block) {
            expected.push_back(fmt::format("Verify block {}/113", block));
            const auto offset = block * 64 + c.cell - 0x0120u;
            if (offset >= 16 && offset < 7200 && bytes[offset] != c.value)
                expected.push_back(fmt::format("Verify failed at 0x{:X}", offset));
        }
        ASSERT_GE(b.lines.size(), expected.size());
        EXPECT_EQ(expected, std::vector(b.lines.end() - long(expected.size()), b.lines.end()));
        b.expectSettled(Mode::Application);
    }
}

TEST(BlockVerify, BadReadBackRepliesFailAndTheEncoderIsResetAfterEvery) {
    BlockBench vector(Options{{"shortread", "11"}});
    vector.expectFailure(image(7232), "appvec error", 11);
    EXPECT_EQ("appvec: 31 80 28 20", vector.lines.back());
    vector.expectSettled(Mode::Application);

    // Read-back replies cut short, endless (cells of 3F without a line feed;
    // command 684 reads the first piece of block 0), or not hexadecimal.
    const std::pair<Options, bool> faults[] = {
        {{{"shortread", "46"}}, false}, {{{"babble", "684"}}, false}, {{{"nonhex", ""}}, true}};
    for (const auto& [fault, notHexadecimal] : faults) {
        SCOPED_TRACE(fault.begin()->first);
        BlockBench b(fault);
        if (notHexadecimal)
            EXPECT_THROW(b.program(image(7232)), std::invalid_argument);
        else
            EXPECT_THROW(b.program(image(7232)), std::out_of_range);
        b.expectSettled(Mode::Application);
    }
}
