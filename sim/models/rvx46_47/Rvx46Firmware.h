#pragma once
// The firmware of the RVX46-line encoders as it lies in the chip: the part the
// bench puts them on, the factory's flashing, and the parameter block through
// which an image tells the encoder what it runs.
#include "Rvx46Line.h"
#include "sim/pic/PicChip.h"

#include <optional>

namespace sim {

// The chip of the bench's RVX46-line encoders.
PicPart rvx46LinePart();

// Flashes an application carrying `firmware` below the bootloader at
// `bootloaderStart`, as the factory's programmer does (EEPROM untouched).
void installFirmware(PicChip& chip, std::uint32_t bootloaderStart, const RunningFirmware& firmware);

// The parameter block of the application in flash; empty when the flash holds
// none (erased, or cut short by a failed flash).
std::optional<RunningFirmware> readFirmware(const PicChip& chip);

} // namespace sim
