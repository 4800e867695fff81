// The RVX64 driver against the bench's RVX64: variants, position, the
// termination rule, the base64 record behind its unlock code, and the node
// address read through the block bootloader.
#include "encoder_bench.h"
#include "encoders/rvx64/RVX64.h"
#include "sim/models/rvx64/Rvx64.h"

#include <sstream>
#include <tuple>

namespace {

using namespace std::chrono;
using Commands = std::vector<std::string>;

using Rvx64Driver = EncoderBench<sim::Rvx64>;

TEST_F(Rvx64Driver, TheVariantDecidesPartPositionBitsZeroAndModelCode) {
    const std::tuple<const char*, const char*, unsigned, bool, std::uint16_t> variants[] = {
        {"A", "RVX64xA", 12, true, 0x35F9},
        {"C", "RVX64xC", 12, false, 0x35FB},
        {"B", "RVX64xB", 14, true, 0x35FA},
        {"D", "RVX64xD", 14, false, 0x35FC},
    };
    for (const auto& [variant, part, bits, zero, modelCode] : variants) {
        SCOPED_TRACE(variant);
        const auto encoder = open("RVX64", {{"variant", variant}});
        EXPECT_FALSE(bench->module(lastIndex()).line().dtr);
        EXPECT_STREQ(encoder->part_number, part);
        EXPECT_EQ(encoder->position_bits, bits);
        EXPECT_EQ(static_cast<bool>(encoder->zero), zero);
        EXPECT_EQ(encoder->model_code(), modelCode);
        EXPECT_EQ(encoder->firmware_version(), 7);
    }
    addEncoder("RVX64");
    last().scriptReply("i", "3447\n");
    EXPECT_TRUE(failsWith([&] { RVX::RVX64{lastIndex()}; }, "Invalid RVX64 model ID", 0u));
}

// (The window's tests read 14-bit positions and zero them.)
TEST_F(Rvx64Driver, TwelveBitPositionsAndWrongReplies) {
    const auto encoder = open("RVX64", {{"variant", "C"}});
    last().scriptReply("p", "3FFC\n");
    EXPECT_EQ(encoder->read_position(), 0x0FFF);
    last().scriptReply("p", "12\n");
    EXPECT_TRUE(failsWith([&] { encoder->read_position(); }, "Invalid RVX64 position response", 0x0A3231u));
}

TEST_F(Rvx64Driver, TerminationIsOfferedByFirmwareSevenOnPartsFromWeek33Of2025) {
    const std::tuple<const char*, const char*, bool> parts[] = {
        {"7", "3225", false}, {"7", "3325", true},  {"7", "0126", true},
        {"6", "3326", false}, {"7", "5224", false},
    };
    for (const auto& [firmware, datecode, offered] : parts) {
        SCOPED_TRACE(std::string(firmware) + " " + datecode);
        const auto encoder = open("RVX64", {{"fw", firmware}, {"datecode", datecode}});
        EXPECT_EQ(static_cast<bool>(encoder->get_termination), offered);
        EXPECT_EQ(static_cast<bool>(encoder->set_termination), offered);
    }

    const auto encoder = open("RVX64", {{"datecode", "4025"}, {"termination", "1"}});
    EXPECT_TRUE(encoder->get_termination());
    last().scriptReply("o", "2");
    EXPECT_TRUE(
        failsWith([&] { encoder->get_termination(); }, "Invalid RVX64 response when reading options", 0x32u));
}

TEST_F(Rvx64Driver, TheRecordTravelsInBase64BehindTheUnlockCodeAndIsCorruptUnlessSixBytes) {
    const auto encoder = open("RVX64", {{"datecode", "1225"}, {"station", "0x30"}, {"days", "0x0102"}});
    EXPECT_EQ(encoder->datecode(), 1225);
    EXPECT_EQ(encoder->last_programmed_by(), 0x30);
    EXPECT_EQ(encoder->last_program_date(), sys_days{2000y / 1 / 1} + days{0x0102});

    EXPECT_EQ(sentBy([&] { encoder->set_datecode(3326); }), (Commands{"XQW", "c", "XQW", "CsyEaMAIB"}));
    encoder->restore_defaults();
    const auto today = floor<days>(system_clock::now()) - sys_days{2000y / 1 / 1};
    EXPECT_EQ(last().record(),
              (std::array<std::uint8_t, 6>{0xB3, 0, 0, 0x01, static_cast<std::uint8_t>(today.count()),
                                           static_cast<std::uint8_t>(today.count() >> 8)}));

    last().scriptReply("XQW", "?\n");
    EXPECT_STREQ(thrownBy([&] { encoder->datecode(); }).what(), "Unable to unlock RVX64");
    last().scriptReply("c", "cswwZMAI\n");
    EXPECT_STREQ(thrownBy([&] { encoder->datecode(); }).what(), "Unable to read RVX64 EEPROM");
    last().scriptReply("C", "!\n");
    EXPECT_STREQ(thrownBy([&] { encoder->set_datecode(1); }).what(), "Unable to write RVX64 EEPROM");

    // A record that is not six bytes of base64 is corrupt.
    last().scriptReply("c", "cswwZMAI+\r\n");
    EXPECT_NO_THROW(encoder->datecode());
    for (const std::string text : {"swwZMA==", "swwZMAI=", "swwZ*AIB", "swwZMA=B"}) {
        last().scriptReply("c", "c" + text + "\r\n");
        EXPECT_STREQ(thrownBy<RVX::EEPROMInvalid>([&] { encoder->datecode(); }).what(),
                     "RVX64 EEPROM corrupt")
            << text;
    }
}

TEST_F(Rvx64Driver, TheNodeAddressIsReadThroughTheBootloaderAndSetByCommand) {
    const auto encoder = open("RVX64", {{"address", "0x14"}});
    EXPECT_EQ(encoder->get_address(), 0x14);
    EXPECT_EQ(last().bootloader().commands(), (Commands{"KVB", "R0E00", "j012101"}));
    EXPECT_TRUE(last().applicationRunning());

    const auto bytes = hostBytes();
    EXPECT_TRUE(failsWith([&] { encoder->set_address(6); },
                          "Unable to set RVX64 RS-485 address. Invalid address", 6u));
    EXPECT_EQ(hostBytes(), bytes);
    EXPECT_EQ(sentBy([&] { encoder->set_address(8); }), (Commands{"A08"}));
    EXPECT_EQ(encoder->get_address(), 8);

    std::ostringstream report;
    encoder->diagnostics(report, [] {});
    EXPECT_TRUE(report.str().ends_with("\nResolution: 12\n")) << report.str();
}

// Whatever fails on the way, the encoder is restarted into its application.
TEST_F(Rvx64Driver, AFailedAddressReadRestartsTheApplication) {
    const std::tuple<std::map<std::string, std::string>, const char*, std::uint32_t> faults[] = {
        {{{"cr", ""}}, "Unlock failed", 2},
        {{{"nak", "112"}, {"nakcmd", "R"}}, "Set block failed", 2},
        {{{"late", "1"}, {"lateby", "400"}}, "Unlock failed", 0},
    };
    for (auto [options, message, code] : faults) {
        SCOPED_TRACE(message);
        options["once"] = "";
        const auto encoder = open("RVX64", options);
        EXPECT_TRUE(failsWith([&] { encoder->get_address(); }, message, code));
        EXPECT_TRUE(last().applicationRunning());
        EXPECT_EQ(encoder->get_address(), 0x10);
    }
}

} // namespace
