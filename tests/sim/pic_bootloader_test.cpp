// The AN1310 bootloader's device side, driven byte by byte through the bench.
#include "pic_wire.h"
#include "sim/Bench.h"
#include "sim/pic/PicBootloaderDevice.h"

#include <gtest/gtest.h>

#include <memory>

using namespace pictest;

namespace {

using Options = std::map<std::string, std::string>;

struct PicBench {
    PicBench() : PicBench(Options{}) {}
    explicit PicBench(const Options& options)
        : bench(std::make_shared<sim::Bench>()),
          module(bench->add("pic-bootloader", sim::ModelOptions(options))), link(0), wire{link} {
        link.setBaudRate(115200);
        link.setTimeouts(100, 100);
    }
    sim::PicBootloaderDevice& device() { return module.device<sim::PicBootloaderDevice>(); }
    sim::PicChip& chip() { return device().chip(); }
    const sim::BootloaderStats& stats() { return device().bootloader().stats(); }

    sim::BenchGuard bench;
    sim::Module& module;
    UartLink link;
    Wire wire;
};

Bytes pattern(std::size_t n, std::uint8_t seed) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t(seed + i * 7);
    return out;
}

// The running checksum over whole erase blocks, as the host must compute it.
std::vector<std::uint16_t> chainedSums(const Bytes& wireBytes, std::size_t blockBytes) {
    std::vector<std::uint16_t> sums;
    Bytes all;
    for (std::size_t i = 0; i < wireBytes.size(); ++i) {
        all.push_back(wireBytes[i]);
        if ((i + 1) % blockBytes == 0) sums.push_back(crc16(all));
    }
    return sums;
}

} // namespace

TEST(PicBootloaderFraming, InformationBlockIsFramedEscapedAndChecksummed) {
    PicBench pic(Options{{"part", "PIC18F2620"}});
    // Request 0x00 with its checksum of zero is 0F 00 00 00 04.
    const std::uint8_t stx[] = {STX};
    pic.link.write(stx);
    ASSERT_EQ(Bytes{STX}, pic.link.read(1));
    EXPECT_EQ((Bytes{0x00, 0x00, 0x00, ETX}), frameBody({0x00}));
    pic.link.write(frameBody({0x00}));
    const auto raw = pic.link.read(64);
    // Size 0x0400 and family 4 carry ETX-valued bytes: they arrive behind DLE.
    const Bytes info = {0x00, 0x04, 0x01, 0x05, 0x01, 0x04, 0x00, 0xFC, 0x00, 0x00};
    Bytes expected;
    for (const auto b : info)
        putEscaped(expected, b);
    const auto crc = crc16(info);
    putEscaped(expected, std::uint8_t(crc));
    putEscaped(expected, std::uint8_t(crc >> 8));
    expected.push_back(ETX);
    EXPECT_EQ(expected, raw);
}

TEST(PicBootloaderFraming, DeviceIdAndCapabilitiesInTheInformationBlock) {
    PicBench withId(
        Options{{"part", "PIC18F2620"}, {"devid", "1"}, {"extras", "1"}, {"major", "2"}, {"minor", "3"}});
    const auto info = withId.wire.transact({0x00});
    ASSERT_TRUE(info);
    ASSERT_EQ(12u, info->size());
    EXPECT_EQ(2, (*info)[2]);
    EXPECT_EQ(3, (*info)[3]);
    EXPECT_EQ(0x01, (*info)[4]);  // erase command
    EXPECT_EQ(0x14, (*info)[5]);  // family 4, capability bit 8 in the high nibble
    EXPECT_EQ(0x64, (*info)[10]); // PIC18F2620
    EXPECT_EQ(0x00, (*info)[11]);

    PicBench midRange(Options{{"part", "PIC16F886"}});
    const auto mid = midRange.wire.transact({0x00});
    ASSERT_TRUE(mid);
    ASSERT_EQ(12u, mid->size()); // a mid-range bootloader sends its ID by default
    EXPECT_EQ(0x00, (*mid)[4]);  // and has no erase command
    EXPECT_EQ(0x02, (*mid)[5]);
    EXPECT_EQ(0x03, (*mid)[10]);
    EXPECT_EQ(0x01, (*mid)[11]);
    EXPECT_EQ((Bytes{0x00, 0x1E, 0x00, 0x00}), Bytes(mid->begin() + 6, mid->begin() + 10));
}

