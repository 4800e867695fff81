#include "encoders/TerseLine.h"

#include "encoders/AsciiCommands.h"
#include "encoders/Registry.h"
#include "encoders/UartLine.h"

#include <fmt/format.h>

namespace RVX {

namespace {
constexpr std::uint32_t replyLength = 5; // four digits and the line feed
} // namespace

TerseLine::TerseLine(std::uint32_t moduleIndex, const char* name, bool counterClockwise,
                     TerseDialect::Writes writes)
    : link(moduleIndex), dialect(
                             link, [this] { return this->name(); }, writes),
      name_(name), counter_clockwise_(counterClockwise),
      reflash_(link, [this] { return this->name(); },
               {[this] { keep(); }, [this] { restart_after_flash(); }, [this] { restore(); }}) {
    set_up_line(link, 115200, true);
    reset_pulse(link);
}

const char* TerseLine::datasheet_url() {
    return datasheet_of(name());
}

void TerseLine::wake() {
    link.write("Q");
    FTDI::sleepMs(200);
}

void TerseLine::zero_here() {
    link.write("0");
    FTDI::sleepMs(50);
    connect();
}

std::uint16_t TerseLine::read_reply(const char* command, const char* what) {
    const auto reply = ascii::exchange(link, command, replyLength);
    if (!ascii::line_ended(reply, replyLength))
        throw Exception(fmt::format("Invalid {} {} response", name(), what), ascii::first_bytes_code(reply));
    return ascii::parse_word(reply, 0, 16);
}

std::uint8_t TerseLine::firmware_version() {
    return dialect.read_eeprom(terse_eeprom::firmwareVersion, 16);
}

std::uint16_t TerseLine::model_code() {
    return dialect.read_eeprom(terse_eeprom::modelCode, 16);
}

std::uint8_t TerseLine::last_programmed_by() {
    return dialect.read_eeprom(terse_eeprom::station, 16);
}

std::uint16_t TerseLine::datecode() {
    const std::uint16_t hundreds = dialect.read_eeprom(terse_eeprom::datecodeHundreds, 10);
    return static_cast<std::uint16_t>(hundreds * 100 + dialect.read_eeprom(terse_eeprom::datecodeUnits, 10));
}

void TerseLine::set_datecode(std::uint16_t datecode) {
    store(terse_eeprom::datecodeUnits, static_cast<std::uint8_t>(datecode % 100), 10);
    store(terse_eeprom::datecodeHundreds, static_cast<std::uint8_t>(datecode / 100), 10);
}

TimePoint TerseLine::last_program_date() {
    return unpack_program_date(dialect.read_eeprom_word(terse_eeprom::programDate, 16));
}

void TerseLine::set_last_program_date(TimePoint date) {
    const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(date)};
    const int yearField = ((static_cast<int>(day.year()) - 2000) % 128 + 128) % 128;
    const unsigned word = static_cast<unsigned>(yearField) << 9 | static_cast<unsigned>(day.month()) << 5 |
                          static_cast<unsigned>(day.day());
    store(terse_eeprom::programDate + 1, static_cast<std::uint8_t>(word & 0xFF), 16);
    store(terse_eeprom::programDate, static_cast<std::uint8_t>(word >> 8), 16);
}

void TerseLine::diagnostics(std::ostream& out, std::function<void()>) {
    write_diagnostics_header(out);
    out << fmt::format("Resolution: {:d}\n", position_bits.value_or(0));
}

} // namespace RVX
