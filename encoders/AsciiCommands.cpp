#include "AsciiCommands.h"

#include <charconv>
#include <fmt/format.h>
#include <system_error>

namespace RVX::ascii {

std::string read_eeprom_command(std::uint8_t address, std::uint8_t count) {
    return fmt::format("e{:02X}{:02X}", address, count);
}

std::string write_eeprom_command(std::uint8_t address, std::uint8_t value, int base) {
    if (base == 10) return fmt::format("u{:02X}{:02d}", address, value);
    return fmt::format("u{:02X}{:02X}", address, value);
}

std::string read_ram_command(std::uint8_t bank, std::uint8_t address, std::uint8_t count) {
    return fmt::format("j{:02X}{:02X}{:02X}", bank, address, count);
}

Reply exchange(FTDI::UartLink& link, std::string_view command, std::uint32_t length) {
    link.write(command);
    return link.read(length);
}

bool holds(const Reply& reply, std::size_t offset, std::string_view text) {
    if (reply.size() < offset + text.size()) return false;
    return std::equal(text.begin(), text.end(), reply.begin() + static_cast<std::ptrdiff_t>(offset),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::uint16_t parse_field(std::span<const std::uint8_t> field, int base, std::uint16_t max) {
    const auto* first = reinterpret_cast<const char*>(field.data());
    unsigned value = 0;
    auto [end, error] = std::from_chars(first, first + field.size(), value, base);
    if (error == std::errc{} && value > max) error = std::errc::result_out_of_range;
    if (error != std::errc{}) throw std::system_error(std::make_error_code(error));
    (void)end;
    return static_cast<std::uint16_t>(value);
}

std::uint32_t first_bytes_code(const Reply& reply, std::size_t offset) {
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < 4 && offset + i < reply.size(); ++i)
        code |= static_cast<std::uint32_t>(reply[offset + i]) << (8 * i);
    return code;
}

} // namespace RVX::ascii