TEST(PicBootloaderFraming, DamagedPacketsGetNoAnswerAndTheNextOneDoes) {
    PicBench pic;
    // Junk outside a packet is ignored.
    const Bytes junk = {0x41, 0x00, 0xFF};
    pic.link.write(junk);
    EXPECT_TRUE(pic.link.read(1).empty());

    // Wrong checksum.
    auto body = frameBody({0x01, 0xFE, 0xFF, 0x3F, 0x00, 0x02, 0x00});
    body[body.size() - 2] ^= 0x01;
    const std::uint8_t stx[] = {STX};
    pic.link.write(stx);
    pic.link.read(1);
    pic.link.write(body);
    EXPECT_TRUE(pic.link.read(1).empty());
    // One byte before ETX: too short to hold a checksum.
    pic.link.write(stx);
    pic.link.read(1);
    const Bytes tooShort = {0x00, ETX};
    pic.link.write(tooShort);
    EXPECT_TRUE(pic.link.read(1).empty());
    EXPECT_EQ(0u, pic.stats().packets);

    // An STX inside a packet starts it over; the full packet sent anew is answered once.
    pic.link.write(stx);
    pic.link.read(1);
    const Bytes partial = {0x01, 0x22, 0x33};
    pic.link.write(partial);
    EXPECT_TRUE(pic.wire.transact({0x00}));
    EXPECT_EQ(1u, pic.stats().packets);
    EXPECT_GE(pic.stats().badChecksums, 2u);
}

TEST(PicBootloaderFraming, OverlongPacketIsDroppedWithoutOverrunningTheBuffer) {
    PicBench pic(Options{{"part", "PIC16F886"}}); // a 90-byte buffer
    Bytes data(200, 0x3F);
    ASSERT_TRUE(pic.wire.send(request(0x04, 0x0100, 25, false, data)));
    EXPECT_FALSE(pic.wire.readRaw());
    EXPECT_EQ(1u, pic.stats().overflows);
    EXPECT_TRUE(pic.chip().isBlank(0x0100, 0x0200));
    EXPECT_TRUE(pic.wire.transact({0x00}));
}

TEST(PicBootloaderMemory, EscapedBytesAreStoredLiterally) {
    PicBench pic;
    const Bytes data = {STX, ETX, DLE, 0x00, DLE, DLE, 0xFF};
    ASSERT_TRUE(pic.wire.transact(request(0x06, 0xF00010, data.size(), true, data)));
    EXPECT_EQ(STX, pic.chip().eeprom(0x10));
    EXPECT_EQ(DLE, pic.chip().eeprom(0x15));
    const auto back = pic.wire.transact(request(0x05, 0xF00010, data.size(), true));
    ASSERT_TRUE(back);
    EXPECT_EQ(data, *back);
    // Past the end of the 1 KB EEPROM: refused, unanswered, nothing written.
    ASSERT_TRUE(pic.wire.send(request(0x06, 0xF003FE, 4, true, {1, 2, 3, 4})));
    EXPECT_FALSE(pic.wire.readRaw());
    EXPECT_EQ(0xFF, pic.chip().eeprom(0x3FE));
    EXPECT_EQ(1u, pic.stats().outOfRange);
}

TEST(PicBootloaderMemory, DeviceIdRegistersReadAsEachFamilyKeepsThem) {
    PicBench pic18(Options{{"part", "PIC18F2620"}});
    const auto id = pic18.wire.transact(request(0x01, 0x3FFFFE, 2, true));
    ASSERT_TRUE(id);
    ASSERT_EQ(2u, id->size());
    EXPECT_EQ(0x64, (((*id)[1] << 8) | (*id)[0]) >> 5);
    EXPECT_EQ(0x07, (*id)[0] & 0x1F);

    PicBench pic24(Options{{"part", "PIC24FJ64GA002"}});
    const auto id24 = pic24.wire.transact(request(0x01, 0xFF0000, 2, true));
    ASSERT_TRUE(id24);
    EXPECT_EQ((Bytes{0x47, 0x04, 0x00, 0x03, 0x00, 0x00}), *id24);

    PicBench pic32(Options{{"part", "PIC32MX360F512L"}});
    const auto id32 = pic32.wire.transact(request(0x01, 0xBF80F220, 1, true));
    ASSERT_TRUE(id32);
    ASSERT_EQ(4u, id32->size());
    EXPECT_EQ(0x38, ((*id32)[1] >> 4) | (((*id32)[2] & 0x0F) << 4));
    EXPECT_EQ(0x109, ((*id32)[2] >> 4) | ((*id32)[3] << 4));
}

