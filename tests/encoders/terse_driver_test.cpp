// The RVX65/68 and RVX62/69 drivers against the bench encoders: the terse
// dialect's wire forms and reply checks, identifying each part with what it
// offers, positions with the zero offset or the check bits, turns, address,
// baud rate and dates.
#include "encoder_bench.h"
#include "encoders/Pictures.h"
#include "encoders/rvx62_69/RVX62_69.h"
#include "encoders/rvx65_68/RVX65_68.h"
#include "sim/models/rvx65_68/TerseEncoder.h"
#include "transport/FtdiPlatform.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <tuple>

namespace {

using namespace std::chrono;
using Commands = std::vector<std::string>;

using TerseDriver = EncoderBench<sim::TerseEncoder>;

TEST_F(TerseDriver, IdentifiesEachPartWithWhatItOffers) {
    const struct {
        const char* model;
        const char* code;
        const char* part;
        int bits;
        bool zero, turns, baudRow, update;
        const char* picture;
        int latest;
    } parts[] = {
        {"RVX65", "0xC1", "RVX652B", 14, true, false, false, true, "RVX65", 0x16},
        {"RVX65", "0xC6", "RVX653C", 12, false, true, false, true, "RVX65-2", 0x16},
        {"RVX65", "0xF4", "RVX652H", 14, false, true, true, false, "RVX65-2", 0x1B},
        {"RVX68", "0xD4", "RVX683A", 12, true, false, false, true, "RVX68-2", 0x11},
        {"RVX62", "0xCB", "RVX622D", 14, false, false, false, true, "RVX62", 0x04},
        {"RVX62", "0xCC", "RVX623A", 12, true, false, false, true, "RVX62-2", 0x04},
        {"RVX69", "0x55", "RVX692 Prototype", 12, false, false, false, true, "RVX69", 0x04},
    };
    for (const auto& p : parts) {
        SCOPED_TRACE(p.part);
        const auto encoder = open(p.model, {{"code", p.code}});
        EXPECT_STREQ(encoder->part_number, p.part);
        EXPECT_EQ(encoder->position_bits, p.bits);
        EXPECT_EQ(static_cast<bool>(encoder->zero), p.zero);
        EXPECT_EQ(static_cast<bool>(encoder->read_turns), p.turns);
        EXPECT_EQ(static_cast<bool>(encoder->set_baud_rate), p.baudRow);
        EXPECT_EQ(static_cast<bool>(encoder->update_firmware), p.update);
        EXPECT_EQ(static_cast<bool>(encoder->set_address), std::string(p.model) == "RVX65");
        EXPECT_TRUE(std::ranges::equal(encoder->picture, RVX::model_picture(p.picture)));
        EXPECT_EQ(encoder->latest_firmware_version(), p.latest);
        std::ostringstream report;
        encoder->diagnostics(report, [] { ADD_FAILURE() << "the short report has no steps"; });
        EXPECT_TRUE(report.str().ends_with(fmt::format("Resolution: {}\n", p.bits)));
    }
}

TEST_F(TerseDriver, RefusesForeignCodesAndClosesTheLink) {
    const std::array<const char*, 3> foreign[] = {
        {"RVX65", "0xC8", "Encoder does not appear to be an RVX65"},
        {"RVX68", "0xD2", "Encoder does not appear to be an RVX68"},
        {"RVX62", "0xC7", "Unknown RVX62 encoder detected"},
        {"RVX69", "0x50", "Unknown RVX69 encoder configuration"},
    };
    for (const auto& [model, code, message] : foreign) {
        SCOPED_TRACE(std::string(model) + " " + code);
        // Named copies: clang 14 cannot capture structured bindings.
        const char *m = model, *c = code;
        const auto refused = [&] { open(m, {{"code", c}}); };
        EXPECT_TRUE(failsWith(refused, message, std::stoul(code, nullptr, 16)));
        EXPECT_FALSE(bench->module(lastIndex()).isOpen());
    }
    // An EEPROM never written reads code 0xFF.
    EXPECT_EQ(thrownBy([&] { open("RVX65", {{"blank", "1"}}); }).code(), 0xFFu);
}

TEST_F(TerseDriver, AddressWritesAreCheckedAndAcknowledged) {
    const auto encoder = open("RVX65", {{"address", "0x43"}});
    EXPECT_EQ(encoder->get_address(), 0x40);

    const auto before = hostBytes();
    EXPECT_TRUE(failsWith([&] { encoder->set_address(0x41); },
                          "Unable to set RVX65 RS-485 address. Invalid address. Must be multiple of 4",
                          0x41u));
    EXPECT_EQ(hostBytes(), before);

    EXPECT_EQ(sentBy([&] { encoder->set_address(0x40); }), (Commands{"uC040"}));

    // A wrong acknowledgement: whatever else came is dropped, so the next read is clean.
    last().scriptReply("uC044", "$??\n");
    EXPECT_TRUE(
        failsWith([&] { encoder->set_address(0x44); }, "Invalid response while writing RVX65 EEPROM", 36u));
    EXPECT_EQ(encoder->get_address(), 0x44);

    // A base the dialect does not have is refused before anything is sent.
    auto& rvx65 = dynamic_cast<RVX::RVX65&>(*encoder);
    const auto sent = hostBytes();
    EXPECT_EQ(thrownBy([&] { rvx65.dialect.write_eeprom(0xC0, 4, 8); }).code(), 255u);
    EXPECT_EQ(hostBytes(), sent);
}

TEST_F(TerseDriver, RepliesCheckTheirLengthAndLineFeed) {
    const auto encoder = open("RVX68");
    auto& rvx68 = dynamic_cast<RVX::RVX68&>(*encoder);
    last().scriptReply("eF802", "3fff\n");
    rvx68.connect();
    EXPECT_EQ(rvx68.zero_offset(), 16383);
    for (const char* reply : {"16", "16$"}) {
        last().scriptReply("e8101", reply);
        EXPECT_TRUE(failsWith([&] { rvx68.firmware_version(); }, "Unable to read RVX68 EEPROM", 0x81u));
    }
    last().scriptReply("e7E02", "3221$");
    EXPECT_EQ(thrownBy([&] { rvx68.last_program_date(); }).code(), 0x7Eu);

    // Bad position and turns replies carry only the bytes that came.
    const auto rvx65 = open("RVX65", {{"part", "RVX652G"}, {"turns", "-3"}});
    EXPECT_EQ(rvx65->read_turns(), -3);

    last().scriptReply("x", "12\n");
    EXPECT_TRUE(failsWith([&] { rvx65->read_position(); }, "Invalid RVX65 position response", 0x0A3231u));
    last().scriptReply("z", "0003$");
    EXPECT_TRUE(failsWith([&] { rvx65->read_turns(); }, "Invalid RVX65 turns response", 0x33303030u));
    last().scriptReply("x", "G123\n");
    EXPECT_THROW(rvx65->read_position(), std::system_error);
}

// Units first, then hundreds, both in decimal digits; the year modulo 128.
TEST_F(TerseDriver, DatesWriteTheirBytesInOrderOnBothLines) {
    for (const char* model : {"RVX65", "RVX62"}) {
        SCOPED_TRACE(model);
        const auto encoder = open(model);
        EXPECT_EQ(sentBy([&] { encoder->set_datecode(2025); }), (Commands{"u7B25", "u7C20"}));
        EXPECT_EQ(encoder->datecode(), 2025);
        EXPECT_EQ(sentBy([&] { encoder->set_last_program_date(sys_days{year{1999} / December / 31}); }),
                  (Commands{"u7F9F", "u7EFF"}));
        FTDI::sleepMs(20); // unanswered writes need the encoder's time to store them
        encoder->set_last_program_date(sys_days{year{2025} / January / 1} + hours{15});
        EXPECT_EQ(last().eepromWord(0x7E), 0x3221);
        EXPECT_EQ(encoder->last_program_date(), sys_days{year{2025} / January / 1});
    }
}

TEST_F(TerseDriver, PositionSubtractsTheZeroOffsetModuloATurn) {
    const std::tuple<const char*, const char*, const char*, int> cases[] = {
        {"RVX652F", "100", "16000", 484},  {"RVX652E", "100", "16000", 121},
        {"RVX652F", "100", "0xFFFF", 101}, {"RVX652E", "8000", "0xFFFF", 2000},
        {"RVX652F", "16383", "0", 16383},
    };
    for (const auto& [part, shaft, offset, position] : cases) {
        SCOPED_TRACE(std::string(part) + " at " + shaft + " less " + offset);
        EXPECT_EQ(open("RVX65", {{"part", part}, {"shaft", shaft}, {"zero", offset}})->read_position(),
                  position);
    }
    // A raw value out of range still lands on the dial.
    const auto encoder = open("RVX65", {{"part", "RVX652F"}, {"zero", "0xFFFF"}});
    last().scriptReply("x", "FFFF\n");
    EXPECT_EQ(encoder->read_position(), 0);

    // Zero: "0", then connect reloads the offset the encoder stored.
    const auto zeroed = open("RVX68", {{"shaft", "7000"}});
    EXPECT_EQ(sentBy([&] { zeroed->zero(); }), (Commands{"0", "Q", "eF802"}));
    EXPECT_EQ(zeroed->read_position(), 0);
}

TEST_F(TerseDriver, CheckBitsGuardEveryPositionOfTheSilentLine) {
    const auto b14 = open("RVX62", {{"part", "RVX622B"}});
    const auto b12 = open("RVX69", {{"part", "RVX692A"}});
    device(0).scriptReply("x", "61AB\n");
    EXPECT_EQ(b14->read_position(), 0x21AB);
    device(1).scriptReply("x", "61AB\n");
    EXPECT_EQ(b12->read_position(), 0x086A);
    device(0).scriptReply("x", "A1AB\n");
    EXPECT_TRUE(failsWith([&] { b14->read_position(); }, "Invalid RVX62 checksum", 0xA1ABu));

    const auto bad = open("RVX62", {{"badcheck", "1"}});
    EXPECT_STREQ(thrownBy([&] { bad->read_position(); }).what(), "Invalid RVX62 checksum");

    // The encoder applies its zero itself.
    const auto zeroed = open("RVX69", {{"part", "RVX693B"}, {"shaft", "9000"}});
    EXPECT_EQ(zeroed->read_position(), 9000);
    EXPECT_EQ(sentBy([&] { zeroed->zero(); }), (Commands{"0", "Q"}));
    EXPECT_EQ(zeroed->read_position(), 0);
}

TEST_F(TerseDriver, BaudRateFromThePartOrTheIndexAndRefusedRatesSendNothing) {
    const auto fixed = open("RVX65", {{"part", "RVX653B"}});
    EXPECT_TRUE(sentBy([&] { EXPECT_EQ(fixed->get_baud_rate(), 2000000u); }).empty());

    const auto selectable = open("RVX65", {{"baudindex", "3"}});
    EXPECT_EQ(selectable->get_baud_rate(), 19200u);
    last().setEeprom(0x83, 5);
    EXPECT_THROW(selectable->get_baud_rate(), std::out_of_range);

    const auto before = hostBytes();
    EXPECT_TRUE(failsWith([&] { selectable->set_baud_rate(57600, [](const std::string&) {}); },
                          "Invalid baud rate", 0u));
    EXPECT_EQ(hostBytes(), before);
}

} // namespace
