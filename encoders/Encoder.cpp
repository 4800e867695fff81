#include "Encoder.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

namespace RVX {

void Encoder::write_diagnostics_header(std::ostream& out) {
    // The title carries the trade-mark sign of Windows-1252, as the reports always have.
    out << "RVX Vantix" << '\x99' << " diagnostics data\n";
    out << "Model: " << (part_number ? part_number : "") << "\n";
    out << fmt::format("Firmware revision: {:X}\n", firmware_version());
    out << fmt::format("Datecode: {:04d}\n", datecode());
    out << fmt::format("Last programmed by: {:X}\n", last_programmed_by());
    out << fmt::format("Last program date: {:%Y-%m-%d}\n",
                       fmt::gmtime(std::chrono::system_clock::to_time_t(last_program_date())));
}

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date. Signed throughout:
// a stored day 0 or month 0 (a blank or damaged EEPROM) gives a nearby day
// instead of wrapping round.
std::int64_t days_from_civil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}
} // namespace

TimePoint unpack_program_date(std::uint16_t word) {
    const std::int64_t year = 2000 + (word >> 9);
    const std::int64_t month = (word >> 5) & 0x0F;
    const std::int64_t day = word & 0x1F;
    return TimePoint{std::chrono::sys_days{std::chrono::days{days_from_civil(year, month, day)}}};
}

} // namespace RVX
