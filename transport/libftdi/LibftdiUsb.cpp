// The seam over the real libftdi1: each member forwards to the ftdi_* call
// its declaration names and returns that call's result unchanged.
#include "UsbSeam.h"

#include <algorithm>
#include <filesystem>
#include <ftdi.h>
#include <libusb.h>
#include <string>

namespace FTDI::libftdi {
namespace {

struct ContextDeleter {
    void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

// ftdi_usb_open_dev's code for an unusable context.
constexpr int CONTEXT_INVALID = -11;

// "bus-port.port...", the device's name under /sys/bus/usb/devices.
std::string portPath(libusb_device* device) {
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    std::string path = std::to_string(libusb_get_bus_number(device));
    for (int i = 0; i < depth; ++i)
        path += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
    return path;
}

// Calls `visit` with each entry of a folder until it returns true; entries
// that vanish or may not be read are passed over.
template <class Visit> bool anyEntry(const std::filesystem::path& folder, Visit visit) {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (visit(it->path())) return true;
    return false;
}

// Whether a process has the interface's /dev/ttyUSB* open: the tty that
// ftdi_sio made for it, looked for among every process's open files (those
// of other users only as far as we may read them).
bool ttyInUse(const std::string& portPath, int interfaceIndex) {
    namespace fs = std::filesystem;
    std::string tty;
    anyEntry("/sys/bus/usb/devices", [&](const fs::path& entry) {
        const auto name = entry.filename().string();
        // "1-4.2:1.0": configuration 1, interface 0
        if (name.rfind(portPath + ":", 0) != 0 || !name.ends_with("." + std::to_string(interfaceIndex)))
            return false;
        return anyEntry(entry, [&](const fs::path& child) {
            if (child.filename().string().rfind("ttyUSB", 0) != 0) return false;
            tty = "/dev/" + child.filename().string();
            return true;
        });
    });
    if (tty.empty()) return false;
    return anyEntry("/proc", [&](const fs::path& process) {
        return anyEntry(process / "fd", [&](const fs::path& fd) {
            std::error_code error;
            return fs::read_symlink(fd, error) == tty;
        });
    });
}

class LibftdiPort final : public UsbPort {
public:
    explicit LibftdiPort(Context context) : context_(std::move(context)) {}
    ~LibftdiPort() override {
        if (context_) ftdi_usb_close(context_.get());
    }

