#include "UartLink.h"

namespace FTDI {

namespace {
void check(Status status, const char* message) {
    if (status != OK) throw Exception(message, status);
}

std::uint8_t& latencyWhileOpen() {
    static std::uint8_t ms = 1;
    return ms;
}
} // namespace

void setUartLatencyTimer(std::uint8_t ms) {
    latencyWhileOpen() = ms;
}

std::uint8_t uartLatencyTimer() {
    return latencyWhileOpen();
}

std::vector<DeviceInfo> listDevices() {
    std::uint32_t count = 0;
    check(platform().createDeviceInfoList(count),
          "Unable to get number of FTDI devices: FT_CreateDeviceInfoList failed");
    if (count == 0) return {};
    std::vector<DeviceInfo> list(count);
    check(platform().getDeviceInfoList(list.data(), count),
          "Unable to get list of FTDI devices: FT_GetDeviceInfoList failed");
    // The list may have shrunk between the two calls.
    list.resize(std::min<std::size_t>(count, list.size()));
    return list;
}

UartLink::UartLink(std::uint32_t deviceIndex) {
    check(platform().open(deviceIndex, handle_), "Unable to open FTDI device: FT_Open failed");
    const auto wanted = uartLatencyTimer();
    if (wanted == 0) return;
    std::uint8_t before = 0;
    Status status = platform().getLatencyTimer(handle_, before);
    const char* message = "Unable to get latency timer on FTDI device: FT_GetLatencyTimer failed";
    if (status == OK && before != wanted) {
        status = platform().setLatencyTimer(handle_, wanted);
        message = "Unable to set latency timer on FTDI device: FT_SetLatencyTimer failed";
    }
    if (status != OK) {
        // A failed construction must leave nothing open.
        platform().close(handle_);
        handle_ = nullptr;
        throw Exception(message, status);
    }
    if (before != wanted) latencyBefore_ = before;
}

UartLink::~UartLink() {
    if (!handle_) return;
    // Other programs find the chip as they knew it.
    if (latencyBefore_) platform().setLatencyTimer(handle_, latencyBefore_);
    platform().close(handle_);
}

void UartLink::setBaudRate(std::uint32_t baud) {
    check(platform().setBaudRate(handle_, baud),
          "Unable to set baud rate on FTDI device: FT_SetBaudRate failed");
    baudRate_ = baud;
}

void UartLink::setDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity) {
    check(platform().setDataCharacteristics(handle_, wordLength, stopBits, parity),
          "Unable to set data characteristics on FTDI device: FT_SetDataCharacteristics failed");
}

void UartLink::setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    check(platform().setTimeouts(handle_, readMs, writeMs),
          "Unable to set timeouts on FTDI device: FT_SetTimeouts failed");
}

void UartLink::setFlowControl(std::uint16_t mode, std::uint8_t xon, std::uint8_t xoff) {
    check(platform().setFlowControl(handle_, mode, xon, xoff),
          "Unable to set flow control on FTDI device: FT_SetFlowControl failed");
}

void UartLink::setDtr(bool on) {
    check(on ? platform().setDtr(handle_) : platform().clrDtr(handle_),
          "Unable to set DTR (data terminal ready) signal on FTDI device: FT_SetDtr failed");
}

void UartLink::setRts(bool on) {
    check(on ? platform().setRts(handle_) : platform().clrRts(handle_),
          "Unable to set RTS (request to send) signal on FTDI device: FT_SetRts failed");
}

void UartLink::setBreak(bool on) {
    check(on ? platform().setBreakOn(handle_) : platform().setBreakOff(handle_),
          "Unable to set break on FTDI device: FT_SetBreakOn/Ft_SetBreakOff failed");
}

void UartLink::purge(std::uint32_t mask) {
    check(platform().purge(handle_, mask), "Unable to purge buffers on FTDI device: FT_Purge failed");
}

std::uint32_t UartLink::queueStatus() {
    std::uint32_t waiting = 0;
    check(platform().getQueueStatus(handle_, waiting),
          "Unable to get queue status on FTDI device: FT_GetQueueStatus failed");
    return waiting;
}

std::uint32_t UartLink::waitForQueue(std::uint32_t count, Clock::time_point deadline) {
    std::uint32_t waiting = 0;
    check(platform().waitForQueue(handle_, count, deadline, waiting),
          "Unable to get queue status on FTDI device: FT_GetQueueStatus failed");
    return waiting;
}

std::uint32_t UartLink::write(std::span<const std::uint8_t> bytes) {
    std::uint32_t written = 0;
    check(platform().write(handle_, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written),
          "Unable to write to FTDI device: FT_Write failed");
    return written;
}

std::uint32_t UartLink::read(std::uint8_t* destination, std::uint32_t count) {
    std::uint32_t received = 0;
    check(platform().read(handle_, destination, count, received),
          "Unable to read from FTDI device: FT_Read failed");
    return received;
}

std::vector<std::uint8_t> UartLink::read(std::uint32_t count) {
    std::vector<std::uint8_t> bytes(count);
    bytes.resize(read(bytes.data(), count));
    return bytes;
}

std::uint8_t UartLink::readByte() {
    std::uint8_t byte = 0;
    if (read(&byte, 1) != 1) throw Exception("Failed to read byte from FTDI device", 0);
    return byte;
}

} // namespace FTDI
