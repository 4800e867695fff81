// Which flash ranges get erased and written, for each family's rules.
#include "Support.h"

using namespace an1310test;
using AN1310::Device;
using AN1310::DeviceData;
using AN1310::RangeList;

namespace {

Device family4(std::uint32_t write = 64, std::uint32_t erase = 1024) {
    Device d;
    d.familyId = 4;
    d.writeBlockSize = write;
    d.eraseBlockSize = erase;
    d.flashEnd = 0x10000;
    d.ramEnd = 0xF00;
    d.applyFamilyValues();
    return d;
}

struct Planning : ::testing::Test {
    LogCapture logs;
};

TEST_F(Planning, OneWordInTheMiddleOfFlash) {
    Device d = family4();
    DeviceData image(&d);
    image.flash[0x8010 / 2] = 0x1234;
    const auto plan = AN1310::WritePlanner(&d).writePlan(0, 0x10000, image);
    EXPECT_EQ((RangeList{{0x8000, 0x8040}}), plan.write);
    EXPECT_EQ((RangeList{{0x8000, 0x8400}}), plan.erase);
    EXPECT_TRUE(logs.hasDebug("Max write packet size: 3816 bytes"));
}

TEST_F(Planning, TheBootloaderSplitsWritesAndIsNeverErased) {
    Device d = family4();
    d.bootloaderStart = 0x8000;
    d.bootloaderEnd = 0x8400;
    DeviceData image(&d);
    for (std::uint32_t a = 0x7F00; a < 0x8500; a += 2)
        image.flash[a / 2] = 0x0000;
    const AN1310::WritePlanner planner(&d);
    const auto plan = planner.writePlan(0, 0x10000, image);
    EXPECT_EQ((RangeList{{0x7F00, 0x8000}, {0x8400, 0x8500}}), plan.write);
    EXPECT_EQ((RangeList{{0x7C00, 0x8000}, {0x8400, 0x8800}}), plan.erase);
    EXPECT_EQ((RangeList{{0, 0x8000}, {0x8400, 0x10000}}), planner.eraseList());

    d.bootloaderStart = 0xFC00; // at the top, as family-4 bootloaders usually are
    d.bootloaderEnd = 0x10000;
    EXPECT_EQ((RangeList{{0, 0xFC00}}), planner.eraseList());
}

TEST_F(Planning, ConfigurationInsideFlashKeepsItsBlock) {
    Device d = family4(64, 1024);
    d.configStart = 0xFFF8;
    d.configEnd = 0x10000;
    DeviceData image(&d);
    image.flash[0xFB00 / 2] = 0;
    const AN1310::WritePlanner planner(&d);
    EXPECT_EQ((RangeList{{0, 0xFC00}}), planner.eraseList());
    const auto plan = planner.writePlan(0, 0xFC00, image);
    EXPECT_EQ((RangeList{{0xF800, 0xFC00}}), plan.erase);
}

TEST_F(Planning, LongRangesAreCutIntoPackets) {
    Device d = family4();
    DeviceData image(&d);
    for (std::uint32_t a = 0; a < 0x2000; a += 2)
        image.flash[a / 2] = 0x1111;
    const auto plan = AN1310::WritePlanner(&d).writePlan(0, 0x10000, image);
    // 3816 bytes per packet: 59 blocks of 64 bytes.
    EXPECT_EQ((RangeList{{0, 3776}, {3776, 7552}, {7552, 0x2000}}), plan.write);
    EXPECT_EQ((RangeList{{0, 0x2000}}), plan.erase);
}

TEST_F(Planning, NothingToWrite) {
    Device d = family4();
    DeviceData image(&d);
    const auto plan = AN1310::WritePlanner(&d).writePlan(0, 0x10000, image);
    EXPECT_TRUE(plan.write.empty());
    EXPECT_TRUE(plan.erase.empty());
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
    d.bootloaderStart = 0x400;
    d.bootloaderEnd = 0xC00;
    return d;
}

TEST_F(Planning, FamilyFiveKeepsTheVectorPageAndOrdersTheCommitBlock) {
    Device d = family5();
    const AN1310::WritePlanner planner(&d);
    EXPECT_EQ((RangeList{{0xC00, 0xAC00}}), planner.eraseList());
    d.bootloaderStart = d.bootloaderEnd = 0;
    EXPECT_EQ((RangeList{{0x400, 0xAC00}}), planner.eraseList()) << "max(erase block 0x400, 512)";
    d = family5();

    DeviceData image(&d);
    for (std::uint32_t a = 0; a < 0x200; a += 2)
        image.flash[a / 2] = 0x000C00; // vectors
    for (std::uint32_t a = 0xC00; a < 0x1400; a += 2)
        image.flash[a / 2] = 0x123456; // right after the bootloader
    const auto plan = planner.writePlan(0, 0xAC00, image);
    ASSERT_FALSE(plan.erase.empty());
    EXPECT_EQ((AN1310::Range{0xC00, 0x1000}), plan.erase.front()) << "the commit block is erased first";
    EXPECT_EQ((RangeList{{0xC00, 0x1000}, {0x1000, 0x1400}}), plan.erase) << "the vector page stays";
    ASSERT_FALSE(plan.write.empty());
    EXPECT_EQ((AN1310::Range{0xC00, 0xC80}), plan.write.back()) << "and written last";
    EXPECT_EQ((AN1310::Range{0, 0x200}), plan.write.front());
}

TEST_F(Planning, FamilyTwoWithoutEraseCommandRewritesWholeEraseBlocks) {
    Device d;
    d.familyId = 2;
    d.writeBlockSize = 8;
    d.eraseBlockSize = 32;
    d.flashEnd = 0x2000;
    d.applyFamilyValues();
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

TEST_F(Planning, TheBlockCountByteNeverOverflows) {
    Device d = family4(64, 1024);
    d.ramEnd = 0x10000; // room for more than 255 blocks
    const AN1310::WritePlanner planner(&d);
    EXPECT_EQ(255u * 64, planner.maxWritePacket());
}

} // namespace
