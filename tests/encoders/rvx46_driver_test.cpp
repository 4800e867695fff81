// The RVX46/47 and RVX84/86 drivers against the bench encoder: the echoing
// dialect's wire forms and reply checks, connecting and identifying, positions,
// zero, dates and the diagnostics report.
#include "encoder_bench.h"
#include "encoders/Pictures.h"
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx84_86/RVX84_86.h"
#include "sim/models/rvx46_47/Rvx46Line.h"
#include "support/Lines.h"

#include <boost/numeric/conversion/converter_policies.hpp>

#include <algorithm>
#include <array>
#include <fmt/format.h>
#include <map>
#include <sstream>
#include <system_error>

namespace {

using namespace std::chrono;
using Commands = std::vector<std::string>;
using Rvx46Driver = EncoderBench<sim::Rvx46Line>;

// Reads look only at the framing they check; writes compare the echo only.
TEST_F(Rvx46Driver, EchoingDialectWireFormsAndReplyChecks) {
    addEncoder("RVX46");
    RVX::RVX46 encoder(0);
    device().scriptReply("e7901= e0\r\n$");
    EXPECT_EQ(encoder.model_code(), 0xE0);
    // The separator between the two bytes of a word is not looked at.
    device().scriptReply("e8202= 07#D0\r\n$");
    EXPECT_EQ(encoder.get_resolution(), 2000);

    device().scriptReply("e7A01= E2\r\n$");
    EXPECT_TRUE(failsWith([&] { encoder.model_code(); }, "Unable to read RVX46 EEPROM", 0x79u));
    device().scriptReply("e8102= 15\r\n#");
    EXPECT_EQ(thrownBy([&] { encoder.firmware_version(); }).code(), 0x81u);
    // A short reply waits out the read time-out and fails the same way.
    device().scriptReply("e8202= 04 00\r\n");
    EXPECT_EQ(thrownBy([&] { encoder.get_resolution(); }).code(), 0x82u);

    // A value field of non-digits is a parse error, not a protocol one.
    device().scriptReply("e7901= G1\r\n$");
    const auto parse = thrownBy<std::system_error>([&] { encoder.model_code(); });
    EXPECT_EQ(parse.code(), std::make_error_code(std::errc::invalid_argument));

    device().scriptReply("j001E01= C0\r\n$");
    EXPECT_TRUE(failsWith([&] { encoder.dialect.read_ram(0x00, 0x1D); },
                          "Unable to read RAM location 00.1D from RVX46", 0u));

    // Writes: decimal digits in place of hexadecimal ones; a word high byte first.
    EXPECT_EQ(sentBy([&] {
                  encoder.dialect.write_eeprom_dec(0x7B, 5);
                  encoder.dialect.write_eeprom_word(0x82, 0x0800);
              }),
              (Commands{"u7B05", "u8208", "u8300"}));

    device().scriptReply("u7830XYZ");
    EXPECT_NO_THROW(encoder.dialect.write_eeprom_hex(0x78, 0x30));
    device().scriptReply("u7831\r\n$");
    EXPECT_TRUE(failsWith([&] { encoder.dialect.write_eeprom_hex(0x78, 0x30); },
                          "Unable to write RVX46 EEPROM", 0x78u));

    // A failed high byte leaves the low one unwritten.
    device().scriptReply("u82");
    EXPECT_EQ(sentBy([&] {
                  EXPECT_EQ(thrownBy([&] { encoder.dialect.write_eeprom_word(0x82, 0x0800); }).code(), 0x82u);
              }),
              (Commands{"u8208"}));
}

TEST_F(Rvx46Driver, ConnectsWithResetPulseAndHandshakeOrFailsWithTheRepliesAsCode) {
    addEncoder("RVX46", {{"code", "0xE4"}}); // an RVX84 part's code
    const std::pair<void (*)(), std::string> refusing[] = {{[] { RVX::RVX46 e(0); }, "RVX46"},
                                                           {[] { RVX::RVX47 e(0); }, "RVX47"},
                                                           {[] { RVX::RVX86 e(0); }, "RVX86"}};
    for (const auto& [opening, model] : refusing) {
        SCOPED_TRACE(model);
        EXPECT_TRUE(failsWith(opening, "Encoder does not appear to be an " + model, 0xE4u));
        EXPECT_FALSE(bench->module(0).isOpen());
    }
    std::unique_ptr<RVX::RVX84> opened;
    EXPECT_EQ(sentBy([&] { opened = std::make_unique<RVX::RVX84>(0); }), (Commands{"q", "e7901"}));
    auto& encoder = *opened;
    EXPECT_EQ(bench->module(0).line().baud, 115200u);
    EXPECT_TRUE(bench->module(0).line().dtr);
    EXPECT_STREQ(encoder.part_number, "RVX842S");

    // A handshake with a wrong last byte fails with the replies as code.
    device().scriptReply("q\r\n#");
    EXPECT_TRUE(failsWith([&] { encoder.connect(); },
                          "Unable to connect to RVX84 encoder. Failed to initialization calibration",
                          0x230A0D71u));

    // Nothing at all: code 0. The driver stays usable.
    bench->module(0).faults.silent = true;
    EXPECT_EQ(thrownBy([&] { encoder.connect(); }).code(), 0u);
    bench->module(0).faults.silent = false;
    EXPECT_NO_THROW(encoder.connect());

    // Each commutation part by its code, with its own picture.
    const std::array<const char*, 4> parts[] = {{"RVX84", "0xE6", "RVX842Q", "RVX84-2"},
                                                {"RVX84", "0xE8", "RVX842C", "RVX84"},
                                                {"RVX86", "0xA7", "RVX863D", "RVX86-2"}};
    for (const auto& [model, code, part, picture] : parts) {
        const auto found = open(model, {{"code", code}});
        EXPECT_STREQ(found->part_number, part);
        EXPECT_TRUE(std::ranges::equal(found->picture, RVX::model_picture(picture))) << code;
    }
}

TEST_F(Rvx46Driver, PositionWaitsOutNoPositionRepliesRefusesBadOnesAndZeroes) {
    const auto encoder = open("RVX46", {{"shaft", "5000"}});
    device().setNoPositionPolls(9);
    encoder->connect();
    const auto sent = sentBy([&] { EXPECT_EQ(encoder->read_position(), 5000); });
    EXPECT_EQ(sent.front(), "r");
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "p"), 10);

    device().setNoPositionPolls(10);
    encoder->connect();
    EXPECT_STREQ(thrownBy([&] { encoder->read_position(); }).what(),
                 "Did not receive position response from RVX46");

    // Bad replies are reported with what came back.
    device().scriptReply("x0000\r\n$");
    EXPECT_STREQ(thrownBy([&] { encoder->read_position(); }).what(),
                 "Invalid RVX46 response to read-position command");
    device().scriptReply("p", "p12\r\n$!!");
    EXPECT_TRUE(failsWith([&] { encoder->read_position(); }, "Invalid RVX46 position response",
                          0x0D323170u)); // "p12\r"

    device().setNoPositionPolls(0);
    EXPECT_EQ(sentBy([&] { encoder->zero(); }), (Commands{"Q", "0", "q"}));
    EXPECT_EQ(device().resets(), 4u); // after those of opening and the two connects
    EXPECT_EQ(encoder->read_position(), 0);
}

