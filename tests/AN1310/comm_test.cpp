// The packet channel against a hand-written bootloader fake: what goes on the
// wire, what is accepted back, and how every kind of bad reply ends.
#include "Support.h"

#include <numeric>

using namespace an1310test;
using AN1310::Comm;

namespace {

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(Frames, ChecksumAndEscaping) {
    EXPECT_EQ(0x31C3, AN1310::crc16(text("123456789")));
    EXPECT_EQ((Bytes{0x0F, 0x00, 0x00, 0x00, 0x04}), AN1310::encodeFrame({0x00}));

    const auto frame = AN1310::encodeFrame({0x04, 0x05, 0x0F, 0x10});
    const auto crc = AN1310::crc16(Bytes{0x04, 0x05, 0x0F, 0x10});
    Bytes expected{0x0F, 0x05, 0x04, 0x05, 0x05, 0x05, 0x0F, 0x10};
    for (std::uint8_t b : {std::uint8_t(crc & 0xFF), std::uint8_t(crc >> 8)}) {
        if (b == 0x04 || b == 0x05 || b == 0x0F) expected.push_back(0x05);
        expected.push_back(b);
    }
    expected.push_back(0x04);
    EXPECT_EQ(expected, frame);
}

TEST(Frames, ChecksumBytesThatAreControlBytesAreEscaped) {
    // Find payloads whose checksum holds a control byte in either position.
    int escapedLow = 0, escapedHigh = 0;
    for (unsigned v = 0; v < 0x10000 && (escapedLow == 0 || escapedHigh == 0); ++v) {
        const Bytes payload{0x01, std::uint8_t(v & 0xFF), std::uint8_t(v >> 8)};
        const auto crc = AN1310::crc16(payload);
        const std::uint8_t low = crc & 0xFF, high = crc >> 8;
        const auto isControl = [](std::uint8_t b) { return b == 0x04 || b == 0x05 || b == 0x0F; };
        if (!isControl(low) && !isControl(high)) continue;
        if (std::any_of(payload.begin(), payload.end(), isControl)) continue;
        const auto frame = AN1310::encodeFrame(payload);
        Bytes tail(frame.end() - 1 - 2 - isControl(low) - isControl(high), frame.end());
        Bytes expected;
        if (isControl(low)) expected.push_back(0x05);
        expected.push_back(low);
        if (isControl(high)) expected.push_back(0x05);
        expected.push_back(high);
        expected.push_back(0x04);
        EXPECT_EQ(expected, tail);
        escapedLow += isControl(low);
        escapedHigh += isControl(high);
    }
    EXPECT_GT(escapedLow, 0);
    EXPECT_GT(escapedHigh, 0);
}

TEST(Frames, RequestLayouts) {
    auto read = AN1310::makeRequest(AN1310::Command::ReadFlash);
    AN1310::setAddress(read, 0x12345678);
    AN1310::setCount16(read, 0xABCD);
    EXPECT_EQ((Bytes{0x01, 0x78, 0x56, 0x34, 0x12, 0xCD, 0xAB}), read);
    auto erase = AN1310::makeRequest(AN1310::Command::EraseFlash);
    AN1310::setCount8(erase, 4);
    EXPECT_EQ((Bytes{0x03, 0, 0, 0, 0, 4}), erase);
    EXPECT_EQ(Bytes{0x0B}, AN1310::makeRequest(AN1310::Command::PrepareFullErase));
    EXPECT_EQ(7u, AN1310::makeRequest(AN1310::Command::WriteEeprom).size());
    EXPECT_EQ(6u, AN1310::makeRequest(AN1310::Command::WriteFlash).size());
}

struct Channel : ::testing::Test {
    FakeLine line;
    LogCapture logs;
    Comm comm{*line.link};

