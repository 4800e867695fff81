// Writes the module reports as short: which request parts are retried, and
// how each operation gives up.
#include "ShortWrites.h"
#include "Support.h"

using namespace an1310test;

namespace {

struct ShortWrite : ::testing::Test {
    FakeLine line;
    // In front of the bench, which the line's guard keeps alive.
    std::shared_ptr<ShortWrites> platform =
        std::make_shared<ShortWrites>(std::shared_ptr<FTDI::Platform>(std::shared_ptr<void>(), &*line.bench));
    PlatformSwap swap{platform};
    LogCapture logs;
    AN1310::Comm comm{*line.link};

    ShortWrite() {
        line.device->onRequest = [](const Bytes&, sim::Port& port) { port.send(replyBody({0x42})); };
    }
};

TEST_F(ShortWrite, TheBodyOfATransactIsTriedRetriesPlusOneTimes) {
    const auto frame = AN1310::encodeFrame({0x01, 0, 0, 0, 0, 2, 0});
    platform->limit = [](std::uint32_t n) { return n == 1 ? 1 : n - 1; };
    EXPECT_THROW(comm.transact(frame, 4, 1000), AN1310::RetryLimitReached);
    EXPECT_EQ(1 + 5, platform->writes);

    int bodies = 0;
    platform->writes = 0;
    platform->limit = [&bodies](std::uint32_t n) { return n == 1 || ++bodies == 3 ? n : 0; };
    line.link->purge(FTDI::PURGE_RX);
    EXPECT_EQ(Bytes{0x42}, comm.transact(frame, 4, 1000)) << "the third attempt got through";
    EXPECT_EQ(1 + 3, platform->writes);
}

TEST_F(ShortWrite, AShortStxOrPieceCannotBeTransmitted) {
    platform->limit = [](std::uint32_t) { return 0u; };
    EXPECT_THROW(comm.transact(AN1310::encodeFrame({0x00}), 4, 1000), AN1310::CouldNotTransmit);
    EXPECT_THROW(comm.sendPacket(AN1310::encodeFrame({0x00})), AN1310::CouldNotTransmit);

    Bytes payload(3000, 0x33);
    platform->limit = [](std::uint32_t n) { return n == 1024 ? 1000u : n; };
    EXPECT_THROW(comm.sendPacket(AN1310::encodeFrame(payload)), AN1310::CouldNotTransmit);
}

TEST_F(ShortWrite, TheInformationRequestReportsNoBootloader) {
    platform->limit = [](std::uint32_t n) { return n == 1 ? 1u : 2u; };
    EXPECT_FALSE(comm.readBootInfo(2).answered());
    EXPECT_EQ(std::vector<std::string>{"could not transmit bootinfo request"}, logs.warnings);
}

} // namespace
