#pragma once
// What a UART receiver makes of bytes sent at another rate. Each byte travels
// as a start bit, eight data bits (least significant first) and a stop bit;
// the receiver waits for the line to fall, then samples the middle of each of
// its own bit times. A byte whose stop bit samples low is a framing error: it
// is kept, and the receiver waits for the line to rise before the next one.
// Rates within 3 % of each other pass the bytes unchanged.
#include "sim/Device.h"

#include <cstdint>
#include <span>

namespace sim {

Bytes throughRate(std::span<const std::uint8_t> bytes, std::uint32_t sentBaud, std::uint32_t receivedBaud);

} // namespace sim
