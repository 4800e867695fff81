#pragma once
// Our MPSSE layer for SPI: the command bytes that set a channel up, frame a
// transfer with chip select and put the lines back on close. Pure encoding;
// LibftdiPlatform sends the bytes.
#include "ChipModels.h"
#include "transport/FtdiPlatform.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace FTDI::libftdi::mpsse {

enum : std::uint8_t {
    CLOCK_BYTES_OUT_FALLING_IN_RISING = 0x31, // MSB first
    CLOCK_BYTES_OUT_RISING_IN_FALLING = 0x34, // MSB first
    SET_BITS_LOW = 0x80,
    LOOPBACK_OFF = 0x85,
    SET_CLOCK_DIVISOR = 0x86,
    SEND_IMMEDIATE = 0x87,
    DISABLE_CLOCK_DIVIDE_BY_5 = 0x8A,
    DISABLE_THREE_PHASE_CLOCK = 0x8D,
    DISABLE_ADAPTIVE_CLOCK = 0x97,
    BAD_COMMAND_REPLY = 0xFA,
    SYNC_COMMAND = 0xAA, // not a command: the engine answers FA AA
};

// ADBUS lines of the low byte.
enum : std::uint8_t { PIN_SK = 0x01, PIN_DO = 0x02, PIN_DI = 0x04, PIN_CS_FIRST = 0x08 };

// Configuration option fields of ChannelConfig.
enum : std::uint32_t {
    OPTION_MODE_MASK = 0x03,
    OPTION_CS_SHIFT = 2,
    OPTION_CS_MASK = 0x1C, // 0: ADBUS3 ... 4: ADBUS7
    OPTION_CS_ACTIVE_LOW = 0x20,
};

constexpr std::uint32_t MAX_CHUNK = 65536; // bytes one clock command can carry

// Everything a configured channel needs to frame transfers.
struct SpiSetup {
    std::uint16_t divisor = 0;
    std::uint8_t clockCommand = CLOCK_BYTES_OUT_FALLING_IN_RISING;
    std::uint8_t chipSelect = PIN_CS_FIRST;
    bool chipSelectActiveLow = true;
    std::uint8_t direction = 0;      // low byte directions while the channel runs (1 = output)
    std::uint8_t idle = 0;           // low byte levels between frames: clock idle, chip select inactive
    std::uint8_t finalDirection = 0; // what the lines are left at on close
    std::uint8_t finalLevel = 0;
    std::uint8_t latencyTimer = 0;

    std::uint8_t selected() const { return chipSelectActiveLow ? idle & ~chipSelect : idle | chipSelect; }
    // The pin field with the SPI lines added, as it is written back to the caller.
    std::uint32_t pinField() const;
};

// Divisor for `rateHz` from the chip's base clock, rounded so the clock never
// exceeds the rate asked for.
std::uint16_t clockDivisor(std::uint32_t baseHz, std::uint32_t rateHz);

// Nothing when the configuration asks for what MPSSE cannot do (a chip
// without MPSSE, clock 0, a chip-select choice beyond ADBUS7).
std::optional<SpiSetup> planSpi(const ChannelConfig& config, const ChipModel& chip);

std::vector<std::uint8_t> initCommands(const SpiSetup& setup, const ChipModel& chip);
// One chip-select frame as the options ask; `size` bytes of `out` clocked out
// and as many clocked in, then SEND_IMMEDIATE.
std::vector<std::uint8_t> transferCommands(const SpiSetup& setup, const std::uint8_t* out, std::uint32_t size,
                                           std::uint32_t options);
std::vector<std::uint8_t> closeCommands(const SpiSetup& setup);

} // namespace FTDI::libftdi::mpsse
