#pragma once
// The RVX65 (RS-485, node address, a fixed 2 Mbit/s or a selectable rate) and
// RVX68 encoders on the bench: their parts and the firmware their factory gave
// them, on a PIC18F2620. Both acknowledge every EEPROM write with a line feed.
#include "TerseEncoder.h"

namespace sim {

extern const TerseModel rvx65Model;
extern const TerseModel rvx68Model;

} // namespace sim
