// Erase, write, read-back and checksum requests as the bootloader receives
// them, and how the verifier reads the bootloader's checksums.
#include "Support.h"

using namespace an1310test;
using AN1310::Device;
using AN1310::DeviceData;
using AN1310::RangeList;

namespace {

std::uint32_t le32(const Bytes& b, std::size_t i) {
    return b[i] | b[i + 1] << 8 | b[i + 2] << 16 | std::uint32_t(b[i + 3]) << 24;
}

Device family4() {
    Device d;
    d.familyId = 4;
    d.writeBlockSize = 64;
    d.eraseBlockSize = 1024;
    d.flashEnd = 0x10000;
    d.eepromStart = 0xF00000;
    d.eepromEnd = 0xF00100;
    d.ramEnd = 0xF00;
    d.applyFamilyValues();
    return d;
}

struct Components : ::testing::Test {
    FakeLine line;
    LogCapture logs;
    AN1310::Comm comm{*line.link};
    Device device = family4();

    Components() {
        line.device->onRequest = [](const Bytes&, sim::Port& port) { port.send(replyBody({})); };
    }
    std::vector<Bytes> requestsOf(std::uint8_t code) const {
        std::vector<Bytes> found;
        for (const auto& r : line.device->requests)
            if (r[0] == code) found.push_back(r);
        return found;
    }
};

TEST_F(Components, EraseWalksDownwardFourBlocksAtATime) {
    AN1310::DeviceWriter writer(&device, &comm);
    writer.erase(0x0400, 0x2000);
    const auto erases = requestsOf(0x03);
    ASSERT_EQ(2u, erases.size());
    EXPECT_EQ((Bytes{0x03, 0x00, 0x1C, 0, 0, 4}), erases[0]);
    EXPECT_EQ((Bytes{0x03, 0x00, 0x0C, 0, 0, 3}), erases[1]);
    EXPECT_EQ((std::vector<std::string>{"[DeviceWriter] Erasing address: 1C00",
                                        "[DeviceWriter] Erasing address: C00"}),
              logs.status);

    logs.clear();
    writer.eraseRanges({{0x0000, 0x0400}, {0x0400, 0x0800}, {0x2000, 0x2400}});
    EXPECT_TRUE(logs.hasStatus("[DeviceWriter] Erasing (800 to 0]"));
    EXPECT_TRUE(logs.hasStatus("[DeviceWriter] Erasing (2400 to 2000]"));
}

TEST_F(Components, FamilyTwoWithoutEraseCommandWritesBlankWords) {
    Device d;
    d.familyId = 2;
    d.writeBlockSize = 8;
    d.eraseBlockSize = 32;
    d.flashEnd = 0x2000;
    d.applyFamilyValues();
    AN1310::DeviceWriter writer(&d, &comm);
    writer.erase(0x100, 0x140);
    ASSERT_EQ(2u, line.device->requests.size());
    const auto& first = line.device->requests[0];
    ASSERT_EQ(6u + 64, first.size());
    EXPECT_EQ((Bytes{0x04, 0x20, 0x01, 0, 0, 4}), Bytes(first.begin(), first.begin() + 6));
    for (std::size_t i = 6; i < first.size(); i += 2) {
        EXPECT_EQ(0xFF, first[i]);
        EXPECT_EQ(0x3F, first[i + 1]);
    }
    EXPECT_EQ(0x00, line.device->requests[1][1]);
    EXPECT_TRUE(requestsOf(0x03).empty());
}

TEST_F(Components, FamilyEightWholeFlashEraseIsAnnouncedFirst) {
    Device d;
    d.familyId = 8;
    d.bytesPerWordFlash = 4;
    d.writeBlockSize = 512;
    d.eraseBlockSize = 4096;
    d.flashStart = 0x1D000000;
    d.flashEnd = 0x1D004000;
    d.ramEnd = 0x8000;
    d.applyFamilyValues();
    AN1310::DeviceWriter writer(&d, &comm);
    writer.erase(d.flashStart, d.flashEnd);
    ASSERT_EQ(2u, line.device->requests.size());
    EXPECT_EQ(Bytes{0x0B}, line.device->requests[0]);
    EXPECT_EQ(0x03, line.device->requests[1][0]);
    EXPECT_EQ(0x1D003000u, le32(line.device->requests[1], 1));
}

TEST_F(Components, EepromIsWrittenInRequestsOfTheLargestSize) {
    device.ramEnd = 125; // 109-byte packets: 100 data bytes each
    std::vector<std::uint32_t> entries(256);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = 0xFFFFFF00u | std::uint32_t(i);
    AN1310::DeviceWriter writer(&device, &comm);
    writer.writeEeprom(entries, 0xF00000, 0xF00100);
    const auto writes = requestsOf(0x06);
    ASSERT_EQ(3u, writes.size());
    EXPECT_EQ(7u + 100, writes[0].size());
    EXPECT_EQ(0xF00064u, le32(writes[1], 1));
    EXPECT_EQ(100, writes[1][5]);
    EXPECT_EQ(100, writes[1][7]) << "the low byte of entry 100";
    EXPECT_EQ(7u + 56, writes[2].size());
    EXPECT_EQ(56, writes[2][5]);
    EXPECT_TRUE(logs.hasDebug("[DeviceWriter] maxWrite: 100"));
}

TEST_F(Components, FlashWritesCarryTheImageWordsLowByteFirst) {
    DeviceData image(&device);
    image.flash[0x8000 / 2] = 0xABCD;
    image.flash[0x803E / 2] = 0x1234;
    AN1310::DeviceWriter writer(&device, &comm);
    writer.writeFlash(image, 0, 0x10000);
    ASSERT_EQ(1u, requestsOf(0x03).size());
    const auto writes = requestsOf(0x04);
    ASSERT_EQ(1u, writes.size());
    ASSERT_EQ(6u + 64, writes[0].size());
    EXPECT_EQ(0x8000u, le32(writes[0], 1));
    EXPECT_EQ(1, writes[0][5]);
    EXPECT_EQ(0xCD, writes[0][6]);
    EXPECT_EQ(0xAB, writes[0][7]);
    EXPECT_EQ(0x34, writes[0][6 + 62]);
    EXPECT_EQ(0x12, writes[0][6 + 63]);
    EXPECT_TRUE(logs.hasStatus("[DeviceWriter] Writing address: 8000"));
}

// The bootloader's side of a checksum request: CRCs that run on from block to
// block over the chip's words.
struct ChecksummingChip {
    std::vector<std::uint16_t> words; // one per 2 bytes of a family-4 flash
    std::uint32_t eraseBlock = 1024;
    std::size_t truncate = SIZE_MAX;

