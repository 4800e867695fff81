#pragma once
// One opened RVX-LINK module used as a UART, plus the listing of all modules.
#include "FtdiException.h"
#include "FtdiPlatform.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace FTDI {

std::vector<DeviceInfo> listDevices();

// The latency timer UART links set while they are open, in ms; 0 leaves the
// chip's own. Our exchanges are short requests and replies, each of which
// would otherwise wait out the chip's 16 ms. Links opened later take it.
void setUartLatencyTimer(std::uint8_t ms);
std::uint8_t uartLatencyTimer();

class UartLink {
public:
    explicit UartLink(std::uint32_t deviceIndex);
    ~UartLink();
    UartLink(const UartLink&) = delete;
    UartLink& operator=(const UartLink&) = delete;

    void setBaudRate(std::uint32_t baud);
    std::uint32_t baudRate() const { return baudRate_; }
    void setDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity);
    void setTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
    void setFlowControl(std::uint16_t mode, std::uint8_t xon, std::uint8_t xoff);
    void setDtr(bool on);
    void setRts(bool on);
    void setBreak(bool on);
    void purge(std::uint32_t mask);
    std::uint32_t queueStatus();
    // Blocks until at least `count` bytes are queued or the time is up, and
    // returns how many are queued.
    std::uint32_t waitForQueue(std::uint32_t count, Clock::time_point deadline);
    std::uint32_t waitForQueue(std::uint32_t count, std::chrono::milliseconds timeout) {
        return waitForQueue(count, now() + timeout);
    }

    std::uint32_t write(std::span<const std::uint8_t> bytes);
    std::uint32_t write(std::string_view text) {
        return write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    std::uint32_t read(std::uint8_t* destination, std::uint32_t count);
    std::vector<std::uint8_t> read(std::uint32_t count);
    std::uint8_t readByte();

private:
    Handle handle_ = nullptr;
    std::uint32_t baudRate_ = 19200;
    std::uint8_t latencyBefore_ = 0; // the chip's setting to put back on close; 0: unchanged
};

} // namespace FTDI

using FTDI::UartLink;