TEST(PicBootloaderMemory, WriteReadEraseOfAPic18) {
    PicBench pic;
    const auto block = pattern(128, 0x10); // two 64-byte write blocks
    ASSERT_TRUE(pic.wire.transact(request(0x04, 0x1000, 2, false, block)));
    const auto back = pic.wire.transact(request(0x01, 0x1000, 128, true));
    ASSERT_TRUE(back);
    EXPECT_EQ(block, *back);

    // Flash only clears bits: writing over it without an erase ANDs.
    Bytes zeros(64, 0x0F);
    ASSERT_TRUE(pic.wire.transact(request(0x04, 0x1000, 1, false, zeros)));
    EXPECT_EQ(block[0] & 0x0F, pic.chip().read(0x1000, 1)[0]);

    // Erasing downward from 0x1040: the blocks at 0x1040 and 0x1000.
    ASSERT_TRUE(pic.wire.transact(request(0x03, 0x1040, 2, false)));
    EXPECT_TRUE(pic.chip().isBlank(0x1000, 0x1080));

    // A write whose data does not match its block count is refused unanswered.
    ASSERT_TRUE(pic.wire.send(request(0x04, 0x1000, 2, false, pattern(100, 1))));
    EXPECT_FALSE(pic.wire.readRaw());
    EXPECT_TRUE(pic.chip().isBlank(0x1000, 0x1080));
    EXPECT_EQ(1u, pic.stats().malformed);
}

TEST(PicBootloaderMemory, EraseGoesDownwardFromTheAddressedBlock) {
    PicBench pic;
    for (std::uint32_t a = 0x2000; a < 0x2200; a += 2)
        pic.chip().setFlashWord(a, 0x1234);
    ASSERT_TRUE(pic.wire.transact(request(0x03, 0x2100, 3, false)));
    EXPECT_FALSE(pic.chip().isBlank(0x2000, 0x2080));
    EXPECT_TRUE(pic.chip().isBlank(0x2080, 0x2140));
    EXPECT_FALSE(pic.chip().isBlank(0x2140, 0x2200));
}

TEST(PicBootloaderMemory, ChecksumsRunOnFromBlockToBlock) {
    PicBench pic;
    const auto data = pattern(64 * 3, 0x55);
    ASSERT_TRUE(pic.wire.transact(request(0x04, 0x3000, 3, false, data)));
    ASSERT_TRUE(pic.wire.send(request(0x02, 0x3000, 4, true)));
    const auto sums = pic.wire.readRaw(); // no checksum of its own
    ASSERT_TRUE(sums);
    ASSERT_EQ(8u, sums->size());
    auto wire = data;
    wire.resize(64 * 4, 0xFF); // the fourth block is blank
    const auto expected = chainedSums(wire, 64);
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(expected[k], (*sums)[2 * k] | ((*sums)[2 * k + 1] << 8)) << "block " << k;
}

TEST(PicBootloaderMemory, BootloaderConfigurationAndVectorPageAreNeverErasedOrWritten) {
    PicBench pic;
    const auto bootloader = pic.chip().flashBytes(0xFC00, 0x10000);
    ASSERT_TRUE(pic.wire.transact(request(0x03, 0xFFC0, 4, false)));
    ASSERT_TRUE(pic.wire.transact(request(0x04, 0xFC00, 1, false, Bytes(64, 0x00))));
    EXPECT_EQ(bootloader, pic.chip().flashBytes(0xFC00, 0x10000));
    EXPECT_EQ(5u, pic.stats().protectedHits);
    // Outside flash: refused too.
    ASSERT_TRUE(pic.wire.transact(request(0x04, 0x300000, 1, false, Bytes(64, 0x00))));
    EXPECT_EQ(0x07u, *pic.chip().specialWord(0x300001));

    PicBench pic24(Options{{"part", "PIC24FJ64GA002"}});
    auto& chip = pic24.chip();
    const auto config = chip.flashWord(0xABFE);
    const auto reset = chip.flashWord(0x0000);
    ASSERT_TRUE(pic24.wire.transact(request(0x03, 0xA800, 1, false))); // configuration block
    ASSERT_TRUE(pic24.wire.transact(request(0x03, 0x0000, 1, false))); // vector page
    ASSERT_TRUE(pic24.wire.transact(request(0x03, 0x0400, 1, false))); // bootloader
    EXPECT_EQ(config, chip.flashWord(0xABFE));
    EXPECT_EQ(reset, chip.flashWord(0x0000));
    EXPECT_FALSE(chip.isBlank(0x0400, 0x0800));
    EXPECT_EQ(3u, pic24.stats().protectedHits);
}

