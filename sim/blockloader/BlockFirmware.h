#pragma once
// What an application on a block-bootloader chip runs, as its program memory
// tells: the parameter table that the firmware images carry as RETLW words
// (the low byte of each word). And the application the factory flashes into
// the bench's encoders.
#include "BlockChip.h"
#include "sim/Device.h"
#include "tools/lib/FirmwareParameters.h"

#include <optional>

namespace sim {

// The parameter table in program memory; empty when none is intact (erased,
// cut short by a failed flash, or an image without one).
std::optional<fwparams::Parameters> blockFirmware(const BlockChip& chip);

// A whole image for `rows` rows: a start jump, code seeded by `seed`, and the
// parameter table.
Bytes factoryBlockImage(const fwparams::Parameters& parameters, std::uint64_t seed, std::size_t rows = 113);

} // namespace sim
