#pragma once
// One opened RVX-LINK module used as a UART, plus the listing of all modules.
#include "FtdiException.h"
#include "FtdiPlatform.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace FTDI {

std::vector<DeviceInfo> listDevices();

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
};

} // namespace FTDI

using FTDI::UartLink;