TEST_F(Rvx46Driver, DatesRoundTripAndBadDatesResolutionsOrCombinationsSendNothing) {
    const auto encoder = open("RVX46");
    EXPECT_EQ(sentBy([&] { encoder->set_datecode(2025); }), (Commands{"u7B20", "u7C25"}));
    EXPECT_EQ(encoder->datecode(), 2025);

    encoder->set_last_program_date(sys_days{2025y / 1 / 1} + 15h);
    EXPECT_EQ(device().eeprom(0x7E), 0x32);
    EXPECT_EQ(device().eeprom(0x7F), 0x21);
    // Damaged words still read as whole days: day 0 of March; month 0 and day 0.
    for (const auto& [word, day] : {std::pair{0x0060, 2000y / 2 / 29}, std::pair{0x0000, 1999y / 11 / 30}}) {
        device().setEeprom(0x7E, static_cast<std::uint8_t>(word >> 8));
        device().setEeprom(0x7F, static_cast<std::uint8_t>(word));
        EXPECT_EQ(encoder->last_program_date(), sys_days{day}) << word;
    }

    const auto before = hostBytes();
    EXPECT_TRUE(
        failsWith([&] { encoder->set_last_program_date(sys_days{1999y / 12 / 31}); }, "Invalid year", 0u));
    EXPECT_THROW(encoder->set_last_program_date(sys_days{2128y / 1 / 1}), boost::numeric::positive_overflow);
    const StatusCallback ignore = [](const std::string&) {};
    EXPECT_TRUE(failsWith([&] { encoder->set_resolution(1023, ignore); }, "Invalid RVX46 resolution", 1023u));
    EXPECT_EQ(hostBytes(), before);
    EXPECT_NO_THROW(encoder->set_last_program_date(sys_days{2127y / 12 / 31}));

    const auto commutation = open("RVX84");
    const auto before84 = hostBytes();
    EXPECT_TRUE(failsWith([&] { commutation->set_commutation(300, 8, false, ignore); },
                          "Unsupported resolution/poles/direction combination", 0u));
    // Poles past 127 would alias another resolution's key.
    EXPECT_THROW(commutation->set_commutation(1023, 130, false, ignore), RVX::Exception);
    EXPECT_EQ(hostBytes(), before84);
}

