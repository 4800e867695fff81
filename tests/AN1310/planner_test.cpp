// Which flash ranges get erased and written, for each family's rules.
#include "Support.h"

using namespace an1310test;
using AN1310::DeviceData;
using AN1310::RangeList;

namespace {

struct Planning : ::testing::Test {
    LogCapture logs;
};

TEST_F(Planning, TheBootloaderSplitsWritesAndIsNeverErased) {
    auto d = testDevice(AN1310::Family::PIC18);
    const AN1310::WritePlanner planner(&d);
    DeviceData image(&d);
    d.bootloaderStart = 0x8000;
    d.bootloaderEnd = 0x8400;
    for (std::uint32_t a = 0x7F00; a < 0x8500; a += 2)
        image.flash[a / 2] = 0x0000;
    const auto plan = planner.writePlan(0, 0x10000, image);
    EXPECT_EQ((RangeList{{0x7F00, 0x8000}, {0x8400, 0x8500}}), plan.write);
    EXPECT_EQ((RangeList{{0x7C00, 0x8000}, {0x8400, 0x8800}}), plan.erase);

    d.ramEnd = 0x10000; // room for more than 255 blocks: the count byte must not overflow
    EXPECT_EQ(255u * 64, planner.maxWritePacket());
}

TEST_F(Planning, FamilyFiveErasesTheCommitBlockFirstAndWritesItLast) {
    auto d = testDevice(AN1310::Family::PIC24);
    const AN1310::WritePlanner planner(&d);
    d.bootloaderStart = 0x400;
    d.bootloaderEnd = 0xC00;
    DeviceData image(&d);
    for (std::uint32_t a = 0; a < 0x200; a += 2)
        image.flash[a / 2] = 0x000C00; // vectors
    for (std::uint32_t a = 0xC00; a < 0x1400; a += 2)
        image.flash[a / 2] = 0x123456; // right after the bootloader
    const auto plan = planner.writePlan(0, 0xAC00, image);
    EXPECT_EQ((RangeList{{0xC00, 0x1000}, {0x1000, 0x1400}}), plan.erase)
        << "the commit block is erased first; the vector page stays";
    ASSERT_FALSE(plan.write.empty());
    EXPECT_EQ((AN1310::Range{0, 0x200}), plan.write.front());
    EXPECT_EQ((AN1310::Range{0xC00, 0xC80}), plan.write.back()) << "and the commit block written last";
}

TEST_F(Planning, FamilyTwoWithoutEraseCommandRewritesWholeEraseBlocks) {
    auto d = testDevice(AN1310::Family::PIC16);
    d.bootloaderStart = 0x1F00;
    d.bootloaderEnd = 0x2000;
    DeviceData image(&d);
    image.flash[0x105] = 0x0000;
    const AN1310::WritePlanner planner(&d);
    auto plan = planner.writePlan(0, 0x2000, image);
    EXPECT_EQ((RangeList{{0x100, 0x120}}), plan.write);
    EXPECT_TRUE(plan.erase.empty());
    d.capabilities = 1; // this bootloader has the erase command
    plan = planner.writePlan(0, 0x2000, image);
    EXPECT_EQ((RangeList{{0x100, 0x108}}), plan.write);
    EXPECT_EQ((RangeList{{0x100, 0x120}}), plan.erase);
}

} // namespace
