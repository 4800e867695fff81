#include "EchoingDialect.h"

#include "AsciiCommands.h"
#include "Encoder.h"

#include <fmt/format.h>

namespace RVX {

namespace {
// Reply lengths: the 5-character command echoed, "= ", the value field(s), CR LF "$".
constexpr std::uint32_t byteReplyLength = 12;
constexpr std::uint32_t wordReplyLength = 15;
constexpr std::uint32_t writeReplyLength = 8;
constexpr std::uint32_t ramByteReplyLength = 14;
constexpr std::uint32_t ramWordReplyLength = 17;
} // namespace

std::uint8_t EchoingDialect::read_eeprom_byte(std::uint8_t address, int base) {
    const auto command = ascii::read_eeprom_command(address, 1);
    const auto reply = ascii::exchange(link_, command, byteReplyLength);
    if (reply.size() < byteReplyLength || !ascii::holds(reply, 0, command + "= ") ||
        !ascii::holds(reply, 9, ascii::trailer))
        throw Exception(fmt::format("Unable to read {} EEPROM", name_()), address);
    return ascii::parse_byte(reply, 7, base);
}

std::uint8_t EchoingDialect::read_eeprom_hex(std::uint8_t address) {
    return read_eeprom_byte(address, 16);
}

std::uint8_t EchoingDialect::read_eeprom_dec(std::uint8_t address) {
    return read_eeprom_byte(address, 10);
}

std::uint16_t EchoingDialect::read_eeprom_word(std::uint8_t address) {
    const auto command = ascii::read_eeprom_command(address, 2);
    const auto reply = ascii::exchange(link_, command, wordReplyLength);
    // Byte 9 separates the two values and is not looked at.
    if (reply.size() < wordReplyLength || !ascii::holds(reply, 0, command + "= ") ||
        !ascii::holds(reply, 12, ascii::trailer))
        throw Exception(fmt::format("Unable to read {} EEPROM", name_()), address);
    const auto high = ascii::parse_byte(reply, 7, 16);
    const auto low = ascii::parse_byte(reply, 10, 16);
    return static_cast<std::uint16_t>(high * 256 + low);
}

void EchoingDialect::write_eeprom(std::uint8_t address, std::uint8_t value, int base) {
    const auto command = ascii::write_eeprom_command(address, value, base);
    const auto reply = ascii::exchange(link_, command, writeReplyLength);
    // Only the echo is compared; the encoder's trailer here varies.
    if (reply.size() < writeReplyLength || !ascii::holds(reply, 0, command))
        throw Exception(fmt::format("Unable to write {} EEPROM", name_()), address);
}

void EchoingDialect::write_eeprom_hex(std::uint8_t address, std::uint8_t value) {
    write_eeprom(address, value, 16);
}

void EchoingDialect::write_eeprom_dec(std::uint8_t address, std::uint8_t value) {
    write_eeprom(address, value, 10);
}

void EchoingDialect::write_eeprom_word(std::uint8_t address, std::uint16_t value) {
    write_eeprom_hex(address, static_cast<std::uint8_t>(value >> 8));
    write_eeprom_hex(static_cast<std::uint8_t>(address + 1), static_cast<std::uint8_t>(value & 0xFF));
}

std::vector<std::uint8_t> EchoingDialect::read_ram_reply(std::uint8_t bank, std::uint8_t address,
                                                         std::uint8_t count) {
    const auto command = ascii::read_ram_command(bank, address, count);
    const auto length = count == 1 ? ramByteReplyLength : ramWordReplyLength;
    auto reply = ascii::exchange(link_, command, length);
    if (reply.size() < length || !ascii::holds(reply, 0, command))
        throw Exception(
            fmt::format("Unable to read RAM location {:02X}.{:02X} from {}", bank, address, name_()), 0);
    return reply;
}

std::uint8_t EchoingDialect::read_ram(std::uint8_t bank, std::uint8_t address) {
    return ascii::parse_byte(read_ram_reply(bank, address, 1), 9, 16);
}

std::uint16_t EchoingDialect::read_ram_word(std::uint8_t bank, std::uint8_t address) {
    const auto reply = read_ram_reply(bank, address, 2);
    return static_cast<std::uint16_t>(ascii::parse_byte(reply, 9, 16) * 256 +
                                      ascii::parse_byte(reply, 12, 16));
}

} // namespace RVX
