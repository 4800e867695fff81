// The read-back comparison: which offsets count, how differences and bad
// read-back replies end the update, and that the encoder is reset after them.
#include "BlockBench.h"

#include <fmt/format.h>

using namespace blocktest;

TEST(BlockVerify, OnlyOffsetsFrom16To7199AreComparedAndEachDifferenceIsReported) {
    // A buffer cell stuck at 0xEE corrupts that byte of every block; the
    // chip's own bytes at 5 and the bytes from 7200 on go unreported.
    for (const std::uint16_t cell : {0x0125, 0x0145}) {
        SCOPED_TRACE(cell);
        BlockBench b(Options{{"stuck", std::to_string(cell)}, {"stuckvalue", "0xEE"}});
        const auto bytes = image(7232, 5);
        b.expectFailure(bytes, "Verification failed", 0);
        std::vector<std::string> expected;
        for (std::size_t offset = cell - 0x0120; offset < bytes.size(); offset += 64)
            if (offset >= 16 && offset < 7200 && bytes[offset] != 0xEE)
                expected.push_back(fmt::format("Verify failed at 0x{:X}", offset));
        EXPECT_EQ(expected, b.linesStartingWith("Verify failed at"));
        EXPECT_EQ(1, b.count("Verify block 112/113")); // the whole image was checked
        b.expectSettled(Mode::Application);
    }
}

TEST(BlockVerify, OneDifferenceAt0x1AIsReportedOnceAndFailsTheUpdate) {
    BlockBench b(Options{{"stuck", "0x013A"}, {"stuckvalue", "0"}});
    auto bytes = image(7232);
    for (std::size_t offset = 0x1A; offset < bytes.size(); offset += 64)
        bytes[offset] = offset == 0x1A ? 0x12 : 0x00;
    b.expectFailure(bytes, "Verification failed", 0);
    EXPECT_EQ(std::vector<std::string>{"Verify failed at 0x1A"}, b.linesStartingWith("Verify failed at"));
    const auto at = std::find(b.lines.begin(), b.lines.end(), "Verify failed at 0x1A");
    EXPECT_EQ("Verify block 0/113", *(at - 1));
    EXPECT_EQ("Verify block 112/113", b.lines.back());
}

TEST(BlockVerify, BadReadBackRepliesFailAndTheEncoderIsResetAfterEvery) {
    BlockBench vector(Options{{"shortread", "11"}});
    vector.expectFailure(image(7232), "appvec error", 11);
    EXPECT_EQ(1, vector.count("appvec: 31 80 28 20"));
    vector.expectSettled(Mode::Application);

    // Read-back replies cut short, endless (cells of 3F without a line feed;
    // command 684 reads the first piece of block 0), or not hexadecimal.
    const std::pair<Options, bool> faults[] = {
        {{{"shortread", "46"}}, false}, {{{"babble", "684"}}, false}, {{{"nonhex", ""}}, true}};
    for (const auto& [fault, notHexadecimal] : faults) {
        SCOPED_TRACE(fault.begin()->first);
        BlockBench b(fault);
        try {
            b.program(image(7232));
            ADD_FAILURE() << "no exception";
        } catch (const std::out_of_range&) {
            EXPECT_FALSE(notHexadecimal);
        } catch (const std::invalid_argument&) {
            EXPECT_TRUE(notHexadecimal);
        }
        b.expectSettled(Mode::Application);
    }
}
