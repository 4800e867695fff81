// The RVX48 driver against the bench's RVX48: its own command language at
// 115200 baud, the six-byte record, the resolution codes, and what it makes of
// wrong replies.
#include "encoder_bench.h"
#include "encoders/rvx48/RVX48.h"
#include "sim/models/rvx48/Rvx48.h"

#include <boost/numeric/conversion/converter_policies.hpp>

#include <functional>
#include <sstream>
#include <tuple>

namespace {

using namespace std::chrono;

using Rvx48Driver = EncoderBench<sim::Rvx48>;
using Commands = std::vector<std::string>;

TEST_F(Rvx48Driver, ReadsAndWritesTheRecordAndRefusesAShortOne) {
    const auto encoder =
        open("RVX48", {{"code", "0xA7"}, {"datecode", "1907"}, {"station", "0x30"}, {"days", "0"}});
    EXPECT_EQ(encoder->firmware_version(), 4);
    EXPECT_EQ(encoder->model_code(), 0xA7);
    EXPECT_EQ(encoder->datecode(), 1907);
    EXPECT_EQ(encoder->last_programmed_by(), 0x30);
    EXPECT_EQ(encoder->last_program_date(), sys_days{2000y / 1 / 1});

    encoder->set_datecode(1225);
    EXPECT_EQ(device().record(), (sim::Rvx48Record{0xA7, 12, 25, 0x30, 0}));
    encoder->set_last_program_date(sys_days{2024y / 2 / 29} + 23h);
    EXPECT_EQ(device().record().days, 8825);
    EXPECT_EQ(encoder->last_program_date(), sys_days{2024y / 2 / 29});

    // Dates the 16-bit day count cannot hold are refused before anything is written.
    EXPECT_EQ(sentBy([&] {
                  EXPECT_THROW(encoder->set_last_program_date(sys_days{1999y / 12 / 31} + 23h),
                               boost::numeric::negative_overflow);
                  EXPECT_THROW(encoder->set_last_program_date(sys_days{2179y / 6 / 7}),
                               boost::numeric::positive_overflow);
                  encoder->set_last_program_date(sys_days{2179y / 6 / 6});
              }),
              (Commands{"CR", "CR", "CR", "CWA70C1930FFFF"}));

    encoder->restore_defaults();
    const auto fresh =
        static_cast<std::uint16_t>((floor<days>(system_clock::now()) - sys_days{2000y / 1 / 1}).count());
    EXPECT_EQ(device().record(), (sim::Rvx48Record{0xA5, 0, 0, 0x01, fresh}));

    // A short record is invalid, a garbled one not a number.
    device().scriptReply("CR", "A50019011\n"); // 10 of 13 bytes
    const auto invalid = thrownBy<RVX::EEPROMInvalid>([&] { encoder->datecode(); });
    EXPECT_STREQ(invalid.what(), "Unable to read RVX48 EEPROM");
    EXPECT_EQ(invalid.code(), 10u);

    device().scriptReply("CR", "A5G019010D34\n");
    EXPECT_THROW(encoder->datecode(), std::system_error);
}

TEST_F(Rvx48Driver, ResolutionsByCodeAndWrongReplies) {
    const auto encoder = open("RVX48", {{"res", "0xB"}});
    EXPECT_EQ(encoder->get_resolution(), 2048);

    EXPECT_EQ(sentBy([&] {
                  encoder->set_resolution(1024, [](const std::string&) { FAIL() << "no progress lines"; });
              }),
              (Commands{"RF7"}));

    const auto bytes = hostBytes();
    EXPECT_TRUE(failsWith([&] { encoder->set_resolution(300, {}); }, "Invalid RVX48 resolution", 300u));
    EXPECT_EQ(hostBytes(), bytes);

    const auto resolution = [&] { encoder->get_resolution(); };
    const std::tuple<const char*, const char*, std::function<void()>, const char*, std::uint32_t> wrong[] = {
        {"r", "EF\n", resolution, "Unknown RVX48 resolution", 0xEF},
        {"r", "F\n", resolution, "Unable to read RVX48 resolution, invalid response", 2},
        {"r", "F7 ", resolution, "Unable to read RVX48 resolution, invalid response", 3},
        {"i", "0404", [&] { encoder->firmware_version(); }, "Unable to read RVX48 device ID", 0},
    };
    for (const auto& [command, reply, ask, message, code] : wrong) {
        device().scriptReply(command, reply);
        EXPECT_TRUE(failsWith(ask, message, code)) << reply;
    }
}

// An encoder that sends without end must not hold the program: the drain
// before each command stops, and the reply is wrong.
TEST_F(Rvx48Driver, AChatteringEncoderFailsToConnectInsteadOfHangingTheProgram) {
    addEncoder("RVX48", {{"chatter", "1"}});
    const auto e = thrownBy([] { RVX::RVX48 encoder(0); });
    EXPECT_STREQ(e.what(), "Unable to read RVX48 device ID");
    EXPECT_FALSE(bench->module(0).isOpen());
}

} // namespace
