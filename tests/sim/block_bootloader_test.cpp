// The block bootloader's device side, driven line by line through the bench
// by a hand-made host end of the wire, without the host library.
#include "sim/Bench.h"
#include "sim/blockloader/BlockBootloaderDevice.h"
#include "sim/blockloader/LineRate.h"
#include "transport/UartLink.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

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
