#include "encoders/UartLine.h"

namespace RVX {

void set_up_line(FTDI::UartLink& link, std::uint32_t baud, bool dtr) {
    constexpr std::uint32_t timeoutMs = 300;
    link.setBaudRate(baud);
    link.setDataCharacteristics(8, 0, 0);
    link.setTimeouts(timeoutMs, timeoutMs);
    link.setFlowControl(0, 0, 0);
    link.setDtr(dtr);
}

void reset_pulse(FTDI::UartLink& link, unsigned hold_ms) {
    link.setRts(true);
    FTDI::sleepMs(hold_ms);
    link.setRts(false);
    FTDI::sleepMs(200);
    link.purge(FTDI::PURGE_RX | FTDI::PURGE_TX);
}

} // namespace RVX