// The report: header, flags, the 128 samples and a summary that matches them.
TEST_F(Rvx46Driver, DiagnosticsReportsFlagsSamplesAndSummaryOrStopsWithoutAnAcquisition) {
    const auto encoder =
        open("RVX84", {{"errors", "0xA0"}, {"blocks", "0x10"}, {"checks", "0x05"}, {"poles", "4"}});
    std::ostringstream out;
    int steps = 0;
    encoder->diagnostics(out, [&] { ++steps; });
    EXPECT_EQ(steps, 2 + 128);
    const auto lines = linesOf(out.str());
    ASSERT_EQ(lines.size(), 6u + 3 + 13 + 1 + 128 + 4);
    EXPECT_EQ(Commands(lines.begin() + 6, lines.begin() + 9),
              (Commands{"Resolution: 1024", "Pole count: 4", "Direction: 1"}));
    // The flag lines, each of its own bit, are checked one bit at a time below.
    EXPECT_EQ(lines[9], "High speed check enabled: True");
    EXPECT_EQ(lines[22], "Coarse,Fine");

    // Each channel's amplitude is its swing and its offset the mean of its samples.
    int min[2] = {65535, 65535}, max[2] = {0, 0};
    long sum[2] = {0, 0};
    for (std::size_t i = 23; i < 23 + 128; ++i) {
        int sample[2] = {0, 0};
        char comma = 0;
        ASSERT_TRUE(std::istringstream(lines[i]) >> sample[0] >> comma >> sample[1]) << lines[i];
        for (int c : {0, 1})
            min[c] = std::min(min[c], sample[c]), max[c] = std::max(max[c], sample[c]), sum[c] += sample[c];
    }
    // Real channels: a swing of volts around a bias of about 2.5 V.
    EXPECT_GT(max[0] - min[0], 1000);
    EXPECT_NEAR(sum[0] / 128, 2500, 100);
    EXPECT_EQ(Commands(lines.begin() + 151, lines.end()),
              (Commands{fmt::format("Coarse amplitude: {} mV", max[0] - min[0]),
                        fmt::format("Coarse DC offset: {} mV", sum[0] / 128),
                        fmt::format("Fine amplitude: {} mV", max[1] - min[1]),
                        fmt::format("Fine DC offset: {} mV", sum[1] / 128)}));

    // Without an acquisition the report stops after the flags.
    device().scriptReply("j001D01", "j001D01= 40\r\n$");
    out.str("");
    EXPECT_TRUE(failsWith([&] { encoder->diagnostics(out, [] {}); }, "Unable to get AO from RVX84", 0x40u));
    EXPECT_TRUE(out.str().ends_with("Coarse,Fine\n"));
}

// One flag bit at a time: exactly the line of that bit says True, so no two
// lines can read swapped bits unnoticed.
TEST_F(Rvx46Driver, EachDiagnosticsFlagLineReadsItsOwnBit) {
    // The line each bit of each flag byte sets, from bit 0 up; 13 lines in all.
    const std::map<std::string, std::array<const char*, 8>> lineOfBit = {
        {"checks",
         {"Residual check enabled", "Low speed check enabled", "High speed check enabled",
          "Startup delay enabled", "SPI check enabled", "", "", ""}},
        {"errors", {"", "", "", "", "SPI error", "High speed error", "Residual error", "Low speed error"}},
        {"blocks",
         {"", "", "", "", "Block for SPI error", "Block for high speed error", "Block for residual error",
          "Block for low speed error"}},
    };
    for (const auto& [flags, lines] : lineOfBit)
        for (int bit = 0; bit < 8; ++bit) {
            SCOPED_TRACE(fmt::format("{} bit {}", flags, bit));
            std::map<std::string, std::string> options = {{"checks", "0"}, {"errors", "0"}, {"blocks", "0"}};
            options[flags] = std::to_string(1 << bit);
            addEncoder("RVX46", options);
            std::ostringstream out;
            RVX::RVX46(lastIndex()).diagnostics(out, [] {});
            Commands saidTrue;
            std::size_t said = 0;
            for (const auto& line : linesOf(out.str())) {
                if (line.ends_with(": True")) saidTrue.push_back(line.substr(0, line.size() - 6));
                said += line.ends_with(": True") || line.ends_with(": False");
            }
            EXPECT_EQ(saidTrue, *lines[bit] ? Commands{lines[bit]} : Commands{});
            EXPECT_EQ(said, 13u);
        }
}

} // namespace
