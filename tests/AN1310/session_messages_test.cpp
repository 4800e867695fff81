// The session's own messages: what the user reads when the bootloader is
// missing, the chip is unknown, the image is bad or the chip does not hold
// what was written.
#include "HexText.h"
#include "SessionBench.h"
#include "TempDatabase.h"

#include <sstream>

using namespace an1310test;

namespace {

template <class E, class F> std::string thrownBy(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

struct Session : ::testing::Test {
    LogCapture logs;
};

TEST_F(Session, NoBootloaderAnswersEvenAfterTheReset) {
    PicBench pic("PIC18F2620");
    pic.module->faults.silent = true;
    AN1310::BootloadSession session(*pic.link);
    EXPECT_EQ("Bootloader not found", thrownBy<AN1310::OtherException>([&] { session.connect(); }));
    EXPECT_TRUE(logs.hasStatus("Resetting device..."));
    EXPECT_EQ(3u + 11u, pic.module->counters.bytesToDevice) << "three STX, then eleven after the reset";
}

TEST_F(Session, ADeviceIdInTheInformationBlockNeedsNoReadAndHasNoRevision) {
    PicBench pic("PIC18F2620", {{"devid", "1"}});
    AN1310::BootloadSession session(*pic.link);
    session.connect();
    EXPECT_EQ(0u, pic.device->bootloader().stats().requests.count(0x01));
    EXPECT_EQ("PIC18F2620", logs.status.back());
    EXPECT_EQ(0xFC00u, session.device().bootloaderStart);
    EXPECT_EQ(0x10000u, session.device().bootloaderEnd);
}

TEST_F(Session, AnUnknownDeviceAndAnUnparsableImage) {
    PicBench pic("PIC18F2620");
    {
        TempDatabase temp; // a database without the part
        temp.create();
        AN1310::BootloadSession session(*pic.link);
        EXPECT_EQ(fmt::format("Couldn't find Device ID {} in the device database.", pic.part().deviceId),
                  thrownBy<AN1310::OtherException>([&] { session.connect(); }));
    }
    AN1310::BootloadSession session(*pic.link);
    session.connect();
    std::istringstream failed;
    failed.setstate(std::ios::failbit);
    EXPECT_EQ("Could not parse hex file",
              thrownBy<AN1310::OtherException>([&] { session.loadImage(failed); }));
}

TEST_F(Session, APartLargerThanTheMemoryImageIsRefused) {
    PicBench pic("PIC18F2620");
    TempDatabase temp;
    auto db = temp.create();
    // A family-4 part with 4 MB of flash: more words than the image holds.
    db.exec(fmt::format(
        "insert into DEVICES values (1, {}, 4, 'PIC18HUGE', 64, 64, 0, 0x400000, 0, 0, 0, 0, 0, 0,"
        " 0, 0xF00, 2)",
        pic.part().deviceId));
    AN1310::BootloadSession session(*pic.link);
    EXPECT_EQ("Device PIC18HUGE does not fit the programmer's memory image.",
              thrownBy<AN1310::OtherException>([&] { session.connect(); }));
}

TEST_F(Session, AnImageWithoutResetJumpIsWarnedAboutAndStillRemapped) {
    PicBench pic("PIC18F2620");
    const auto hex = applicationHex(pic.part(), 5, 2000, false);
    AN1310::BootloadSession session(*pic.link);
    std::istringstream in(hex);
    session.connect();
    session.loadImage(in);
    EXPECT_EQ(
        std::vector<std::string>{
            "The first instruction does not appear to be a GOTO instruction.\n\nPlease "
            "modify your firmware to have a GOTO as the first instruction\nat address 0. "
            "Without the GOTO, bootloader firmware will not be able\nto execute your "
            "application firmware."},
        logs.warnings);
    const auto& image = session.hexImage();
    EXPECT_EQ(0xFFFFu, image.flash[(0xFC00 - 4) / 2]);
    EXPECT_EQ(0xEF00u | ((0xFC02 / 2) & 0xFF), image.flash[0]);
}

TEST_F(Session, FamilyTwoWithoutJumpSequenceGetsItsOwnWarning) {
    PicBench pic("PIC16F886");
    const auto hex = applicationHex(pic.part(), 5, 1000, false);
    AN1310::BootloadSession session(*pic.link);
    std::istringstream in(hex);
    session.connect();
    session.loadImage(in);
    ASSERT_EQ(1u, logs.warnings.size());
    EXPECT_EQ(0u, logs.warnings[0].rfind(
                      "The first four instructions do not appear to contain a valid\ninstruction "
                      "sequence for bootloader compatibility.",
                      0));
    EXPECT_NE(std::string::npos, logs.warnings[0].find(" \tMOVWF\tPCLATH\n"));
}

TEST_F(Session, VerifyCountsFlashBlocksAndEepromLocations) {
    PicBench pic("PIC18F2620");
    const auto hex = applicationHex(pic.part(), 6, 4000);
    AN1310::BootloadSession session(*pic.link);
    std::istringstream in(hex);
    session.connect();
    session.loadImage(in);
    session.erase();
    session.write();

    // Two flash blocks and one EEPROM byte change behind the host's back.
    pic.chip().setFlashWord(0x0100, 0x1111);
    pic.chip().setFlashWord(0x0900, 0x2222);
    pic.chip().setEeprom(3, static_cast<std::uint8_t>(pic.chip().eeprom(3) ^ 0x40));
    logs.clear();
    EXPECT_EQ("Verifying flash failed", thrownBy<AN1310::OtherException>([&] { session.verify(); }));
    EXPECT_EQ(std::vector<std::string>{"Verify failed (2 FLASH , 1 EEPROM failures)"}, logs.warnings);

    session.erase();
    session.write();
    pic.chip().setEeprom(3, static_cast<std::uint8_t>(pic.chip().eeprom(3) ^ 0x40));
    logs.clear();
    EXPECT_EQ("Verifying EEPROM failed", thrownBy<AN1310::OtherException>([&] { session.verify(); }));
    EXPECT_EQ(std::vector<std::string>{"Verify failed (1 EEPROM failures)"}, logs.warnings);
}

TEST_F(Session, FlashThatDoesNotTakeTheWritesFailsTheWriteStep) {
    // A hand-written bootloader for a PIC18F2620 that acknowledges every write
    // and keeps its flash blank.
    FakeLine line;
    line.device->onRequest = [](const Bytes& r, sim::Port& port) {
        switch (r[0]) {
        case 0x00:
            port.send(replyBody({0x00, 0x04, 1, 5, 0x00, 0x04, 0x00, 0xFC, 0, 0, 100, 0}));
            break;
        case 0x02: {
            Bytes sums;
            std::uint16_t crc = 0;
            const Bytes blank{0xFF, 0xFF};
            for (unsigned block = 0; block < unsigned(r[5] | r[6] << 8); ++block) {
                for (int word = 0; word < 32; ++word)
                    crc = AN1310::crc16(blank, crc);
                sums.push_back(std::uint8_t(crc));
                sums.push_back(std::uint8_t(crc >> 8));
            }
            port.send(rawBody(sums));
            break;
        }
        default:
            port.send(replyBody({r[0]}));
        }
    };
    const auto hex = applicationHex(*sim::findPicPart("PIC18F2620"), 7, 1000);
    AN1310::BootloadSession session(*line.link);
    std::istringstream in(hex);
    session.connect();
    session.loadImage(in);
    session.erase();
    EXPECT_EQ("Writing flash failed", thrownBy<AN1310::OtherException>([&] { session.write(); }));
}

TEST_F(Session, FamilyTwoWithTheEraseCommand) {
    PicBench pic("PIC16F886", {{"erase", "1"}});
    const auto hex = applicationHex(pic.part(), 8, 3000);
    AN1310::BootloadSession session(*pic.link);
    std::istringstream in(hex);
    session.connect();
    session.loadImage(in);
    session.erase();
    session.write();
    session.verify();
    EXPECT_GT(pic.device->bootloader().stats().requests[0x03], 0u);
    EXPECT_EQ(0u, pic.device->bootloader().stats().protectedHits);
}

TEST_F(Session, BlockExtrasFollowEachWriteBlockWhenTheBootloaderTakesThem) {
    PicBench pic("PIC18F2620", {{"extras", "1"}});
    auto hex = applicationHex(pic.part(), 10, 1000);
    // Type-0x40 records: 16 extra bytes for each write block of the first 4 kB.
    std::string extras;
    for (std::uint32_t block = 0; block < 0x1000 / 64; ++block) {
        std::vector<std::uint8_t> bytes(16);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(block + i);
        extras += hexRecord(0x40, static_cast<std::uint16_t>(block * 64), bytes);
    }
    hex.insert(hex.find('\n') + 1, extras);
    std::vector<std::string> lines;
    AN1310::reflash(*pic.link, hex, [&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(0u, lines.back().rfind("Verify success", 0));
    const auto& stored = pic.device->bootloader().blockExtras();
    ASSERT_TRUE(stored.count(0x0040));
    EXPECT_EQ(1 + 3, stored.at(0x0040)[3]);
    EXPECT_EQ(0x10, stored.at(0x0400)[0]);
}

TEST_F(Session, ReflashPointsTheSinksAtTheCallerAndDiscardsAfterwards) {
    PicBench pic("PIC18F2620");
    const auto hex = applicationHex(pic.part(), 9, 2000);
    std::vector<std::string> lines;
    AN1310::reflash(*pic.link, hex, [&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ("Connecting...", lines.front());
    EXPECT_EQ(0u, lines.back().rfind("Verify success (FLASH ", 0));
    const auto count = lines.size();
    AN1310::statusLog("after the session");
    AN1310::warningLog("after the session");
    EXPECT_EQ(count, lines.size());

    pic.module->faults.silent = true;
    EXPECT_THROW(AN1310::reflash(*pic.link, hex, [&](const std::string& line) { lines.push_back(line); }),
                 AN1310::OtherException);
    const auto failedCount = lines.size();
    AN1310::warningLog("after a failed session");
    EXPECT_EQ(failedCount, lines.size());
}

} // namespace
