// The RVX46/47 and RVX84/86 drivers against the bench encoder: connecting and
// identifying, positions, zero, dates and the diagnostics report.
#include "encoders/RVX46_47.h"
#include "encoders/RVX84_86.h"
#include "rvx46_bench.h"

#include <boost/numeric/conversion/converter_policies.hpp>

#include <algorithm>
#include <fmt/format.h>
#include <sstream>

namespace {

using namespace std::chrono;
using rvx46test::thrownBy;
using Commands = std::vector<std::string>;

class Rvx46Driver : public rvx46test::Rvx46LineBench {};

TEST_F(Rvx46Driver, ConnectsWithResetPulseAndHandshakeAndIdentifiesThePart) {
    addEncoder("RVX46", {{"code", "0xE1"}});
    RVX::RVX46 encoder(0);

    EXPECT_EQ(device().resets(), 1u);
    EXPECT_EQ(commandsSince(0), (Commands{"q", "e7901"}));
    EXPECT_EQ(bench->module(0).line().baud, 115200u);
    EXPECT_TRUE(bench->module(0).line().dtr);
    EXPECT_STREQ(encoder.part_number, "RVX463S");
    EXPECT_FALSE(encoder.picture.empty());
    EXPECT_EQ(encoder.position_bits, 14);
    EXPECT_EQ(encoder.resolutions.size(), 22u);
    EXPECT_TRUE(encoder.set_resolution && encoder.update_firmware && encoder.zero && encoder.read_position);
    EXPECT_FALSE(encoder.set_commutation || encoder.get_poles || encoder.set_address);
    EXPECT_TRUE(std::string(encoder.datasheet_url()).ends_with("/product/resource/rvx46.pdf"));
}

TEST_F(Rvx46Driver, EachModelRefusesAnotherModelsCodeAndClosesItsLink) {
    addEncoder("RVX46", {{"code", "0xE4"}});
    auto e = thrownBy([] { RVX::RVX46 encoder(0); });
    EXPECT_STREQ(e.what(), "Encoder does not appear to be an RVX46");
    EXPECT_EQ(e.code(), 0xE4u);
    EXPECT_FALSE(bench->module(0).isOpen());

    e = thrownBy([] { RVX::RVX47 encoder(0); });
    EXPECT_STREQ(e.what(), "Encoder does not appear to be an RVX47");
    e = thrownBy([] { RVX::RVX86 encoder(0); });
    EXPECT_STREQ(e.what(), "Encoder does not appear to be an RVX86");
    EXPECT_EQ(e.code(), 0xE4u);

    // 0xE4 is an RVX84 part.
    RVX::RVX84 encoder(0);
    EXPECT_STREQ(encoder.part_number, "RVX842S");
}

TEST_F(Rvx46Driver, CommutationPartsCarryTheirOwnPictures) {
    addEncoder("RVX84", {{"part", "RVX842C"}});
    addEncoder("RVX84", {{"part", "RVX842Q"}});
    RVX::RVX84 first(0), second(1);
    EXPECT_STREQ(first.part_number, "RVX842C");
    EXPECT_STREQ(second.part_number, "RVX842Q");
    EXPECT_NE(first.picture.data(), second.picture.data());
    EXPECT_TRUE(first.set_commutation && first.get_poles && first.get_direction);
}

TEST_F(Rvx46Driver, AHandshakeWithAWrongLastByteFailsWithTheRepliesAsCode) {
    addEncoder("RVX47");
    RVX::RVX47 encoder(0);
    device().scriptReply("q\r\n#");
    auto e = thrownBy([&] { encoder.connect(); });
    EXPECT_STREQ(e.what(), "Unable to connect to RVX47 encoder. Failed to initialization calibration");
    EXPECT_EQ(e.code(), 0x230A0D71u);

    // Nothing at all: code 0. The driver stays usable.
    bench->module(0).faults.silent = true;
    e = thrownBy([&] { encoder.connect(); });
    EXPECT_EQ(e.code(), 0u);
    bench->module(0).faults.silent = false;
    EXPECT_NO_THROW(encoder.connect());
}

TEST_F(Rvx46Driver, PositionWaitsOutNoPositionRepliesUpToTenPolls) {
    addEncoder("RVX46");
    RVX::RVX46 encoder(0);
    device().setNoPositionPolls(9);
    encoder.connect();
    auto from = commandCount();
    EXPECT_LT(encoder.read_position(), 16384);
    auto sent = commandsSince(from);
    EXPECT_EQ(sent.front(), "r");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "p"), 10);

    device().setNoPositionPolls(10);
    encoder.connect();
    const auto e = thrownBy([&] { encoder.read_position(); });
    EXPECT_STREQ(e.what(), "Did not receive position response from RVX46");
}

