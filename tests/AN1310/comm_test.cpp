// The packet channel and the verifier against a hand-written bootloader fake:
// what goes on the wire, what is accepted back, how every kind of bad reply
// ends, and which blocks a verify reports.
#include "Support.h"

using namespace an1310test;
using AN1310::Comm;
using AN1310::DeviceData;
using AN1310::RangeList;

namespace {

// The reply body a bootloader sends after its sync STX: payload, checksum, ETX.
Bytes replyBody(const Bytes& payload) {
    auto frame = AN1310::encodeFrame(payload);
    frame.erase(frame.begin());
    return frame;
}

std::uint32_t le32(const Bytes& b, std::size_t i) {
    return b[i] | b[i + 1] << 8 | b[i + 2] << 16 | std::uint32_t(b[i + 3]) << 24;
}

// A bootloader written from the wire: echoes a sync STX, unescapes requests up
// to ETX and hands each payload (checksum removed) to `onRequest`.
struct FakeBootloader final : sim::UartDevice {
    std::function<void(const Bytes& request, sim::Port&)> onRequest;
    bool echoStx = true;
    Bytes received;              // every byte the host wrote
    std::vector<Bytes> requests; // unescaped request payloads, checksum removed
    Bytes packet;
    bool escaped = false;

    void receive(std::span<const std::uint8_t> bytes, sim::Port& port) override {
        for (auto byte : bytes) {
            received.push_back(byte);
            if (!escaped && byte == AN1310::STX) {
                packet.clear();
                if (echoStx) port.send({AN1310::STX});
            } else if (!escaped && byte == AN1310::DLE) {
                escaped = true;
            } else if (!escaped && byte == AN1310::ETX && packet.size() >= 2) {
                requests.emplace_back(packet.begin(), packet.end() - 2);
                if (onRequest) onRequest(requests.back(), port);
            } else {
                packet.push_back(byte);
                escaped = false;
            }
        }
    }
};

// Data and checksum (0x040F) both hold control bytes.
const Bytes controlPayload{0x04, 0x33, 0x0F, 0x9C};

struct Channel : ::testing::Test {
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    std::unique_ptr<FakeBootloader> owned = std::make_unique<FakeBootloader>();
    FakeBootloader& fake = *owned;
    sim::Module& module = bench->addUart(std::move(owned), "fake-bootloader");
    std::unique_ptr<UartLink> link = openLink();
    LogCapture logs;
    Comm comm{*link};
    AN1310::Device device = testDevice(AN1310::Family::PIC18);

