// Whole re-flashes of the bare block-bootloader chip, and the images and
// callbacks refused before the line is touched.
#include "BlockBench.h"

using namespace blocktest;

TEST(BlockProgram, WholeBlocksAreWrittenReadBackAndStartedAndATailIsIgnored) {
    for (const std::size_t size : {std::size_t{7232}, std::size_t{7232 + 40}}) {
        SCOPED_TRACE(size);
        BlockBench b;
        const auto bytes = image(size, 3);
        b.program(bytes);

        std::vector<std::string> expected = {
            "device/rev: 5A13", "UNLOCK: *",
            fmt::format("nwords: {} nbytes: {} nblks: 113\n", size / 2, size)};
        for (int block = 0; block < 113; ++block)
            expected.push_back(fmt::format("Writing block {}/113", block));
        expected.push_back(
            fmt::format("appvec: {:02X} {:02X} {:02X} {:02X} ", bytes[0], bytes[1], bytes[2], bytes[3]));
        for (int block = 0; block < 113; ++block)
            expected.push_back(fmt::format("Verify block {}/113", block));
        EXPECT_EQ(expected, b.lines);

        b.expectHolds(bytes);
        EXPECT_EQ(Mode::Application, b.bootloader().mode());
        // Block 5 at word address 0x00A0, in the case each command takes.
        const auto& commands = b.bootloader().commands();
        for (const auto* command : {"b00a0", "u00a0", "R00A0"})
            EXPECT_EQ(1, std::count(commands.begin(), commands.end(), command)) << command;
        std::string firstPiece = "m20";
        for (std::size_t i = 5 * 64; i < 5 * 64 + 16; ++i)
            firstPiece += fmt::format("{:02X}", bytes[i]);
        EXPECT_EQ(firstPiece, commands.at(2 + 5 * 6));
        EXPECT_EQ("Q", commands.back());
    }
}

TEST(BlockProgram, BadImagesAndAMissingCallbackAreRefusedBeforeTheLineIsTouched) {
    const std::size_t sizes[] = {0, 63, 2048 * 64 + 64};
    for (const auto size : sizes) {
        SCOPED_TRACE(size);
        BlockBench b;
        const auto calls = b.module->counters.calls;
        b.expectFailure(image(size), "Invalid image size", static_cast<std::uint32_t>(size));
        EXPECT_EQ(calls, b.module->counters.calls);
        EXPECT_TRUE(b.lines.empty());
    }
    BlockBench b;
    const auto calls = b.module->counters.calls;
    EXPECT_THROW(hexldr::programImage(*b.link, image(7232), nullptr), std::bad_function_call);
    EXPECT_EQ(calls, b.module->counters.calls);

    // The most that word addresses reach is not refused here: this chip
    // refuses the first block beyond its 113, whole again, and restarts.
    b.expectFailure(image(2048 * 64 + 63), "b response error", '?');
    EXPECT_EQ("nwords: 65567 nbytes: 131135 nblks: 2048\n", b.lines.at(2));
    EXPECT_EQ("Writing block 113/2048", b.lines.back());
    b.expectSettled(Mode::Application);
}