TEST(PicBootloaderMemory, FamilyLayoutsOfWriteBlocks) {
    // Family 5: a 64-instruction row is 192 bytes on the wire.
    PicBench pic24(Options{{"part", "PIC24FJ64GA002"}});
    const auto row = pattern(192, 3);
    ASSERT_TRUE(pic24.wire.transact(request(0x04, 0x1000, 1, false, row)));
    EXPECT_EQ(std::uint32_t(row[0] | row[1] << 8 | row[2] << 16), pic24.chip().flashWord(0x1000));
    const auto back = pic24.wire.transact(request(0x01, 0x1000, 64, true));
    ASSERT_TRUE(back);
    EXPECT_EQ(row, *back);

    // Family 2 without the erase command: a write replaces the row, 14 bits a word.
    PicBench pic16(Options{{"part", "PIC16F886"}});
    Bytes words = {0x34, 0x12, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x28,
                   0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    ASSERT_TRUE(pic16.wire.transact(request(0x04, 0x0100, 1, false, words)));
    EXPECT_EQ(0x1234u, pic16.chip().flashWord(0x0100));
    EXPECT_EQ(0x3FFFu, pic16.chip().flashWord(0x0102));
    Bytes blank(16);
    for (std::size_t i = 0; i < 16; i += 2)
        blank[i] = 0xFF, blank[i + 1] = 0x3F;
    ASSERT_TRUE(pic16.wire.transact(request(0x04, 0x0100, 1, false, blank)));
    EXPECT_TRUE(pic16.chip().isBlank(0x0100, 0x0108));

    // Capability bit 8: 16 extra bytes follow each write block.
    PicBench extras(Options{{"extras", "1"}});
    auto data = pattern(64, 9);
    const auto tail = pattern(16, 200);
    data.insert(data.end(), tail.begin(), tail.end());
    ASSERT_TRUE(extras.wire.transact(request(0x04, 0x0400, 1, false, data)));
    EXPECT_EQ(data[63], extras.chip().read(0x043F, 1)[0]);
    const auto& stored = extras.device().bootloader().blockExtras().at(0x0400);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), stored.begin()));
    // Plain blocks (an image without extras) are taken as they are; a packet
    // whose length fits neither layout is refused unanswered.
    ASSERT_TRUE(extras.wire.transact(request(0x04, 0x0440, 1, false, pattern(64, 1))));
    EXPECT_EQ(1u, extras.device().bootloader().blockExtras().size());
    ASSERT_TRUE(extras.wire.send(request(0x04, 0x0480, 2, false, pattern(64 * 2 + 16, 1))));
    EXPECT_FALSE(extras.wire.readRaw());
    EXPECT_TRUE(extras.chip().isBlank(0x0480, 0x0500));
}

TEST(PicBootloaderMemory, Family8EraseAllCommandAndKernelAddresses) {
    PicBench pic32(Options{{"part", "PIC32MX360F512L"}});
    auto& chip = pic32.chip();
    chip.setFlashWord(0x1D000000, 0x12345678);
    chip.setFlashWord(0x1D07FFFC, 0x0);
    // A read through the kernel-segment alias sees the physical flash.
    const auto word = pic32.wire.transact(request(0x01, 0x9D000000, 1, true));
    ASSERT_TRUE(word);
    EXPECT_EQ((Bytes{0x78, 0x56, 0x34, 0x12}), *word);
    ASSERT_TRUE(pic32.wire.transact({0x0B}));
    EXPECT_TRUE(chip.isBlank(0x1D000000, 0x1D080000));
    // Other families do not know the command.
    PicBench pic18;
    ASSERT_TRUE(pic18.wire.send({0x0B}));
    EXPECT_FALSE(pic18.wire.readRaw());
    EXPECT_EQ(1u, pic18.stats().unknownCommands);
}

