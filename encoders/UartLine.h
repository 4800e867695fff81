#pragma once
// The line set-up and reset every UART encoder's driver starts with.
#include "transport/UartLink.h"

#include <cstdint>

namespace RVX {

// 8 data bits, no parity, one stop bit, 300 ms read and write time-outs, no
// flow control, at `baud`, with DTR as the model wants it.
void set_up_line(FTDI::UartLink& link, std::uint32_t baud, bool dtr);

// Resets the encoder: RTS held for `hold_ms`, 200 ms for the firmware to
// start, then whatever either side had queued is dropped.
void reset_pulse(FTDI::UartLink& link, unsigned hold_ms = 5);

} // namespace RVX
