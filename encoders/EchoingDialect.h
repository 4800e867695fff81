#pragma once
// The echoing ASCII dialect of the RVX46/47 line and its descendants: every
// command comes back echoed, then "= ", the values and CR LF "$".
#include "transport/UartLink.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace RVX {

class EchoingDialect {
public:
    // `name` gives the model name for the messages; it is asked only when an
    // error is raised, so a driver may pass its virtual name().
    EchoingDialect(FTDI::UartLink& link, std::function<const char*()> name)
        : link_(link), name_(std::move(name)) {}

    std::uint8_t read_eeprom_hex(std::uint8_t address);
    std::uint8_t read_eeprom_dec(std::uint8_t address);
    std::uint16_t read_eeprom_word(std::uint8_t address);
    void write_eeprom_hex(std::uint8_t address, std::uint8_t value);
    void write_eeprom_dec(std::uint8_t address, std::uint8_t value);
    // High byte to `address`, then low byte to `address + 1`.
    void write_eeprom_word(std::uint8_t address, std::uint16_t value);
    std::uint8_t read_ram(std::uint8_t bank, std::uint8_t address);
    std::uint16_t read_ram_word(std::uint8_t bank, std::uint8_t address);

private:
    std::uint8_t read_eeprom_byte(std::uint8_t address, int base);
    void write_eeprom(std::uint8_t address, std::uint8_t value, int base);
    std::vector<std::uint8_t> read_ram_reply(std::uint8_t bank, std::uint8_t address, std::uint8_t count);

    FTDI::UartLink& link_;
    std::function<const char*()> name_;
};

} // namespace RVX