TEST(PicBootloaderReset, BreakHeldThroughResetEntersTheBootloaderOtherwiseTheApplicationRuns) {
    PicBench pic;
    auto& device = pic.device();
    // Blank flash: the bootloader runs after power-on.
    EXPECT_EQ(sim::An1310Bootloader::Mode::Bootloader, device.bootloader().mode());
    EXPECT_TRUE(pic.wire.transact({0x00}));

    // Give the chip an application: code at 0x0100 and the saved jump below the bootloader.
    pic.chip().setFlashWord(0x0100, 0x0E55);
    pic.chip().setFlashWord(0xFC00 - 4, 0xEF00 | 0x80);
    pic.chip().setFlashWord(0xFC00 - 2, 0xF000);
    ASSERT_EQ(0x0100u, pic.chip().applicationEntry(0xFC00));

    // A reset pulse without break starts it: the STX goes to the application.
    pic.link.setRts(true);
    const std::uint8_t stx[] = {STX};
    pic.link.write(stx);
    EXPECT_TRUE(pic.link.read(1).empty()); // held in reset
    pic.link.setRts(false);
    EXPECT_EQ(sim::An1310Bootloader::Mode::Application, device.bootloader().mode());
    EXPECT_EQ(1u, device.applicationStarts());
    pic.link.write(stx);
    EXPECT_TRUE(pic.link.read(1).empty());
    EXPECT_EQ(Bytes{STX}, device.applicationBytes());

    // Break on, reset, release the reset while the break holds: the bootloader.
    pic.link.purge(3);
    pic.link.setBreak(true);
    pic.link.setRts(true);
    pic.link.setRts(false);
    pic.link.setBreak(false);
    EXPECT_EQ(sim::An1310Bootloader::Mode::Bootloader, device.bootloader().mode());
    EXPECT_TRUE(pic.wire.transact({0x00}));
    EXPECT_EQ(1u, device.applicationStarts());

    // Ending the break before the reset: the application again.
    pic.link.setBreak(true);
    pic.link.setRts(true);
    pic.link.setBreak(false);
    pic.link.setRts(false);
    EXPECT_EQ(2u, device.applicationStarts());
}

TEST(PicBootloaderReset, AJumpIntoBlankFlashStartsNothing) {
    PicBench pic;
    pic.chip().setFlashWord(0xFC00 - 4, 0xEF00 | 0x80);
    pic.chip().setFlashWord(0xFC00 - 2, 0xF000); // to 0x0100, which is blank
    pic.link.setRts(true);
    pic.link.setRts(false);
    EXPECT_EQ(sim::An1310Bootloader::Mode::Bootloader, pic.device().bootloader().mode());
    EXPECT_EQ(0u, pic.device().applicationStarts());
}

TEST(PicBootloaderReset, EveryFamilyStartsAnInstalledApplicationAndBreaksIntoTheBootloader) {
    const std::pair<const char*, const char*> parts[] = {{"PIC16F886", "0x100"},
                                                         {"PIC18F2620", "0x100"},
                                                         {"PIC24FJ64GA002", "0x1000"},
                                                         {"PIC32MX360F512L", "0x1D001000"}};
    for (const auto& [part, entry] : parts) {
        SCOPED_TRACE(part);
        PicBench pic(Options{{"part", part}, {"app", entry}});
        EXPECT_EQ(sim::An1310Bootloader::Mode::Application, pic.device().bootloader().mode());
        // Family 8's bootloader lives outside program flash and starts its first word.
        const auto& geometry = pic.chip().part();
        const std::uint32_t start =
            geometry.family == 8 ? geometry.flashStart : std::stoul(entry, nullptr, 0);
        EXPECT_EQ(start, pic.chip().applicationEntry(pic.device().bootloader().bootloaderStart()));
        pic.link.setBreak(true);
        pic.link.setRts(true);
        pic.link.setRts(false);
        pic.link.setBreak(false);
        EXPECT_TRUE(pic.wire.transact({0x00}));
        pic.link.setRts(true);
        pic.link.setRts(false);
        EXPECT_EQ(2u, pic.device().applicationStarts());
    }
}
