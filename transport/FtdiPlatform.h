#pragma once
// The platform layer under UartLink and SpiLink: D2XX-style and MPSSE-SPI-style
// calls, each returning FTDI's status numbering. One backend is installed at a
// time: libftdi1 for real RVX-LINK modules, or the simulated bench.
#include "FtdiStatus.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace FTDI {

// FTDI's device-list record, field for field.
struct DeviceInfo {
    std::uint32_t flags = 0; // bit 0: opened by this or another process
    std::uint32_t type = 0;
    std::uint32_t id = 0; // vendor << 16 | product
    std::uint32_t locationId = 0;
    char serialNumber[16] = {};
    char description[64] = {};
    void* handle = nullptr;
};

enum : std::uint32_t { FLAG_OPENED = 1 };

// MPSSE SPI channel configuration, in the library's order and widths.
struct ChannelConfig {
    std::uint32_t clockRate = 0;
    std::uint8_t latencyTimer = 0;
    std::uint32_t configOptions = 0;
    std::uint32_t pin = 0;
    std::uint16_t reserved = 0;
};

// Transfer options of spiReadWrite.
enum : std::uint32_t {
    SPI_TRANSFER_OPTIONS_SIZE_IN_BITS = 0x01,
    SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE = 0x02,
    SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE = 0x04,
};

// Purge mask bits.
enum : std::uint32_t { PURGE_RX = 1, PURGE_TX = 2 };

using Handle = void*;
using Clock = std::chrono::steady_clock;

class Platform {
public:
    virtual ~Platform() = default;

    // D2XX-style serial calls.
    virtual Status createDeviceInfoList(std::uint32_t& count) = 0;
    virtual Status getDeviceInfoList(DeviceInfo* list, std::uint32_t& count) = 0;
    virtual Status open(std::uint32_t index, Handle& handle) = 0;
    virtual Status close(Handle handle) = 0;
    virtual Status setBaudRate(Handle handle, std::uint32_t baud) = 0;
    virtual Status setDataCharacteristics(Handle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                          std::uint8_t parity) = 0;
    virtual Status setTimeouts(Handle handle, std::uint32_t readMs, std::uint32_t writeMs) = 0;
    virtual Status setFlowControl(Handle handle, std::uint16_t mode, std::uint8_t xon, std::uint8_t xoff) = 0;
    virtual Status setDtr(Handle handle) = 0;
    virtual Status clrDtr(Handle handle) = 0;
    virtual Status setRts(Handle handle) = 0;
    virtual Status clrRts(Handle handle) = 0;
    virtual Status setBreakOn(Handle handle) = 0;
    virtual Status setBreakOff(Handle handle) = 0;
    virtual Status purge(Handle handle, std::uint32_t mask) = 0;
    virtual Status getQueueStatus(Handle handle, std::uint32_t& bytesWaiting) = 0;
    // Blocks until the receive queue holds at least `minBytes` or `deadline`
    // passes, then reports the queue's length (D2XX's event notification on a
    // received character). The default polls getQueueStatus.
    virtual Status waitForQueue(Handle handle, std::uint32_t minBytes, Clock::time_point deadline,
                                std::uint32_t& bytesWaiting);
    // Returns when `count` bytes have arrived or the read time-out has passed.
    virtual Status read(Handle handle, void* buffer, std::uint32_t count, std::uint32_t& received) = 0;
    virtual Status write(Handle handle, const void* buffer, std::uint32_t count, std::uint32_t& written) = 0;
    // How long the chip holds received bytes that do not fill a USB packet
    // before sending them to the host (1 to 255 ms; 16 at power-on).
    virtual Status setLatencyTimer(Handle handle, std::uint8_t ms) = 0;
    virtual Status getLatencyTimer(Handle handle, std::uint8_t& ms) = 0;

    // MPSSE-SPI-style calls.
    virtual Status spiGetNumChannels(std::uint32_t& count) = 0;
    virtual Status spiGetChannelInfo(std::uint32_t index, DeviceInfo& info) = 0;
    virtual Status spiOpenChannel(std::uint32_t index, Handle& handle) = 0;
    virtual Status spiInitChannel(Handle handle, ChannelConfig* config) = 0;
    virtual Status spiReadWrite(Handle handle, std::uint8_t* in, const std::uint8_t* out, std::uint32_t size,
                                std::uint32_t& transferred, std::uint32_t options) = 0;
    virtual Status spiCloseChannel(Handle handle) = 0;

    // Time as the protocol code sees it. The bench may run on a virtual clock
    // so that mandated waits cost nothing in tests; hardware uses real time.
    virtual Clock::time_point now() { return Clock::now(); }
    virtual void sleep(std::chrono::milliseconds duration);

    // False for the simulated bench; firmware meant only for the bench must
    // never be sent through a hardware backend.
    virtual bool isHardware() const { return true; }
};

// The installed backend. Without an explicit choice this is the libftdi1 one.
Platform& platform();
// Installs a backend and returns the previous one (null if none was installed).
std::shared_ptr<Platform> installPlatform(std::shared_ptr<Platform> backend);
// True when the installed backend talks to real hardware.
bool platformIsHardware();

// Waits and clock readings for all host protocol code go through here.
void sleepMs(std::uint32_t ms);
inline Clock::time_point now() {
    return platform().now();
}

// Creates the libftdi1 backend (defined in the libftdi library).
std::shared_ptr<Platform> makeLibftdiPlatform();

} // namespace FTDI
