#include "TerseDialect.h"

#include "AsciiCommands.h"
#include "Encoder.h"

#include <fmt/format.h>

namespace RVX {

namespace {
constexpr std::uint8_t lineFeed = '\n';
// Two or four digits, then the line feed.
constexpr std::uint32_t byteReplyLength = 3;
constexpr std::uint32_t wordReplyLength = 5;
// The code of a write asked for in a base the dialect does not have.
constexpr std::uint32_t badBaseCode = 255;
} // namespace

std::uint8_t TerseDialect::read_eeprom(std::uint8_t address, int base) {
    const auto reply = ascii::exchange(link_, ascii::read_eeprom_command(address, 1), byteReplyLength);
    if (!ascii::line_ended(reply, byteReplyLength))
        throw Exception(fmt::format("Unable to read {} EEPROM", name_()), address);
    return ascii::parse_byte(reply, 0, base);
}

std::uint16_t TerseDialect::read_eeprom_word(std::uint8_t address, int base) {
    const auto reply = ascii::exchange(link_, ascii::read_eeprom_command(address, 2), wordReplyLength);
    if (!ascii::line_ended(reply, wordReplyLength))
        throw Exception(fmt::format("Unable to read {} EEPROM", name_()), address);
    return ascii::parse_word(reply, 0, base);
}

void TerseDialect::write_eeprom(std::uint8_t address, std::uint8_t value, int base) {
    if (base != 10 && base != 16)
        throw Exception(fmt::format("Unable to write {} EEPROM", name_()), badBaseCode);
    link_.write(ascii::write_eeprom_command(address, value, base));
    if (writes_ == Writes::Silent) return;
    // No acknowledgement within the time-out is the link's own error.
    const std::uint8_t ack = link_.readByte();
    if (ack != lineFeed) {
        // Whatever else the encoder is saying would spoil the next reply.
        link_.purge(FTDI::PURGE_RX);
        throw Exception(fmt::format("Invalid response while writing {} EEPROM", name_()), ack);
    }
}

} // namespace RVX
