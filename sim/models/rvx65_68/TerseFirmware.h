#pragma once
// The firmware of the terse-dialect encoders (RVX65, RVX68, RVX62, RVX69) as
// it lies in their chip: the factory's flashing, and the parameter block
// through which an image tells the encoder what it runs. Their chips are a
// PIC18 (bytes of the block as they are) and a PIC16 (one RETLW per byte).
#include "sim/pic/PicChip.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

struct TerseFirmware {
    std::string model; // the image set it belongs to: "RVX65", "RVX68", "RVX62_69"
    std::uint8_t version = 0;
    std::uint8_t bits = 14;
    bool multiTurn = false;
    bool zero = true;
    std::uint32_t baud = 0; // the RS-485 rate it runs; 0 when it has none of its own
};

// Flashes an application carrying `firmware` below the bootloader at
// `bootloaderStart`, as the factory's programmer does (EEPROM untouched).
void installTerseFirmware(PicChip& chip, std::uint32_t bootloaderStart, const TerseFirmware& firmware);

// The parameter block of the application in flash; empty when the flash
// holds none (erased, or cut short by a failed flash).
std::optional<TerseFirmware> readTerseFirmware(const PicChip& chip);

} // namespace sim