TEST_F(Rvx46Driver, BadPositionRepliesAreReportedWithWhatCameBack) {
    addEncoder("RVX46");
    RVX::RVX46 encoder(0);
    device().scriptReply("x0000\r\n$");
    auto e = thrownBy([&] { encoder.read_position(); });
    EXPECT_STREQ(e.what(), "Invalid RVX46 response to read-position command");

    device().scriptReply("p", "p12\r\n$!!");
    e = thrownBy([&] { encoder.read_position(); });
    EXPECT_STREQ(e.what(), "Invalid RVX46 position response");
    EXPECT_EQ(e.code(), 0x0D323170u); // "p12\r"
}

TEST_F(Rvx46Driver, ZeroMakesTheCurrentShaftPositionZeroAndReconnects) {
    addEncoder("RVX46", {{"shaft", "5000"}});
    RVX::RVX46 encoder(0);
    ASSERT_EQ(encoder.read_position(), 5000);

    const auto from = commandCount();
    const auto resets = device().resets();
    encoder.zero();
    EXPECT_EQ(commandsSince(from), (Commands{"Q", "0", "q"}));
    EXPECT_EQ(device().resets(), resets + 1);
    EXPECT_EQ(encoder.read_position(), 0);
}

TEST_F(Rvx46Driver, DatecodeAndProgramDateRoundTrip) {
    addEncoder("RVX46");
    RVX::RVX46 encoder(0);
    auto from = commandCount();
    encoder.set_datecode(2025);
    EXPECT_EQ(commandsSince(from), (Commands{"u7B20", "u7C25"}));
    EXPECT_EQ(encoder.datecode(), 2025);

    const auto newYear = sys_days{year{2025} / January / 1} + hours{15};
    encoder.set_last_program_date(newYear);
    EXPECT_EQ(device().eeprom(0x7E), 0x32);
    EXPECT_EQ(device().eeprom(0x7F), 0x21);
    EXPECT_EQ(encoder.last_program_date(), sys_days{year{2025} / January / 1});
}

TEST_F(Rvx46Driver, ProgramDatesOutsideTheWordWriteNothing) {
    addEncoder("RVX46");
    RVX::RVX46 encoder(0);
    const auto before = hostBytes();

    const auto e = thrownBy([&] { encoder.set_last_program_date(sys_days{year{1999} / December / 31}); });
    EXPECT_STREQ(e.what(), "Invalid year");
    EXPECT_EQ(e.code(), 0u);
    EXPECT_THROW(encoder.set_last_program_date(sys_days{year{2128} / January / 1}),
                 boost::numeric::positive_overflow);
    EXPECT_EQ(hostBytes(), before);
    EXPECT_NO_THROW(encoder.set_last_program_date(sys_days{year{2127} / December / 31}));
}

TEST_F(Rvx46Driver, InvalidResolutionsAndCombinationsSendNothing) {
    addEncoder("RVX46");
    addEncoder("RVX84");
    RVX::RVX46 incremental(0);
    RVX::RVX84 commutation(1);
    const auto before = hostBytes(0), before84 = hostBytes(1);
    const StatusCallback ignore = [](const std::string&) {};

    auto e = thrownBy([&] { incremental.set_resolution(1023, ignore); });
    EXPECT_STREQ(e.what(), "Invalid RVX46 resolution");
    EXPECT_EQ(e.code(), 1023u);
    EXPECT_EQ(hostBytes(0), before);

    e = thrownBy([&] { commutation.set_commutation(300, 8, false, ignore); });
    EXPECT_STREQ(e.what(), "Unsupported resolution/poles/direction combination");
    EXPECT_EQ(e.code(), 0u);
    e = thrownBy([&] { commutation.set_commutation(1024, 3, true, ignore); });
    EXPECT_STREQ(e.what(), "Unsupported resolution/poles/direction combination");
    // Poles past 127 would alias another resolution's key.
    EXPECT_THROW(commutation.set_commutation(1023, 130, false, ignore), RVX::Exception);
    EXPECT_EQ(hostBytes(1), before84);
}

TEST_F(Rvx46Driver, DirectionIsCounterClockwiseOnlyForOne) {
    addEncoder("RVX86", {{"poles", "6"}, {"ccw", "1"}});
    RVX::RVX86 encoder(0);
    EXPECT_TRUE(encoder.get_direction());
    EXPECT_EQ(encoder.get_poles(), 6);
    device().setEeprom(0x85, 2);
    EXPECT_FALSE(encoder.get_direction());
}

