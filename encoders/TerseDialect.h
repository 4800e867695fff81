#pragma once
// The terse ASCII dialect of the absolute UART encoders: a read comes back as
// the values alone and one line feed; a write is acknowledged by a line feed
// (the RVX65/68 line) or not answered at all (the silent writes of the
// RVX62/69 line). Command texts and value parsing are those of AsciiCommands.
#include "transport/UartLink.h"

#include <cstdint>
#include <functional>

namespace RVX {

class TerseDialect {
public:
    enum class Writes { Acknowledged, Silent };

    // `name` gives the model name for the messages; it is asked only when an
    // error is raised, so a driver may pass its virtual name().
    TerseDialect(FTDI::UartLink& link, std::function<const char*()> name, Writes writes)
        : link_(link), name_(std::move(name)), writes_(writes) {}

    // One byte at `address`, its two digits read in `base` (10 or 16).
    std::uint8_t read_eeprom(std::uint8_t address, int base);
    // Two bytes from `address` (the high byte there) as one four-digit number.
    std::uint16_t read_eeprom_word(std::uint8_t address, int base);
    // One byte, as two digits of `base`; an acknowledged write waits for the
    // line feed, a silent one returns at once (the encoder is still storing).
    void write_eeprom(std::uint8_t address, std::uint8_t value, int base);

private:
    FTDI::UartLink& link_;
    std::function<const char*()> name_;
    Writes writes_;
};

} // namespace RVX
