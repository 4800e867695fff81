#pragma once
// The narrow seam between the libftdi1 backend and the library itself. The
// real implementation (LibftdiUsb.cpp) forwards each call to the ftdi_* call
// named beside it and hands back libftdi1's own result; tests put a fake USB
// bus behind it instead.
#include "transport/FtdiPlatform.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace FTDI::libftdi {

// One FTDI USB device as the bus shows it.
struct UsbDevice {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t release = 0; // bcdDevice: tells the chip generations of one product id apart
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::string serial;
    std::string description;
};

// What to do about the ftdi_sio kernel driver when opening an interface.
enum class KernelDriver {
    Keep,              // leave it bound: claiming then fails if it holds the interface
    DetachAndReattach, // take the interface from it, give it back on close
};

// libftdi1's bit modes that this backend uses.
enum : std::uint8_t { BITMODE_RESET = 0x00, BITMODE_MPSSE = 0x02 };

// One claimed interface (an ftdi_context after a successful open). Every call
// returns libftdi1's result: negative on failure, with the call's own coding.
class UsbPort {
public:
    virtual ~UsbPort() = default;
    virtual int setBaudrate(int baud) = 0;                                         // ftdi_set_baudrate
    virtual int setLineProperty(int bits, int stopBits, int parity, bool brk) = 0; // ftdi_set_line_property2
    virtual int setFlowControl(int mode) = 0;                                      // ftdi_setflowctrl
    virtual int setFlowControlXonXoff(std::uint8_t xon, std::uint8_t xoff) = 0;    // ftdi_setflowctrl_xonxoff
    virtual int setDtr(bool on) = 0;                                               // ftdi_setdtr
    virtual int setRts(bool on) = 0;                                               // ftdi_setrts
    virtual int purgeReceive() = 0;                                                // ftdi_tciflush
    virtual int purgeTransmit() = 0;                                               // ftdi_tcoflush
    // Returns what has arrived so far (possibly 0) without waiting for more.
    virtual int read(std::uint8_t* buffer, int size) = 0;             // ftdi_read_data
    virtual int write(const std::uint8_t* data, int size) = 0;        // ftdi_write_data
    virtual void setWriteTimeout(int ms) = 0;                         // usb_write_timeout
    virtual int setLatencyTimer(std::uint8_t ms) = 0;                 // ftdi_set_latency_timer
    virtual int setBitmode(std::uint8_t mask, std::uint8_t mode) = 0; // ftdi_set_bitmode
    virtual int close() = 0;                                          // ftdi_usb_close
};

class Usb {
public:
    virtual ~Usb() = default;
    // ftdi_usb_find_all over FTDI's default products, with ftdi_usb_get_strings
    // for each; strings stay empty where the device cannot be read.
    virtual int findAll(std::vector<UsbDevice>& devices) = 0;
    // ftdi_set_interface (0 = A) and ftdi_usb_open_bus_addr.
    virtual int open(const UsbDevice& device, int interfaceIndex, KernelDriver mode,
                     std::unique_ptr<UsbPort>& port) = 0;
    // True when a kernel driver (ftdi_sio) is bound to the interface.
    virtual bool kernelDriverBound(const UsbDevice& device, int interfaceIndex) = 0;

    // Real time; a fake bus may step a clock of its own.
    virtual Clock::time_point now() { return Clock::now(); }
    virtual void pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
};

// The seam over the real libftdi1.
std::shared_ptr<Usb> makeLibftdiUsb();

} // namespace FTDI::libftdi
