// The echoing ASCII dialect as an RVX46 driver speaks it to the bench encoder:
// what is sent, which replies are accepted, and the errors of the others.
#include "encoder_bench.h"
#include "encoders/RVX46_47.h"

#include <system_error>

namespace {

using enctest::thrownBy;
using Commands = std::vector<std::string>;

class EchoingDialect : public enctest::Rvx46LineBench {
protected:
    void SetUp() override {
        addEncoder("RVX46");
        encoder = std::make_unique<RVX::RVX46>(0);
        start = commandCount();
    }
    std::unique_ptr<RVX::RVX46> encoder;
    std::size_t start = 0;
};

TEST_F(EchoingDialect, ReadsAndWritesBytesWordsAndDecimalDigits) {
    device().setEeprom(0x82, 0x04);
    device().setEeprom(0x83, 0x00);
    EXPECT_EQ(encoder->model_code(), 0xE2);
    EXPECT_EQ(encoder->get_resolution(), 1024);
    encoder->dialect.write_eeprom_dec(0x7B, 5);
    encoder->dialect.write_eeprom_word(0x82, 0x0800);
    EXPECT_EQ(commandsSince(start), (Commands{"e7901", "e8202", "u7B05", "u8208", "u8300"}));
    EXPECT_EQ(device().eeprom(0x82), 0x08);
}

TEST_F(EchoingDialect, AcceptsLowerCaseValuesAndOnlyLooksAtTheFramingItChecks) {
    device().scriptReply("e7901= e0\r\n$");
    EXPECT_EQ(encoder->model_code(), 0xE0);
    // The separator between the two bytes of a word is not looked at.
    device().scriptReply("e8202= 07#D0\r\n$");
    EXPECT_EQ(encoder->get_resolution(), 2000);
    // A value field with a digit and then junk yields the digit.
    device().scriptReply("e7901= 7z\r\n$");
    EXPECT_EQ(encoder->model_code(), 7);
}

TEST_F(EchoingDialect, RefusesAReplyWithAnotherAddressOrABrokenTrailer) {
    device().scriptReply("e7A01= E2\r\n$");
    auto e = thrownBy([&] { encoder->model_code(); });
    EXPECT_STREQ(e.what(), "Unable to read RVX46 EEPROM");
    EXPECT_EQ(e.code(), 0x79u);
    device().scriptReply("e8102= 15\r\n#");
    EXPECT_EQ(thrownBy([&] { encoder->firmware_version(); }).code(), 0x81u);
    // A short reply waits out the read time-out and fails the same way.
    device().scriptReply("e8202= 04 00\r\n");
    EXPECT_EQ(thrownBy([&] { encoder->get_resolution(); }).code(), 0x82u);

    // A value field of non-digits is a parse error, not a protocol one.
    device().scriptReply("e7901= G1\r\n$");
    const auto parse = thrownBy<std::system_error>([&] { encoder->model_code(); });
    EXPECT_EQ(parse.code(), std::make_error_code(std::errc::invalid_argument));

    device().scriptReply("j001E01= C0\r\n$");
    e = thrownBy([&] { encoder->dialect.read_ram(0x00, 0x1D); });
    EXPECT_STREQ(e.what(), "Unable to read RAM location 00.1D from RVX46");
    EXPECT_EQ(e.code(), 0u);
}

TEST_F(EchoingDialect, AWriteComparesTheEchoOnlyAndNamesTheAddressThatFailed) {
    device().scriptReply("u7830XYZ");
    EXPECT_NO_THROW(encoder->dialect.write_eeprom_hex(0x78, 0x30));

    device().scriptReply("u7831\r\n$");
    auto e = thrownBy([&] { encoder->dialect.write_eeprom_hex(0x78, 0x30); });
    EXPECT_STREQ(e.what(), "Unable to write RVX46 EEPROM");
    EXPECT_EQ(e.code(), 0x78u);

    // A word goes high byte first; a failed high byte leaves the low one unwritten.
    const auto before = commandCount();
    device().scriptReply("u82");
    EXPECT_EQ(thrownBy([&] { encoder->dialect.write_eeprom_word(0x82, 0x0800); }).code(), 0x82u);
    EXPECT_EQ(commandsSince(before), (Commands{"u8208"}));
}

} // namespace
