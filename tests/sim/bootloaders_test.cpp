// The bootloaders' device sides (AN1310's, byte by byte, and the block
// bootloader's, line by line) driven through the bench by a hand-made host end
// of the wire, without the host libraries.
#include "sim/Bench.h"
#include "sim/blockloader/BlockBootloaderDevice.h"
#include "sim/blockloader/LineRate.h"
#include "sim/pic/PicBootloaderDevice.h"
#include "transport/UartLink.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <numeric>
#include <optional>

using Mode = sim::An1310Bootloader::Mode;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Options = std::map<std::string, std::string>;
constexpr std::uint8_t STX = 0x0F, ETX = 0x04, DLE = 0x05;

std::uint16_t crc16(const Bytes& data) {
    std::uint16_t crc = 0;
    for (const auto byte : data) {
        crc ^= std::uint16_t(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    }
    return crc;
}

// The bytes after the leading STX: escaped payload, checksum (low byte first), ETX.
Bytes frameBody(Bytes payload) {
    const auto crc = crc16(payload);
    payload.push_back(std::uint8_t(crc));
    payload.push_back(std::uint8_t(crc >> 8));
    Bytes out;
    for (const auto b : payload) {
        if (b == STX || b == ETX || b == DLE) out.push_back(DLE);
        out.push_back(b);
    }
    out.push_back(ETX);
    return out;
}

// Code, address (low byte first), count in one byte or two, data.
Bytes request(std::uint8_t code, std::uint32_t address, std::uint32_t count, bool wideCount,
              const Bytes& data = {}) {
    Bytes p = {code};
    for (int shift = 0; shift < 32; shift += 8)
        p.push_back(std::uint8_t(address >> shift));
    p.push_back(std::uint8_t(count));
    if (wideCount) p.push_back(std::uint8_t(count >> 8));
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

struct PicBench {
    explicit PicBench(const Options& options = {})
        : bench(std::make_shared<sim::Bench>()),
          module(bench->add("pic-bootloader", sim::ModelOptions(options))), link(0) {
        link.setBaudRate(115200);
        link.setTimeouts(100, 100);
    }
    sim::PicBootloaderDevice& device() { return module.device<sim::PicBootloaderDevice>(); }
    sim::PicChip& chip() { return device().chip(); }
    const sim::BootloaderStats& stats() { return device().bootloader().stats(); }

    // STX, and true when the bootloader answers it with its own.
    bool sync() {
        link.write(Bytes{STX});
        return link.read(1) == Bytes{STX};
    }
    bool send(const Bytes& payload) {
        if (!sync()) return false;
        link.write(frameBody(payload));
        return true;
    }
    // Unescaped bytes up to ETX; nullopt when the line falls silent first.
    std::optional<Bytes> readRaw() {
        Bytes out;
        for (auto b = link.read(1); !b.empty(); b = link.read(1)) {
            if (b[0] == ETX) return out;
            if (b[0] == DLE) b = link.read(1);
            out.insert(out.end(), b.begin(), b.end());
        }
        return std::nullopt;
    }
    // The reply's payload, its checksum checked and removed.
    std::optional<Bytes> transact(const Bytes& payload) {
        if (!send(payload)) return std::nullopt;
        auto raw = readRaw();
        if (!raw || raw->size() < 2) return std::nullopt;
        const auto got = std::uint16_t((*raw)[raw->size() - 2] | (*raw)[raw->size() - 1] << 8);
        raw->resize(raw->size() - 2);
        if (crc16(*raw) != got) return std::nullopt;
        return raw;
    }
    // A request the bootloader must refuse without an answer.
    void expectUnanswered(const Bytes& payload) {
        ASSERT_TRUE(send(payload));
        EXPECT_FALSE(readRaw());
    }
    // A reset pulse; with the break held through it the bootloader keeps the chip.
    void reset(bool holdBreak) {
        if (holdBreak) link.setBreak(true);
        link.setRts(true);
        link.setRts(false);
        if (holdBreak) link.setBreak(false);
    }

    sim::BenchGuard bench;
    sim::Module& module;
    UartLink link;
};

std::string hex(std::span<const std::uint8_t> bytes, const char* format) {
    std::string text;
    for (const auto byte : bytes)
        text += fmt::format(fmt::runtime(format), byte);
    return text;
}

struct BlockBench {
    explicit BlockBench(std::uint32_t baud = 2000000)
        : bench(std::make_shared<sim::Bench>()), module(bench->add("block-bootloader")), link(0) {
        link.setBaudRate(baud);
        link.setTimeouts(50, 50);
    }
    sim::BlockBootloaderDevice& device() { return module.device<sim::BlockBootloaderDevice>(); }
    sim::BlockChip& chip() { return device().chip(); }

    // One line out, and what comes back up to its line feed ("" when nothing does).
    std::string ask(const std::string& command) {
        link.write(command + "\n");
        std::string reply;
        for (auto byte = link.read(1); !byte.empty() && byte[0] != '\n'; byte = link.read(1))
            reply.push_back(static_cast<char>(byte[0]));
        return reply;
    }
    void reset(bool holdBreak) {
        link.setRts(true);
        if (holdBreak) link.setBreak(true);
        link.setRts(false);
        if (holdBreak) link.setBreak(false);
    }
    void load(const Bytes& row) {
        for (std::size_t piece = 0; piece < 4; ++piece)
            ASSERT_EQ("*", ask(fmt::format("m{:02X}", 0x20 + 16 * piece) +
                               hex(std::span(row).subspan(16 * piece, 16), "{:02X}")));
    }

    sim::BenchGuard bench;
    sim::Module& module;
    UartLink link;
};

} // namespace

// (The information block's plain fields and escapes are every host session's first exchange.)
TEST(PicBootloaderFraming, InformationBlockTakesTheBenchsVersionDeviceIdAndCapabilityOptions) {
    PicBench pic({{"part", "PIC18F2620"}, {"devid", "1"}, {"extras", "1"}, {"major", "2"}, {"minor", "3"}});
    ASSERT_TRUE(pic.sync());
    pic.link.write(frameBody({0x00}));
    // Size, version, erase command, family 4 with capability bit 8, start, device ID.
    EXPECT_EQ(frameBody({0x00, 0x04, 0x02, 0x03, 0x01, 0x14, 0x00, 0xFC, 0x00, 0x00, 0x64, 0x00}),
              pic.link.read(64));
}

TEST(PicBootloaderFraming, DamagedPacketsGetNoAnswerAndTheNextOneDoes) {
    PicBench pic;
    pic.link.write(Bytes{0x41, 0x00, 0xFF}); // junk outside a packet
    EXPECT_TRUE(pic.link.read(1).empty());
    auto badSum = frameBody({0x01, 0xFE, 0xFF, 0x3F, 0x00, 0x02, 0x00});
    badSum[badSum.size() - 2] ^= 0x01;
    const Bytes tooShort = {0x00, ETX}; // no room for a checksum
    for (const auto& body : {badSum, tooShort}) {
        ASSERT_TRUE(pic.sync());
        pic.link.write(body);
        EXPECT_TRUE(pic.link.read(1).empty());
    }
    EXPECT_EQ(0u, pic.stats().packets);
    // An STX inside a packet starts it over; the full packet sent anew is answered once.
    ASSERT_TRUE(pic.sync());
    pic.link.write(Bytes{0x01, 0x22, 0x33});
    EXPECT_TRUE(pic.transact({0x00}));
    EXPECT_EQ(1u, pic.stats().packets);
    EXPECT_GE(pic.stats().badChecksums, 2u);
    pic.expectUnanswered({0x0B}); // erase-all is family 8's alone
    EXPECT_EQ(1u, pic.stats().unknownCommands);

    PicBench mid(Options{{"part", "PIC16F886"}}); // a 90-byte buffer
    mid.expectUnanswered(request(0x04, 0x0100, 25, false, Bytes(200, 0x3F)));
    EXPECT_EQ(1u, mid.stats().overflows);
    EXPECT_TRUE(mid.chip().isBlank(0x0100, 0x0200));
    EXPECT_TRUE(mid.transact({0x00}));
}

TEST(PicBootloaderMemory, EepromStoresEscapedBytesLiterallyAndRefusesWritesPastItsEnd) {
    PicBench pic;
    const Bytes data = {STX, ETX, DLE, 0x00, DLE, DLE, 0xFF};
    ASSERT_TRUE(pic.transact(request(0x06, 0xF00010, data.size(), true, data)));
    EXPECT_EQ(STX, pic.chip().eeprom(0x10));
    EXPECT_EQ(DLE, pic.chip().eeprom(0x15));
    EXPECT_EQ(data, pic.transact(request(0x05, 0xF00010, data.size(), true)));
    pic.expectUnanswered(request(0x06, 0xF003FE, 4, true, {1, 2, 3, 4})); // the EEPROM holds 1 KB
    EXPECT_EQ(0xFF, pic.chip().eeprom(0x3FE));
    EXPECT_EQ(1u, pic.stats().outOfRange);
}

TEST(PicBootloaderMemory, WriteReadAndDownwardEraseOfAPic18) {
    PicBench pic;
    Bytes block(128); // two 64-byte write blocks
    std::iota(block.begin(), block.end(), 0x10);
    ASSERT_TRUE(pic.transact(request(0x04, 0x1000, 2, false, block)));
    EXPECT_EQ(block, pic.transact(request(0x01, 0x1000, 128, true)));
    // Flash only clears bits: writing over it without an erase ANDs.
    ASSERT_TRUE(pic.transact(request(0x04, 0x1000, 1, false, Bytes(64, 0x0F))));
    EXPECT_EQ(block[0] & 0x0F, pic.chip().read(0x1000, 1)[0]);
    // A write whose data does not match its block count is refused unanswered.
    pic.expectUnanswered(request(0x04, 0x1100, 2, false, Bytes(100, 0x11)));
    EXPECT_TRUE(pic.chip().isBlank(0x1100, 0x1180));
    EXPECT_EQ(1u, pic.stats().malformed);

    // Three blocks down from 0x1100: 0x1100, 0x10C0 and 0x1080, nothing around them.
    for (std::uint32_t a = 0x1000; a < 0x1200; a += 2)
        pic.chip().setFlashWord(a, 0x1234);
    ASSERT_TRUE(pic.transact(request(0x03, 0x1100, 3, false)));
    EXPECT_FALSE(pic.chip().isBlank(0x1000, 0x1080));
    EXPECT_TRUE(pic.chip().isBlank(0x1080, 0x1140));
    EXPECT_FALSE(pic.chip().isBlank(0x1140, 0x1200));
}

TEST(PicBootloaderMemory, BootloaderConfigurationAndVectorPageAreNeverErasedOrWritten) {
    PicBench pic;
    const auto bootloader = pic.chip().flashBytes(0xFC00, 0x10000);
    ASSERT_TRUE(pic.transact(request(0x03, 0xFFC0, 4, false)));
    ASSERT_TRUE(pic.transact(request(0x04, 0xFC00, 1, false, Bytes(64, 0x00))));
    EXPECT_EQ(bootloader, pic.chip().flashBytes(0xFC00, 0x10000));
    ASSERT_TRUE(pic.transact(request(0x04, 0x300000, 1, false, Bytes(64, 0x00)))); // outside flash
    EXPECT_EQ(0x07u, *pic.chip().specialWord(0x300001));
    EXPECT_EQ(5u, pic.stats().protectedHits);
    EXPECT_EQ(1u, pic.stats().outOfRange);

    PicBench pic24(Options{{"part", "PIC24FJ64GA002"}});
    auto& chip = pic24.chip();
    const auto config = chip.flashWord(0xABFE), reset = chip.flashWord(0x0000);
    for (const std::uint32_t block : {0xA800u, 0x0000u, 0x0400u}) // configuration, vector page, bootloader
        ASSERT_TRUE(pic24.transact(request(0x03, block, 1, false)));
    EXPECT_EQ(config, chip.flashWord(0xABFE));
    EXPECT_EQ(reset, chip.flashWord(0x0000));
    // Read as bytes: three per instruction, and erased words past the end of flash.
    EXPECT_EQ((Bytes{std::uint8_t(config), std::uint8_t(config >> 8), std::uint8_t(config >> 16), 0xFF, 0xFF,
                     0xFF}),
              chip.flashBytes(0xABFE, 0xAC02));
    EXPECT_FALSE(chip.isBlank(0x0400, 0x0800));
    EXPECT_EQ(3u, pic24.stats().protectedHits);
}

TEST(PicBootloaderReset, OnlyAValidJumpStartsTheApplicationAndOnlyAHeldBreakEntersTheBootloader) {
    PicBench pic;
    auto& device = pic.device();
    EXPECT_EQ(Mode::Bootloader, device.bootloader().mode()); // blank flash after power-on
    // The saved jump below the bootloader leads to 0x0100, still blank: nothing starts.
    pic.chip().setFlashWord(0xFC00 - 4, 0xEF00 | 0x80);
    pic.chip().setFlashWord(0xFC00 - 2, 0xF000);
    pic.reset(false);
    EXPECT_EQ(Mode::Bootloader, device.bootloader().mode());
    EXPECT_EQ(0u, device.applicationStarts());

    // With code there a reset starts it, and the line's bytes go to the application.
    pic.chip().setFlashWord(0x0100, 0x0E55);
    pic.reset(false);
    EXPECT_EQ(Mode::Application, device.bootloader().mode());
    EXPECT_FALSE(pic.sync());
    EXPECT_EQ(Bytes{STX}, device.applicationBytes());
    // Break held through a reset: the bootloader, and no start.
    pic.reset(true);
    EXPECT_TRUE(pic.transact({0x00}));
    // Ending the break before the reset is released is no entry either.
    pic.link.setBreak(true);
    pic.link.setRts(true);
    pic.link.setBreak(false);
    pic.link.setRts(false);
    EXPECT_EQ(2u, device.applicationStarts());
}

TEST(BlockBootloaderLines, RowsAreErasedAndProgrammedFromTheBufferAroundTheBootloadersOwnBytes) {
    BlockBench b;
    b.reset(true);
    EXPECT_EQ("!", b.ask("R0000")); // refused before the access code
    EXPECT_EQ("*", b.ask("KVB"));
    Bytes row(64);
    for (std::size_t i = 0; i < row.size(); ++i)
        row[i] = static_cast<std::uint8_t>(i % 2 ? 0xC0 + i : i / 2);
    b.load(row);
    EXPECT_EQ(hex(std::span(row).subspan(16, 16), "{:02X} "), b.ask("j013010"));

    // "b" alone leaves the row blank; "u" fills it; over a row not erased,
    // programming clears bits only.
    EXPECT_EQ("*", b.ask("b0040"));
    EXPECT_TRUE(std::ranges::equal(sim::BlockChip().row(2), b.chip().row(2))); // blank
    EXPECT_EQ("*", b.ask("u0040"));
    EXPECT_TRUE(std::ranges::equal(row, b.chip().row(2)));
    b.load(Bytes(64, 0x0F));
    EXPECT_EQ("*", b.ask("u0040"));
    EXPECT_EQ(row[1] & 0x0F, b.chip().row(2)[1]);
    // Row 0 keeps the bootloader's vectors.
    const Bytes own(b.chip().row(0).begin(), b.chip().row(0).begin() + 16);
    b.load(row);
    EXPECT_EQ("*", b.ask("b0000"));
    EXPECT_EQ("*", b.ask("u0000"));
    EXPECT_TRUE(std::ranges::equal(own, b.chip().row(0).first(16)));
    EXPECT_TRUE(std::ranges::equal(std::span(row).subspan(16), b.chip().row(0).subspan(16)));

    const std::string zeros(32, '0');
    for (const auto& command : {std::string("b0041"), std::string("u0E20"), "m60" + zeros,
                                "m20" + zeros.substr(1) + "G", std::string("j012041"), std::string("r0000")})
        EXPECT_EQ("?", b.ask(command)) << command;
}

TEST(BlockBootloaderLines, OnlyItsOwnLineRateGetsThrough) {
    for (const std::uint32_t baud : {115200u, 1000000u}) {
        BlockBench b(baud);
        b.reset(true);
        EXPECT_NE("5A13", b.ask("i"));
        EXPECT_NE(std::vector<std::string>{"i"}, b.device().bootloader().commands());
    }
    // A start bit twice as long reads as a low first data bit; data bits half
    // as long are sampled every other one; 2 % off gets through.
    const struct {
        Bytes sent;
        std::uint32_t from, to;
        Bytes received;
    } cases[] = {
        {{0xFF}, 9600, 19200, {0xFE}}, {{0x00}, 19200, 9600, {0xF8}}, {{'*', '\n'}, 9600, 9800, {'*', '\n'}}};
    for (const auto& c : cases)
        EXPECT_EQ(c.received, sim::throughRate(c.sent, c.from, c.to)) << c.from << " to " << c.to;
}