// The report: header, flags, the 128 samples and a summary that matches them.
TEST_F(Rvx46Driver, DiagnosticsReportsFlagsSamplesAndSummary) {
    addEncoder("RVX84", {{"errors", "0xA0"}, {"blocks", "0x10"}, {"checks", "0x05"}, {"poles", "4"}});
    RVX::RVX84 encoder(0);
    std::ostringstream out;
    int steps = 0;
    encoder.diagnostics(out, [&] { ++steps; });

    std::istringstream in(out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u + 3 + 13 + 1 + 128 + 4);
    EXPECT_EQ(lines[0], "RVX Vantix\x99 diagnostics data");
    EXPECT_EQ(lines[1], "Model: RVX842S");
    EXPECT_EQ(lines[2], "Firmware revision: 15");
    EXPECT_EQ(lines[6], "Resolution: 1024");
    EXPECT_EQ(lines[7], "Pole count: 4");
    EXPECT_EQ(lines[8], "Direction: 1");
    const std::vector<std::string> flags(lines.begin() + 9, lines.begin() + 22);
    EXPECT_EQ(flags, (Commands{"High speed check enabled: True", "Low speed check enabled: False",
                               "Residual check enabled: True", "Startup delay enabled: False",
                               "SPI check enabled: False", "High speed error: True", "Low speed error: True",
                               "SPI error: False", "Residual error: False",
                               "Block for high speed error: False", "Block for low speed error: False",
                               "Block for residual error: False", "Block for SPI error: True"}));
    EXPECT_EQ(lines[22], "Coarse,Fine");

    int coarseMin = 65535, coarseMax = 0, fineMin = 65535, fineMax = 0;
    long coarseSum = 0, fineSum = 0;
    for (int i = 0; i < 128; ++i) {
        int coarse = 0, fine = 0;
        char comma = 0;
        std::istringstream row(lines[23 + static_cast<std::size_t>(i)]);
        ASSERT_TRUE(row >> coarse >> comma >> fine) << lines[23 + static_cast<std::size_t>(i)];
        coarseMin = std::min(coarseMin, coarse), coarseMax = std::max(coarseMax, coarse);
        fineMin = std::min(fineMin, fine), fineMax = std::max(fineMax, fine);
        coarseSum += coarse, fineSum += fine;
    }
    // Real channels: a swing of volts around a bias of about 2.5 V.
    EXPECT_GT(coarseMax - coarseMin, 1000);
    EXPECT_NEAR(coarseSum / 128, 2500, 100);
    EXPECT_EQ(lines[151], "Coarse amplitude: " + std::to_string(coarseMax - coarseMin) + " mV");
    EXPECT_EQ(lines[152], "Coarse DC offset: " + std::to_string(coarseSum / 128) + " mV");
    EXPECT_EQ(lines[153], "Fine amplitude: " + std::to_string(fineMax - fineMin) + " mV");
    EXPECT_EQ(lines[154], "Fine DC offset: " + std::to_string(fineSum / 128) + " mV");
    EXPECT_EQ(steps, 2 + 128);
}

TEST_F(Rvx46Driver, ACoarseChannelStuckAtOneValueHasNoAmplitude) {
    addEncoder("RVX47");
    RVX::RVX47 encoder(0);
    for (int i = 0; i < 128; ++i) {
        const auto command = fmt::format("j03{:02X}02", 2 * i);
        device().scriptReply(command, command + "= 09 C4\r\n$"); // 2500 mV
    }
    std::ostringstream out;
    encoder.diagnostics(out, [] {});
    const auto report = out.str();
    EXPECT_NE(report.find("\nCoarse amplitude: 0 mV\nCoarse DC offset: 2500 mV\n"), std::string::npos);
    EXPECT_EQ(report.find("Pole count"), std::string::npos);
}

TEST_F(Rvx46Driver, DiagnosticsStopsWhenNoAcquisitionIsAvailable) {
    addEncoder("RVX46");
    RVX::RVX46 encoder(0);
    device().scriptReply("j001D01", "j001D01= 40\r\n$");
    std::ostringstream out;
    const auto e = thrownBy([&] { encoder.diagnostics(out, [] {}); });
    EXPECT_STREQ(e.what(), "Unable to get AO from RVX46");
    EXPECT_EQ(e.code(), 0x40u);
    EXPECT_TRUE(out.str().ends_with("Coarse,Fine\n"));
}

} // namespace
