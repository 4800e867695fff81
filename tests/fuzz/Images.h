#pragma once
// Small firmware images the loader targets send: small, so that a whole
// re-flash takes few replies.
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// One Intel HEX application per part the bench's PIC bootloader offers (see
// sim::picParts), with a reset jump, some code and EEPROM data where the part
// has EEPROM.
const std::vector<std::string>& bootloaderImages();

// A binary image of `blocks` whole blocks for the block bootloader.
std::vector<std::uint8_t> blockImage(unsigned blocks);

} // namespace fuzz
