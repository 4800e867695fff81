#pragma once
// What the three ASCII dialects of the UART encoders share: the command texts,
// one request with its fixed-length reply, and the parsing of value fields.
#include "transport/UartLink.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace RVX::ascii {

using Reply = std::vector<std::uint8_t>;

// "e{:02X}{:02X}": read `count` (1 or 2) EEPROM bytes from `address`.
std::string read_eeprom_command(std::uint8_t address, std::uint8_t count);
// "u{:02X}{:02X}" (base 16) or "u{:02X}{:02d}" (base 10, value 0 to 99).
std::string write_eeprom_command(std::uint8_t address, std::uint8_t value, int base);
// "j{:02X}{:02X}{:02X}": read `count` RAM bytes of a bank.
std::string read_ram_command(std::uint8_t bank, std::uint8_t address, std::uint8_t count);

// Writes the command and reads one reply of exactly `length` bytes within the
// link's read time-out; the reply may come back shorter.
Reply exchange(FTDI::UartLink& link, std::string_view command, std::uint32_t length);

// True when the reply is all `length` bytes and ends in a line feed, as the
// replies of the terse dialect and of the block-bootloader models do.
inline bool line_ended(const Reply& reply, std::size_t length) {
    return reply.size() == length && reply[length - 1] == '\n';
}
// True when the reply holds `text` at `offset`.
bool holds(const Reply& reply, std::size_t offset, std::string_view text);
// The "\r\n$" that ends every echoing reply.
inline constexpr std::string_view trailer = "\r\n$";

// Parses a value field with std::from_chars rules: leading digits of the base
// in either case; throws std::system_error (generic category) when the field
// starts with a non-digit or the value does not fit.
std::uint16_t parse_field(std::span<const std::uint8_t> field, int base, std::uint16_t max);
inline std::uint8_t parse_byte(const Reply& reply, std::size_t offset, int base) {
    return static_cast<std::uint8_t>(parse_field(std::span(reply).subspan(offset, 2), base, 0xFF));
}
inline std::uint16_t parse_word(const Reply& reply, std::size_t offset, int base) {
    return parse_field(std::span(reply).subspan(offset, 4), base, 0xFFFF);
}

// Up to the first four reply bytes as a little-endian number (missing bytes 0),
// the code of errors that report what came back.
std::uint32_t first_bytes_code(const Reply& reply, std::size_t offset = 0);

} // namespace RVX::ascii