    Bytes answer(std::uint32_t address, std::uint32_t blocks) const {
        Bytes reply;
        std::uint16_t crc = 0;
        for (std::uint32_t b = 0; b < blocks; ++b) {
            for (std::uint32_t a = address + b * eraseBlock; a < address + (b + 1) * eraseBlock; a += 2) {
                const Bytes pair{std::uint8_t(words[a / 2]), std::uint8_t(words[a / 2] >> 8)};
                crc = AN1310::crc16(pair, crc);
            }
            reply.push_back(std::uint8_t(crc));
            reply.push_back(std::uint8_t(crc >> 8));
        }
        reply.resize(std::min(reply.size(), truncate));
        return reply;
    }
};

TEST_F(Components, VerifyReportsExactlyTheFailedBlocks) {
    DeviceData image(&device);
    ChecksummingChip chip;
    chip.words.assign(0x8000, 0xFFFF);
    for (std::uint32_t a = 0; a < 0x4000; a += 2)
        image.flash[a / 2] = chip.words[a / 2] = std::uint16_t(a * 7);
    for (std::uint32_t block : {3u, 4u, 5u})
        chip.words[block * 512 + 17] ^= 0x0100;
    chip.words[0x6000 / 2] = 0x0000; // should be blank
    line.device->onRequest = [&chip](const Bytes& r, sim::Port& port) {
        port.send(rawBody(chip.answer(le32(r, 1), r[5] | r[6] << 8)));
    };
    AN1310::DeviceVerifier verifier(&device, &comm);
    EXPECT_FALSE(verifier.verify(image, 0, 0x10000));
    EXPECT_EQ((RangeList{{0xC00, 0x1000}, {0x1000, 0x1400}, {0x1400, 0x1800}}), verifier.rewriteNeeded());
    EXPECT_EQ((RangeList{{0x6000, 0x6400}}), verifier.eraseNeeded());
    EXPECT_EQ(4, verifier.failures());
    EXPECT_TRUE(logs.hasStatus("[DeviceVerifier] Verify failed in address range C00 - 1000"));
    EXPECT_TRUE(logs.hasDebug("[DeviceVerifier] CRC verify [0 - 10000)"));
    EXPECT_TRUE(logs.warnings.empty());

    chip.words = std::vector<std::uint16_t>(image.flash.begin(), image.flash.begin() + 0x8000);
    EXPECT_TRUE(verifier.verify(image, 0, 0x10000));
    EXPECT_TRUE(verifier.rewriteNeeded().empty());
}

TEST_F(Components, AShortChecksumReplyFailsTheBlocksItLeavesOut) {
    DeviceData image(&device);
    ChecksummingChip chip;
    chip.words.assign(0x8000, 0xFFFF);
    chip.truncate = 2 * 60 + 1; // 60 blocks and a half
    line.device->onRequest = [&chip](const Bytes& r, sim::Port& port) {
        port.send(rawBody(chip.answer(le32(r, 1), r[5] | r[6] << 8)));
    };
    device.bootloaderStart = 0xFC00;
    device.bootloaderEnd = 0x10000;
    AN1310::DeviceVerifier verifier(&device, &comm);
    EXPECT_FALSE(verifier.verify(image, 0, 0x10000));
    EXPECT_EQ(std::vector<std::string>{"[DeviceVerifier] Received 121 bytes but expected 126"},
              logs.warnings);
    EXPECT_EQ((RangeList{{0xF000, 0xF400}, {0xF400, 0xF800}, {0xF800, 0xFC00}}), verifier.eraseNeeded());
}

TEST_F(Components, ReadsArePipelinedAndSizedByTheLimit) {
    line.device->onRequest = [](const Bytes& r, sim::Port& port) {
        const std::uint32_t address = le32(r, 1), count = r[5] | r[6] << 8;
        Bytes data;
        for (std::uint32_t i = 0; i < count; ++i)
            data.push_back(std::uint8_t(address + i));
        port.send(replyBody(data));
    };
    AN1310::DeviceReader reader(&device, &comm);
    reader.setMaxRead(256);
    std::vector<std::uint32_t> words(0x300 / 2);
    reader.readFlash(words, 0x1000, 0x1300);
    ASSERT_EQ(3u, line.device->requests.size());
    EXPECT_EQ(0x1200u, le32(line.device->requests[2], 1));
    EXPECT_EQ(0x00, line.device->requests[2][5]);
    EXPECT_EQ(0x01, line.device->requests[2][6]);
    EXPECT_EQ(0x0100u, words[0]);
    EXPECT_EQ(0xFFFEu, words.back());
    EXPECT_TRUE(logs.warnings.empty());
}

TEST_F(Components, FamilyFiveVectorsAreRoutedThroughTheBootloadersTable) {
    Device d;
    d.familyId = 5;
    d.bytesPerWordFlash = 3;
    d.writeBlockSize = 64;
    d.eraseBlockSize = 512;
    d.flashEnd = 0xAC00;
    d.ramStart = 0x800;
    d.ramEnd = 0x2800;
    d.ivtStart = 4;
    d.ivtEnd = 10; // three vectors keep the test small
    d.aivtStart = 0x104;
    d.aivtEnd = 0x106;
    d.applyFamilyValues();
    // The chip's vectors point at its jump slots 0x1000, 0x1004, 0x1008 (and
    // 0x100C for the alternate table).
    line.device->onRequest = [](const Bytes& r, sim::Port& port) {
        const std::uint32_t address = le32(r, 1), count = r[5] | r[6] << 8;
        Bytes data;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t slot = address == 4 ? 0x1000 + 4 * i : 0x100C;
            data.insert(data.end(), {std::uint8_t(slot), std::uint8_t(slot >> 8), 0});
        }
        port.send(replyBody(data));
    };
    DeviceData image(&d);
    image.flash[2] = 0x002468; // vector 0: the application's handler
    image.flash[3] = 0x001004; // vector 1: already the chip's
    image.flash[4] = 0x003000; // vector 2: its slot is taken
    image.flash[0x1000 / 2 + 0] = 0xFFFFFF;
    image.flash[0x1008 / 2] = 0x000000;
    image.flash[0x104 / 2] = 0x002222; // alternate vector: slot already holds the jump
    image.flash[0x100C / 2] = 0x042222;
    image.flash[0x100C / 2 + 1] = 0x000000;
    AN1310::DeviceReader reader(&d, &comm);
    AN1310::remapInterruptVectors(reader, image);

    EXPECT_EQ(0x1000u, image.flash[2]);
    EXPECT_EQ(0x042468u, image.flash[0x1000 / 2]);
    EXPECT_EQ(0u, image.flash[0x1000 / 2 + 1]);
    EXPECT_EQ(0x003000u, image.flash[4]);
    EXPECT_EQ(0x100Cu, image.flash[0x104 / 2]);
    EXPECT_EQ(
        std::vector<std::string>{
            "IVT: 2 - Flash memory at 1008 is not empty for IVT remap goto: 043000 000000"},
        logs.warnings);
    ASSERT_TRUE(d.chipIvt.has_value());
    const auto reads = line.device->requests.size();
    AN1310::remapInterruptVectors(reader, image);
    EXPECT_EQ(reads, line.device->requests.size()) << "the chip's tables are read once per device";
}

} // namespace
