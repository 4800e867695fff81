#include "encoders/ConfigRecord.h"

#include <boost/numeric/conversion/cast.hpp>

namespace RVX {

namespace {
constexpr std::chrono::sys_days dayZero{std::chrono::year{2000} / 1 / 1};
} // namespace

ConfigRecord ConfigRecord::defaults(std::uint8_t model) {
    ConfigRecord record{model, 0x00, 0x00, 0x01, 0};
    record.set_program_date(std::chrono::system_clock::now());
    return record;
}

void ConfigRecord::set_datecode(std::uint16_t datecode) {
    datecode_high = static_cast<std::uint8_t>(datecode / 100);
    datecode_low = static_cast<std::uint8_t>(datecode % 100);
}

TimePoint ConfigRecord::program_date() const {
    return TimePoint{dayZero + std::chrono::days{days}};
}

void ConfigRecord::set_program_date(TimePoint date) {
    const auto whole = std::chrono::floor<std::chrono::days>(date - TimePoint{dayZero});
    days = boost::numeric_cast<std::uint16_t>(whole.count());
}

} // namespace RVX