    // The fake answers every request with `payload`.
    void answerWith(const Bytes& payload) {
        fake.onRequest = [payload](const Bytes&, sim::Port& port) { port.send(replyBody(payload)); };
    }
    // What receivePacket made of the bytes on the line: the payload, or the error's message.
    std::string received() {
        try {
            return fmt::format("{:02X}", fmt::join(comm.receivePacket(100, true), " "));
        } catch (const AN1310::Exception& e) {
            return e.what();
        }
    }
    // A PIC18F2620 bootloader whose flash holds `words` (erase blocks of 1024
    // bytes) whatever it is sent: it acknowledges every request and answers
    // checksums, which run on from block to block (cut to `truncate` bytes).
    void answerAsStuckFlash(const std::vector<std::uint16_t>& words, std::size_t truncate = SIZE_MAX) {
        fake.onRequest = [&words, truncate](const Bytes& r, sim::Port& port) {
            if (r[0] == 0x00)
                return port.send(replyBody({0x00, 0x04, 1, 5, 0x00, 0x04, 0x00, 0xFC, 0, 0, 100, 0}));
            if (r[0] != 0x02) return port.send(replyBody({r[0]}));
            Bytes sums, reply;
            std::uint16_t crc = 0;
            for (std::uint32_t a = le32(r, 1), b = 0; b < unsigned(r[5] | r[6] << 8); ++b) {
                for (const auto end = a + 1024; a < end; a += 2)
                    crc = AN1310::crc16(Bytes{std::uint8_t(words[a / 2]), std::uint8_t(words[a / 2] >> 8)},
                                        crc);
                sums.insert(sums.end(), {std::uint8_t(crc), std::uint8_t(crc >> 8)});
            }
            sums.resize(std::min(sums.size(), truncate));
            for (auto byte : sums) { // escaped, with no checksum of its own
                if (byte == AN1310::STX || byte == AN1310::ETX || byte == AN1310::DLE)
                    reply.push_back(AN1310::DLE);
                reply.push_back(byte);
            }
            reply.push_back(AN1310::ETX);
            port.send(reply);
        };
    }
};

TEST_F(Channel, FramesAreEscapedAndTheBodyIsSentOnlyAfterTheSync) {
    const auto frame = AN1310::encodeFrame(controlPayload);
    EXPECT_EQ((Bytes{0x0F, 0x05, 0x04, 0x33, 0x05, 0x0F, 0x9C, 0x05, 0x0F, 0x05, 0x04, 0x04}), frame);
    answerWith({0x11, 0x04, 0x22});
    EXPECT_EQ((Bytes{0x11, 0x04, 0x22}), comm.transact(frame, 4, 1000));
    EXPECT_EQ(frame, fake.received);

    link->purge(FTDI::PURGE_RX);
    fake.echoStx = false;
    fake.received.clear();
    EXPECT_THROW(comm.transact(frame, 4, 1000), AN1310::ReadTimeout);
    EXPECT_THROW(comm.sendPacket(frame), AN1310::ReadTimeout);
    EXPECT_EQ((Bytes{0x0F, 0x0F}), fake.received) << "the body is never sent without the sync";
}

TEST_F(Channel, RepliesGoodAndBad) {
    auto corrupt = replyBody({0x10, 0x20, 0x30});
    corrupt[1] ^= 0x01; // 0x20 -> 0x21 on the wire
    auto afterDle = replyBody({0x30, 0x04});
    afterDle.erase(afterDle.begin(), afterDle.begin() + 2); // 0x30, DLE already sent
    Bytes sixRestarts{0x0F};
    for (int i = 0; i < 6; ++i)
        sixRestarts.insert(sixRestarts.end(), {0x31, 0x0F});
    struct Case {
        const char* name;
        std::vector<Bytes> wire;
        std::string result;
        std::size_t warnings;
        std::string lastWarning;
    };
    const auto badCrc =
        fmt::format("Packet CRC: {:X} Computed CRC: {:X} Length: 1", AN1310::crc16(Bytes{0x10, 0x20, 0x30}),
                    AN1310::crc16(Bytes{0x10, 0x21, 0x30}));
    // clang-format off
    const Case cases[] = {
        {"junk before the STX", {{0x55, 0xAA, 0x0F}, replyBody({1, 2})}, "01 02", 0, ""},
        {"escaped data and checksum", {{0x0F}, replyBody(controlPayload)}, "04 33 0F 9C", 0, ""},
        // The DLE ends the first chunk; the escaped byte comes in the next read.
        {"DLE at the end of a chunk", {{0x0F, 0x30, 0x05}, afterDle}, "30 04", 0, ""},
        {"interrupted and sent anew", {{0x0F, 0x99, 0x98}, {0x0F}, replyBody({1, 2})}, "01 02", 1,
         "Unexpected STX received, restarting receive packet."},
        {"six restarts", {sixRestarts, replyBody({1})}, "AN1310: Read timeout", 6,
         "Too many errors, aborting."},
        {"one byte, no checksum", {{0x0F, 0x42, 0x04}}, "AN1310: Bad Checksum", 0, ""},
        {"corrupt", {{0x0F}, corrupt}, "AN1310: Bad Checksum", 1, badCrc},
        // A line that streams bytes without ETX must not grow the packet forever.
        {"endless without ETX", {{0x0F}, Bytes(Comm::maxReplyBytes + 100, 0x55)}, "AN1310: Read timeout",
         0, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logs.clear();
        link->purge(FTDI::PURGE_RX);
        for (std::size_t i = 0; i < c.wire.size(); ++i)
            module.send(c.wire[i], std::chrono::milliseconds(i * 20)); // each chunk in its own read
        EXPECT_EQ(c.result, received());
        ASSERT_EQ(c.warnings, logs.warnings.size());
        if (c.warnings) {
            EXPECT_EQ(c.lastWarning, logs.warnings.back());
        }
    }
}

TEST_F(Channel, InformationBlocksSilentLongAndShort) {
    // A silent line: three STX, then no bootloader.
    fake.echoStx = false;
    EXPECT_FALSE(comm.readBootInfo(2).answered());
    EXPECT_EQ(Bytes(3, 0x0F), fake.received);
    EXPECT_EQ((std::vector<std::string>{"Timed out waiting for sync, sending another STX. timeout: 2",
                                        "Timed out waiting for sync, sending another STX. timeout: 1"}),
              logs.warnings);

    logs.clear();
    fake.echoStx = true;
    fake.received.clear();
    // size 0x0400, v1.05, capabilities 0x01 | bit 8, family 4, start 0xFC00, device ID 0x1234
    const Bytes block{0x00, 0x04, 0x01, 0x05, 0x01, 0x14, 0x00, 0xFC, 0x00, 0x00, 0x34, 0x12};
    answerWith(block);
    auto info = comm.readBootInfo(2);
    EXPECT_EQ(0x101u, info.capabilities);
    EXPECT_TRUE(logs.hasStatus("Firmware v1.05 at address FC00 to 10000."));
    EXPECT_EQ((Bytes{0x0F, 0x00, 0x00, 0x00, 0x04}), fake.received);

    // Shorter blocks are never read past their end: no ID below 12 bytes, no bootloader below 10.
    for (std::size_t length : {10u, 11u}) {
        answerWith(Bytes(block.begin(), block.begin() + length));
        info = comm.readBootInfo(2);
        EXPECT_TRUE(info.answered());
        EXPECT_EQ(0u, info.deviceId) << length;
    }
    EXPECT_TRUE(logs.warnings.empty());
    answerWith(Bytes(block.begin(), block.begin() + 6));
    EXPECT_FALSE(comm.readBootInfo(2).answered());
    EXPECT_EQ(1u, logs.warnings.size());
}

// An encoder application that streams its data and never answers an STX:
// every byte the host sends sets off another half second of it.
struct StreamingApplication final : sim::UartDevice {
    void receive(std::span<const std::uint8_t>, sim::Port& port) override {
        for (int ms = 0; ms < 500; ++ms)
            port.send(Bytes(12, 0x55), std::chrono::milliseconds(ms));
    }
};

TEST(BootInfo, AnApplicationThatKeepsSendingIsGivenUpOnAfterAHundredBytes) {
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    bench->addUart(std::make_unique<StreamingApplication>());
    const auto link = openLink();
    LogCapture logs;
    Comm comm(*link);
    EXPECT_FALSE(comm.readBootInfo(2).answered());
    ASSERT_EQ(1 + Comm::maxJunk + 1u, logs.warnings.size());
    EXPECT_EQ("Received junk 55", logs.warnings.front());
    EXPECT_EQ("Only other data arrived: no bootloader answered", logs.warnings.back());
}

TEST_F(Channel, AShortDeviceIdReplyIsNeverReadPastItsEnd) {
    answerWith({0x53, 0x30}); // PIC32 reads a 4-byte word
    const auto id = comm.readDeviceId(AN1310::Family::PIC32);
    EXPECT_EQ((Bytes{0x01, 0x20, 0xF2, 0x80, 0xBF, 0x01, 0x00}), fake.requests.back());
    EXPECT_EQ(0x3u, id.deviceId);
    EXPECT_EQ(0u, id.revision);
}

TEST_F(Channel, VerifyReportsExactlyTheFailedBlocksAndThoseAShortReplyLeavesOut) {
    DeviceData image(&device);
    std::vector<std::uint16_t> chip(0x8000, 0xFFFF);
    for (std::uint32_t a = 0; a < 0x4000; a += 2)
        image.flash[a / 2] = chip[a / 2] = std::uint16_t(a * 7);
    for (std::uint32_t block : {3u, 4u, 5u})
        chip[block * 512 + 17] ^= 0x0100;
    chip[0x6000 / 2] = 0x0000; // should be blank
    answerAsStuckFlash(chip);
    AN1310::DeviceVerifier verifier(&device, &comm);
    EXPECT_FALSE(verifier.verify(image, 0, 0x10000));
    EXPECT_EQ((RangeList{{0xC00, 0x1000}, {0x1000, 0x1400}, {0x1400, 0x1800}}), verifier.rewriteNeeded());
    EXPECT_EQ((RangeList{{0x6000, 0x6400}}), verifier.eraseNeeded());
    EXPECT_EQ(4, verifier.failures());
    EXPECT_TRUE(logs.hasStatus("[DeviceVerifier] Verify failed in address range C00 - 1000"));
    EXPECT_TRUE(logs.warnings.empty());

    // A short reply from a chip that holds the image fails only the blocks it leaves out.
    chip.assign(image.flash.begin(), image.flash.begin() + 0x8000);
    answerAsStuckFlash(chip, 2 * 60 + 1); // 60 blocks and a half
    device.bootloaderStart = 0xFC00;
    device.bootloaderEnd = 0x10000;
    EXPECT_FALSE(verifier.verify(image, 0, 0x10000));
    EXPECT_EQ(std::vector<std::string>{"[DeviceVerifier] Received 121 bytes but expected 126"},
              logs.warnings);
    EXPECT_EQ((RangeList{{0xF000, 0xF400}, {0xF400, 0xF800}, {0xF800, 0xFC00}}), verifier.eraseNeeded());
}

TEST_F(Channel, EachReadReplyFillsItsOwnRequestsWordsEvenWhenOneComesBackShort) {
    // Flash word at byte address a holds a / 2; the first reply lacks its last 6 bytes.
    fake.onRequest = [](const Bytes& r, sim::Port& port) {
        const auto address = le32(r, 1);
        const auto count = std::uint32_t(r[5] | r[6] << 8);
        Bytes data;
        for (std::uint32_t a = address; a < address + count; a += 2)
            data.insert(data.end(), {std::uint8_t(a / 2), std::uint8_t(a / 2 >> 8)});
        if (address == 0) data.resize(data.size() - 6);
        port.send(replyBody(data));
    };
    AN1310::DeviceReader reader(&device, &comm);
    reader.setMaxRead(256);
    std::vector<std::uint32_t> words(512, 0xDEAD);
    reader.readFlash(words, 0, 0x400);
    EXPECT_EQ(4u, fake.requests.size());
    EXPECT_EQ(std::vector<std::string>{"[DeviceReader] Received 250 bytes, expected 256"}, logs.warnings);
    for (std::uint32_t i = 0; i < words.size(); ++i)
        ASSERT_EQ(i >= 125 && i < 128 ? 0xDEAD : i, words[i]) << "word " << i;
}

} // namespace
