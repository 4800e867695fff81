#include "Mpsse.h"

#include <algorithm>
#include <array>

namespace FTDI::libftdi::mpsse {
namespace {

struct SpiMode {
    bool clockIdleHigh;
    std::uint8_t clockCommand;
};

// Modes 0-3: clock polarity, and the edges data changes and is sampled on.
constexpr std::array<SpiMode, 4> modes{
    SpiMode{false, CLOCK_BYTES_OUT_FALLING_IN_RISING},
    SpiMode{false, CLOCK_BYTES_OUT_RISING_IN_FALLING},
    SpiMode{true, CLOCK_BYTES_OUT_RISING_IN_FALLING},
    SpiMode{true, CLOCK_BYTES_OUT_FALLING_IN_RISING},
};

constexpr std::uint32_t CHIP_SELECT_CHOICES = 5;

// SK and DO driven, DI read, chip select driven at its inactive level, the
// clock at its idle level; every other line as the caller gave it.
void addSpiLines(std::uint8_t& direction, std::uint8_t& level, const SpiSetup& setup, bool clockIdleHigh) {
    direction = static_cast<std::uint8_t>((direction | PIN_SK | PIN_DO | setup.chipSelect) & ~PIN_DI);
    level = clockIdleHigh ? level | PIN_SK : level & ~PIN_SK;
    level = setup.chipSelectActiveLow ? level | setup.chipSelect : level & ~setup.chipSelect;
}

void setLow(std::vector<std::uint8_t>& bytes, std::uint8_t level, std::uint8_t direction) {
    bytes.insert(bytes.end(), {SET_BITS_LOW, level, direction});
}

} // namespace

std::uint32_t SpiSetup::pinField() const {
    return std::uint32_t{direction} | std::uint32_t{idle} << 8 | std::uint32_t{finalDirection} << 16 |
           std::uint32_t{finalLevel} << 24;
}

std::uint16_t clockDivisor(std::uint32_t baseHz, std::uint32_t rateHz) {
    // SK = base / (2 * (1 + divisor))
    const std::uint64_t halfPeriods = (std::uint64_t{baseHz} + 2ull * rateHz - 1) / (2ull * rateHz);
    if (halfPeriods <= 1) return 0;
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(halfPeriods - 1, 0xFFFF));
}

std::optional<SpiSetup> planSpi(const ChannelConfig& config, const ChipModel& chip) {
    const std::uint32_t csChoice = (config.configOptions & OPTION_CS_MASK) >> OPTION_CS_SHIFT;
    if (chip.mpsseClockHz == 0 || config.clockRate == 0 || csChoice >= CHIP_SELECT_CHOICES)
        return std::nullopt;
    const auto& mode = modes[config.configOptions & OPTION_MODE_MASK];

    SpiSetup setup;
    setup.divisor = clockDivisor(chip.mpsseClockHz, config.clockRate);
    setup.clockCommand = mode.clockCommand;
    setup.chipSelect = static_cast<std::uint8_t>(PIN_CS_FIRST << csChoice);
    setup.chipSelectActiveLow = (config.configOptions & OPTION_CS_ACTIVE_LOW) != 0;
    setup.latencyTimer = config.latencyTimer;
    setup.direction = static_cast<std::uint8_t>(config.pin);
    setup.idle = static_cast<std::uint8_t>(config.pin >> 8);
    setup.finalDirection = static_cast<std::uint8_t>(config.pin >> 16);
    setup.finalLevel = static_cast<std::uint8_t>(config.pin >> 24);
    addSpiLines(setup.direction, setup.idle, setup, mode.clockIdleHigh);
    addSpiLines(setup.finalDirection, setup.finalLevel, setup, mode.clockIdleHigh);
    return setup;
}

std::vector<std::uint8_t> initCommands(const SpiSetup& setup, const ChipModel& chip) {
    std::vector<std::uint8_t> bytes;
    if (chip.highSpeed)
        bytes.insert(bytes.end(),
                     {DISABLE_CLOCK_DIVIDE_BY_5, DISABLE_ADAPTIVE_CLOCK, DISABLE_THREE_PHASE_CLOCK});
    bytes.insert(bytes.end(), {SET_CLOCK_DIVISOR, static_cast<std::uint8_t>(setup.divisor),
                               static_cast<std::uint8_t>(setup.divisor >> 8), LOOPBACK_OFF});
    setLow(bytes, setup.idle, setup.direction);
    return bytes;
}

std::vector<std::uint8_t> transferCommands(const SpiSetup& setup, const std::uint8_t* out, std::uint32_t size,
                                           std::uint32_t options) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size + 16 + 3 * (size / MAX_CHUNK));
    if (options & SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE) setLow(bytes, setup.selected(), setup.direction);
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t chunk = std::min(size - done, MAX_CHUNK);
        const std::uint32_t lengthField = chunk - 1;
        bytes.insert(bytes.end(), {setup.clockCommand, static_cast<std::uint8_t>(lengthField),
                                   static_cast<std::uint8_t>(lengthField >> 8)});
        bytes.insert(bytes.end(), out + done, out + done + chunk);
        done += chunk;
    }
    if (options & SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE) setLow(bytes, setup.idle, setup.direction);
    bytes.push_back(SEND_IMMEDIATE);
    return bytes;
}

std::vector<std::uint8_t> closeCommands(const SpiSetup& setup) {
    std::vector<std::uint8_t> bytes;
    setLow(bytes, setup.finalLevel, setup.finalDirection);
    bytes.push_back(SEND_IMMEDIATE);
    return bytes;
}

} // namespace FTDI::libftdi::mpsse