    // The fake answers every request with `payload`.
    void answerWith(const Bytes& payload) {
        line.device->onRequest = [payload](const Bytes&, sim::Port& port) { port.send(replyBody(payload)); };
    }
};

TEST_F(Channel, TransactSendsTheFrameAfterTheSyncAndReturnsThePayload) {
    answerWith({0x11, 0x04, 0x22});
    const auto frame = AN1310::encodeFrame({0x01, 0x05, 0, 0, 0, 2, 0});
    EXPECT_EQ((Bytes{0x11, 0x04, 0x22}), comm.transact(frame, 4, 1000));
    EXPECT_EQ(frame, line.device->received);
    EXPECT_TRUE(logs.hasDebug("Received STX, sending packet."));
    EXPECT_TRUE(logs.warnings.empty());
}

TEST_F(Channel, SilenceAfterTheSyncByteIsAReadTimeout) {
    line.device->echoStx = false;
    EXPECT_THROW(comm.transact(AN1310::encodeFrame({0x00}), 4, 1000), AN1310::ReadTimeout);
    EXPECT_EQ(Bytes{0x0F}, line.device->received) << "the body is never sent without the bootloader's STX";
}

TEST_F(Channel, SendPacketWaitsForTheSyncThenSendsThePiecesInOrder) {
    Bytes payload(3000);
    std::iota(payload.begin(), payload.end(), 0);
    const auto frame = AN1310::encodeFrame(payload);
    comm.sendPacket(frame);
    EXPECT_EQ(frame, line.device->received);
    ASSERT_EQ(1u, line.device->requests.size());
    EXPECT_EQ(payload, line.device->requests[0]);

    line.link->purge(FTDI::PURGE_RX); // the first sync STX is still queued for the reply
    line.device->echoStx = false;
    line.device->received.clear();
    EXPECT_THROW(comm.sendPacket(frame), AN1310::ReadTimeout);
    EXPECT_EQ(Bytes{0x0F}, line.device->received);
}

TEST_F(Channel, EscapedChecksumAndADleAtTheEndOfAChunk) {
    // Find a payload whose checksum needs escaping.
    Bytes payload;
    for (unsigned v = 0; v < 256; ++v) {
        const auto crc = AN1310::crc16(Bytes{0x20, std::uint8_t(v)});
        if ((crc & 0xFF) == 0x05 || (crc >> 8) == 0x0F) {
            payload = {0x20, std::uint8_t(v)};
            break;
        }
    }
    ASSERT_FALSE(payload.empty());
    line.send(Bytes{0x0F});
    line.send(replyBody(payload));
    EXPECT_EQ(payload, comm.receivePacket(100, true));

    // The DLE ends the first chunk; the escaped byte comes in the next read.
    line.send(Bytes{0x0F, 0x30, 0x05});
    auto rest = replyBody({0x30, 0x04});
    rest.erase(rest.begin(), rest.begin() + 2); // 0x30, DLE already sent
    line.send(rest, 20);
    EXPECT_EQ((Bytes{0x30, 0x04}), comm.receivePacket(100, true));
    EXPECT_TRUE(logs.warnings.empty());
}

TEST_F(Channel, JunkBeforeTheStxIsDroppedSilently) {
    line.send(Bytes{0x55, 0xAA, 0x0F});
    line.send(replyBody({0x01, 0x02}));
    EXPECT_EQ((Bytes{0x01, 0x02}), comm.receivePacket(100, true));
    EXPECT_TRUE(logs.warnings.empty());
}

TEST_F(Channel, AnInterruptedReplySentAnewIsAccepted) {
    line.send(Bytes{0x0F, 0x99, 0x98});
    line.send(Bytes{0x0F});
    line.send(replyBody({0x01, 0x02, 0x03}));
    EXPECT_EQ((Bytes{0x01, 0x02, 0x03}), comm.receivePacket(100, true));
    EXPECT_EQ(std::vector<std::string>{"Unexpected STX received, restarting receive packet."}, logs.warnings);
}

TEST_F(Channel, SixRestartsAbort) {
    line.send(Bytes{0x0F});
    for (int i = 0; i < 6; ++i)
        line.send(Bytes{0x31, 0x0F});
    line.send(replyBody({0x01}));
    EXPECT_THROW(comm.receivePacket(100, true), AN1310::ReadTimeout);
    EXPECT_EQ(6u, logs.warnings.size());
    EXPECT_EQ("Too many errors, aborting.", logs.warnings.back());
}

TEST_F(Channel, ShortAndCorruptRepliesAreBadChecksums) {
    line.send(Bytes{0x0F, 0x42, 0x04});
    EXPECT_THROW(comm.receivePacket(100, true), AN1310::BadChecksum);
    EXPECT_TRUE(logs.warnings.empty()) << "a one-byte packet has no checksum to compare";

    auto body = replyBody({0x10, 0x20, 0x30});
    body[1] ^= 0x01; // 0x20 -> 0x21 on the wire
    line.send(Bytes{0x0F});
    line.send(body);
    EXPECT_THROW(comm.receivePacket(100, true), AN1310::BadChecksum);
    const auto good = AN1310::crc16(Bytes{0x10, 0x20, 0x30});
    const auto seen = AN1310::crc16(Bytes{0x10, 0x21, 0x30});
    EXPECT_EQ(
        std::vector<std::string>{fmt::format("Packet CRC: {:X} Computed CRC: {:X} Length: 1", good, seen)},
        logs.warnings);
}

TEST_F(Channel, SilenceAndAnEndlessReplyBothEndInReadTimeout) {
    EXPECT_THROW(comm.receivePacket(100, true), AN1310::ReadTimeout);

    // A line that streams bytes without ETX must not grow the packet forever.
    line.send(Bytes{0x0F});
    line.send(Bytes(Comm::maxReplyBytes + 100, 0x55));
    EXPECT_THROW(comm.receivePacket(100, true), AN1310::ReadTimeout);
}

TEST_F(Channel, ReceiveRawKeepsTheTrailingBytesAndCountsJunk) {
    line.send(Bytes{0x0F, 0x01, 0x05, 0x04, 0x02, 0x04});
    EXPECT_EQ((Bytes{0x01, 0x04, 0x02}), comm.receiveRaw());
    EXPECT_TRUE(logs.warnings.empty());

    line.send(Bytes(9, 0x41));
    line.send(Bytes{0x0F, 0x04});
    EXPECT_TRUE(comm.receiveRaw().empty());
    EXPECT_EQ(9u, logs.warnings.size());
    EXPECT_EQ("Expected STX, received junk: 41", logs.warnings.back());

    logs.clear();
    line.send(Bytes(10, 0x42));
    line.send(Bytes{0x0F, 0x04});
    comm.receiveRaw();
    ASSERT_EQ(10u, logs.warnings.size());
    EXPECT_EQ("Expected STX, received junk: 42... (further messages suppressed)", logs.warnings.back());

    logs.clear();
    line.send(Bytes(101, 0x43));
    EXPECT_THROW(comm.receiveRaw(), AN1310::JunkInsteadOfSTX);
    EXPECT_EQ(10u, logs.warnings.size());
}

TEST_F(Channel, ReceiveRawOnASilentLine) {
    EXPECT_THROW(comm.receiveRaw(), AN1310::ReadTimeout);
}

TEST_F(Channel, BootInfoOnASilentLineSendsThreeStxAndReportsNoBootloader) {
    line.device->echoStx = false;
    const auto info = comm.readBootInfo(2);
    EXPECT_FALSE(info.answered());
    EXPECT_EQ(0u, info.bootloaderEnd);
    EXPECT_EQ(3u, line.device->stxWritten());
    EXPECT_EQ((std::vector<std::string>{"Timed out waiting for sync, sending another STX. timeout: 2",
                                        "Timed out waiting for sync, sending another STX. timeout: 1"}),
              logs.warnings);
}

Bytes infoBlock(std::size_t length) {
    // size 0x0400, v1.05, capabilities 0x01 | bit 8, family 4, start 0xFC00, device ID 0x1234
    Bytes block{0x00, 0x04, 0x01, 0x05, 0x01, 0x14, 0x00, 0xFC, 0x00, 0x00, 0x34, 0x12};
    block.resize(length);
    return block;
}

TEST_F(Channel, InformationBlockWithAndWithoutDeviceId) {
    answerWith(infoBlock(12));
    auto info = comm.readBootInfo(2);
    EXPECT_EQ(1, info.majorVersion);
    EXPECT_EQ(5, info.minorVersion);
    EXPECT_EQ(4, info.familyId);
    EXPECT_EQ(0x101u, info.capabilities);
    EXPECT_EQ(0xFC00u, info.bootloaderStart);
    EXPECT_EQ(0x10000u, info.bootloaderEnd);
    EXPECT_EQ(0x1234u, info.deviceId);
    EXPECT_TRUE(logs.hasStatus("Firmware v1.05 at address FC00 to 10000."));
    EXPECT_EQ((Bytes{0x0F, 0x00, 0x00, 0x00, 0x04}), line.device->received);

    answerWith(infoBlock(10));
    EXPECT_EQ(0u, comm.readBootInfo(2).deviceId);
}

TEST_F(Channel, AShortInformationBlockIsNoBootloader) {
    answerWith(infoBlock(6));
    EXPECT_FALSE(comm.readBootInfo(2).answered());
    EXPECT_EQ(1u, logs.warnings.size());
    answerWith(infoBlock(11)); // the ID would need byte 11
    EXPECT_EQ(0u, comm.readBootInfo(2).deviceId);
}

TEST_F(Channel, JunkBeforeTheSyncIsReported) {
    answerWith(infoBlock(10));
    line.device->beforeEcho = {0x66};
    EXPECT_TRUE(comm.readBootInfo(2).answered());
    EXPECT_EQ(std::vector<std::string>{"Received junk 66"}, logs.warnings);
}

TEST_F(Channel, DeviceIdPerFamily) {
    Bytes reply;
    line.device->onRequest = [&reply](const Bytes&, sim::Port& port) { port.send(replyBody(reply)); };

    reply = {0xE3, 0x0C}; // PIC18F2620: 0x0CE3 -> ID 0x67, revision 3
    auto id = comm.readDeviceId(4);
    EXPECT_EQ(0x67u, id.deviceId);
    EXPECT_EQ(3u, id.revision);
    EXPECT_EQ((Bytes{0x01, 0xFE, 0xFF, 0x3F, 0x00, 0x02, 0x00}), line.device->requests.back());

    reply = {0x0D, 0x42, 0x00, 0x05, 0x31};
    id = comm.readDeviceId(5);
    EXPECT_EQ(0x420Du, id.deviceId);
    EXPECT_EQ(0x105u, id.revision);
    EXPECT_EQ((Bytes{0x01, 0x00, 0x00, 0xFF, 0x00, 0x02, 0x00}), line.device->requests.back());

    reply = {0x53, 0x30, 0x9A, 0x45}; // word 0x459A3053
    id = comm.readDeviceId(8);
    EXPECT_EQ(0xA3u, id.deviceId);
    EXPECT_EQ(0x459u, id.revision);
    EXPECT_EQ((Bytes{0x01, 0x20, 0xF2, 0x80, 0xBF, 0x01, 0x00}), line.device->requests.back());

    reply = {0x53, 0x30}; // short: never read past the end
    id = comm.readDeviceId(8);
    EXPECT_EQ(0x3u, id.deviceId);
    EXPECT_EQ(0u, id.revision);
}

TEST_F(Channel, ReleaseIntoBootloaderEndsTheBreakAfterTheReset) {
    comm.startBreak();
    comm.holdReset();
    comm.releaseIntoBootloader();
    const auto& events = line.device->lineEvents;
    ASSERT_EQ(4u, events.size());
    EXPECT_EQ("break on", events[0].first);
    EXPECT_EQ("rts on", events[1].first);
    EXPECT_EQ("rts off", events[2].first);
    EXPECT_EQ("break off", events[3].first);
    EXPECT_GE(events[3].second - events[2].second, std::chrono::milliseconds(35));
}

TEST_F(Channel, TransmitTimeScalesWithTheBaudRate) {
    EXPECT_EQ(86u, comm.transmitMillis(1000)); // 1000 bytes at 115200
    line.link->setBaudRate(9600);
    EXPECT_EQ(1041u, comm.transmitMillis(1000));
}

} // namespace
