// The packed programming date as the encoders store it, decoded whatever the
// EEPROM holds.
#include "encoders/Encoder.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

TEST(ProgramDate, DecodesToWholeDaysEvenFromDamagedWords) {
    const std::pair<std::uint16_t, sys_days> cases[] = {
        {0x3221, year{2025} / January / 1},
        {0x0060, year{2000} / February / 29}, // day 0 of March 2000
        {0x0000, year{1999} / November / 30}, // month 0 and day 0
    };
    for (const auto& [word, day] : cases)
        EXPECT_EQ(RVX::TimePoint{day}, RVX::unpack_program_date(word)) << std::hex << word;
}

} // namespace