    int setBaudrate(int baud) override { return ftdi_set_baudrate(ctx(), baud); }
    int setLineProperty(int bits, int stopBits, int parity, bool brk) override {
        return ftdi_set_line_property2(ctx(), static_cast<ftdi_bits_type>(bits),
                                       static_cast<ftdi_stopbits_type>(stopBits),
                                       static_cast<ftdi_parity_type>(parity), brk ? BREAK_ON : BREAK_OFF);
    }
    int setFlowControl(int mode) override { return ftdi_setflowctrl(ctx(), mode); }
    int setFlowControlXonXoff(std::uint8_t xon, std::uint8_t xoff) override {
        return ftdi_setflowctrl_xonxoff(ctx(), xon, xoff);
    }
    int setDtr(bool on) override { return ftdi_setdtr(ctx(), on ? 1 : 0); }
    int setRts(bool on) override { return ftdi_setrts(ctx(), on ? 1 : 0); }
    int purgeReceive() override { return ftdi_tciflush(ctx()); }
    int purgeTransmit() override { return ftdi_tcoflush(ctx()); }
    int read(std::uint8_t* buffer, int size) override {
        // Asked for one byte, ftdi_read_data returns with the first packet that
        // carries data, or with none once an empty one comes; asked for more, it
        // would wait for a further packet, which costs a latency period. The
        // rest of the packet is in its buffer and comes without a transfer.
        const int first = ftdi_read_data(ctx(), buffer, 1);
        if (first <= 0 || size <= 1) return first;
        const int rest = std::min<int>(size - 1, static_cast<int>(context_->readbuffer_remaining));
        if (rest <= 0) return first;
        const int more = ftdi_read_data(ctx(), buffer + 1, rest);
        return more < 0 ? more : first + more;
    }
    int write(const std::uint8_t* data, int size) override { return ftdi_write_data(ctx(), data, size); }
    void setWriteTimeout(int ms) override { context_->usb_write_timeout = ms; }
    int setLatencyTimer(std::uint8_t ms) override { return ftdi_set_latency_timer(ctx(), ms); }
    int getLatencyTimer(std::uint8_t& ms) override {
        unsigned char value = 0;
        const int result = ftdi_get_latency_timer(ctx(), &value);
        ms = value;
        return result;
    }
    int setBitmode(std::uint8_t mask, std::uint8_t mode) override {
        return ftdi_set_bitmode(ctx(), mask, mode);
    }
    int close() override {
        const int result = ftdi_usb_close(ctx());
        context_.reset();
        return result;
    }

private:
    ftdi_context* ctx() const { return context_.get(); }
    Context context_;
};

class LibftdiUsb final : public Usb {
public:
    int findAll(std::vector<UsbDevice>& devices) override {
        devices.clear();
        Context context(ftdi_new());
        if (!context) return CONTEXT_INVALID;
        ftdi_device_list* list = nullptr;
        // Vendor and product 0 select FTDI's default products: 6001, 6010, 6011, 6014, 6015.
        const int found = ftdi_usb_find_all(context.get(), &list, 0, 0);
        if (found < 0) return found;
        for (auto* entry = list; entry; entry = entry->next) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(entry->dev, &descriptor) < 0) continue;
            UsbDevice device;
            device.vendor = descriptor.idVendor;
            device.product = descriptor.idProduct;
            device.release = descriptor.bcdDevice;
            device.bus = libusb_get_bus_number(entry->dev);
            device.address = libusb_get_device_address(entry->dev);
            device.portPath = portPath(entry->dev);
            // Keep whatever could be read: without access rights the strings stay empty.
            char description[128] = {};
            char serial[64] = {};
            ftdi_usb_get_strings(context.get(), entry->dev, nullptr, 0, description, sizeof description,
                                 serial, sizeof serial);
            device.description = description;
            device.serial = serial;
            devices.push_back(std::move(device));
        }
        ftdi_list_free(&list);
        return static_cast<int>(devices.size());
    }

    int open(const UsbDevice& device, int interfaceIndex, std::unique_ptr<UsbPort>& port) override {
        Context context(ftdi_new());
        if (!context) return CONTEXT_INVALID;
        if (ftdi_set_interface(context.get(), static_cast<ftdi_interface>(INTERFACE_A + interfaceIndex)) < 0)
            return CONTEXT_INVALID;
        context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        const int result = ftdi_usb_open_bus_addr(context.get(), device.bus, device.address);
        if (result < 0) return result;
        port = std::make_unique<LibftdiPort>(std::move(context));
        return result;
    }

    Holder probe(const UsbDevice& device, int interfaceIndex) override {
        libusb_context* usb = nullptr;
        if (libusb_init(&usb) < 0) return Holder::Nobody;
        Holder holder = Holder::Nobody;
        libusb_device** list = nullptr;
        const auto count = libusb_get_device_list(usb, &list);
        for (ssize_t i = 0; i < count; ++i) {
            if (libusb_get_bus_number(list[i]) != device.bus ||
                libusb_get_device_address(list[i]) != device.address)
                continue;
            // libusb's open and claim neither reset the chip nor touch its settings.
            libusb_device_handle* handle = nullptr;
            const int opened = libusb_open(list[i], &handle);
            if (opened == LIBUSB_ERROR_ACCESS) {
                holder = Holder::NoAccess;
            } else if (opened == 0) {
                if (libusb_kernel_driver_active(handle, interfaceIndex) == 1) {
                    if (ttyInUse(device.portPath, interfaceIndex)) holder = Holder::SerialPort;
                } else if (libusb_claim_interface(handle, interfaceIndex) == LIBUSB_ERROR_BUSY) {
                    holder = Holder::Program;
                } else {
                    libusb_release_interface(handle, interfaceIndex);
                }
                libusb_close(handle);
            }
            break;
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        libusb_exit(usb);
        return holder;
    }
};

} // namespace

std::shared_ptr<Usb> makeLibftdiUsb() {
    return std::make_shared<LibftdiUsb>();
}

} // namespace FTDI::libftdi
