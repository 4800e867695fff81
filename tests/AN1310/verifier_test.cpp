// How the verifier reads the bootloader's checksums, against a hand-written
// bootloader fake.
#include "Support.h"

using namespace an1310test;
using AN1310::DeviceData;
using AN1310::RangeList;

namespace {

struct Components : ::testing::Test {
    FakeLine line;
    LogCapture logs;
    AN1310::Comm comm{*line.link};
    AN1310::Device device = testDevice(4);
};

// Answers checksum requests over `words`, cut to `truncate` bytes.
void answerChecksums(FakeLine& line, const std::vector<std::uint16_t>& words,
                     std::size_t truncate = SIZE_MAX) {
    line.device->onRequest = [&words, truncate](const Bytes& r, sim::Port& port) {
        auto reply = checksumReply(r, words, 1024);
        reply.resize(std::min(reply.size(), truncate));
        port.send(rawBody(reply));
    };
}

TEST_F(Components, VerifyReportsExactlyTheFailedBlocks) {
    DeviceData image(&device);
    std::vector<std::uint16_t> chip(0x8000, 0xFFFF);
    for (std::uint32_t a = 0; a < 0x4000; a += 2)
        image.flash[a / 2] = chip[a / 2] = std::uint16_t(a * 7);
    for (std::uint32_t block : {3u, 4u, 5u})
        chip[block * 512 + 17] ^= 0x0100;
    chip[0x6000 / 2] = 0x0000; // should be blank
    answerChecksums(line, chip);
    AN1310::DeviceVerifier verifier(&device, &comm);
    EXPECT_FALSE(verifier.verify(image, 0, 0x10000));
    EXPECT_EQ((RangeList{{0xC00, 0x1000}, {0x1000, 0x1400}, {0x1400, 0x1800}}), verifier.rewriteNeeded());
    EXPECT_EQ((RangeList{{0x6000, 0x6400}}), verifier.eraseNeeded());
    EXPECT_EQ(4, verifier.failures());
    EXPECT_TRUE(logs.hasStatus("[DeviceVerifier] Verify failed in address range C00 - 1000"));
    EXPECT_TRUE(logs.warnings.empty());

    chip.assign(image.flash.begin(), image.flash.begin() + 0x8000);
    EXPECT_TRUE(verifier.verify(image, 0, 0x10000));
    EXPECT_TRUE(verifier.rewriteNeeded().empty());
}

TEST_F(Components, AShortChecksumReplyFailsTheBlocksItLeavesOut) {
    DeviceData image(&device);
    const std::vector<std::uint16_t> chip(0x8000, 0xFFFF);
    answerChecksums(line, chip, 2 * 60 + 1); // 60 blocks and a half
    device.bootloaderStart = 0xFC00;
    device.bootloaderEnd = 0x10000;
    AN1310::DeviceVerifier verifier(&device, &comm);
    EXPECT_FALSE(verifier.verify(image, 0, 0x10000));
    EXPECT_EQ(std::vector<std::string>{"[DeviceVerifier] Received 121 bytes but expected 126"},
              logs.warnings);
    EXPECT_EQ((RangeList{{0xF000, 0xF400}, {0xF400, 0xF800}, {0xF800, 0xFC00}}), verifier.eraseNeeded());
}

} // namespace
