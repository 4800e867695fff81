#pragma once
// The RVX62 and RVX69 encoders on the bench: their parts and the firmware
// their factory gave them, on a PIC16F886. They take EEPROM writes without a
// word, apply their zero themselves and put check bits on every position.
#include "sim/models/rvx65_68/TerseEncoder.h"

namespace sim {

extern const TerseModel rvx62Model;
extern const TerseModel rvx69Model;

} // namespace sim
