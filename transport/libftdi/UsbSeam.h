#pragma once
// The narrow seam between the libftdi1 backend and the library itself. The
// real implementation (LibftdiUsb.cpp) forwards each call to the ftdi_* call
// named beside it and hands back libftdi1's own result; tests put a fake USB
// bus behind it instead.
#include "transport/FtdiPlatform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace FTDI::libftdi {

// One FTDI USB device as the bus shows it.
struct UsbDevice {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t release = 0; // bcdDevice: tells the chip generations of one product id apart
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::string portPath; // e.g. "1-4.2", the device's name under /sys/bus/usb/devices
    std::string serial;
    std::string description;
};

// Who has an interface, as far as one can tell without opening it.
enum class Holder {
    Nobody,
    Program,    // another program claimed it through libusb
    SerialPort, // ftdi_sio has it and a program holds its /dev/ttyUSB*
    NoAccess,   // we may not open the device (no udev rule for our user)
};

// libftdi1's bit modes that this backend uses.
enum : std::uint8_t { BITMODE_RESET = 0x00, BITMODE_MPSSE = 0x02 };

// One claimed interface (an ftdi_context after a successful open). Every call
// returns libftdi1's result: negative on failure, with the call's own coding.
// `read` runs on the backend's reader thread while the other calls come from
// the caller's; `purgeReceive` is never called during a `read`.
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
    // Waits for the chip's next USB packet and returns its data bytes (up to
    // `size`); 0 when the chip had none, which it says once its latency timer
    // runs out. (ftdi_read_data, asked for no more than has come.)
    virtual int read(std::uint8_t* buffer, int size) = 0;
    virtual int write(const std::uint8_t* data, int size) = 0;        // ftdi_write_data
    virtual void setWriteTimeout(int ms) = 0;                         // usb_write_timeout
    virtual int setLatencyTimer(std::uint8_t ms) = 0;                 // ftdi_set_latency_timer
    virtual int getLatencyTimer(std::uint8_t& ms) = 0;                // ftdi_get_latency_timer
    virtual int setBitmode(std::uint8_t mask, std::uint8_t mode) = 0; // ftdi_set_bitmode
    virtual int close() = 0;                                          // ftdi_usb_close
};

class Usb {
public:
    virtual ~Usb() = default;
    // ftdi_usb_find_all over FTDI's default products, with ftdi_usb_get_strings
    // for each; strings stay empty where the device cannot be read.
    virtual int findAll(std::vector<UsbDevice>& devices) = 0;
    // ftdi_set_interface (0 = A) and ftdi_usb_open_bus_addr, which resets the
    // chip and takes the interface from ftdi_sio (given back on close).
    virtual int open(const UsbDevice& device, int interfaceIndex, std::unique_ptr<UsbPort>& port) = 0;
    // Looks without opening through libftdi1, which would reset the chip:
    // libusb's open and claim, ftdi_sio's binding and who holds its tty.
    virtual Holder probe(const UsbDevice& device, int interfaceIndex) = 0;
};

// The seam over the real libftdi1.
std::shared_ptr<Usb> makeLibftdiUsb();

} // namespace FTDI::libftdi
