// The seam over the real libftdi1: each member forwards to the ftdi_* call
// its declaration names and returns that call's result unchanged.
#include "UsbSeam.h"

#include <ftdi.h>
#include <libusb.h>

namespace FTDI::libftdi {
namespace {

struct ContextDeleter {
    void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

// ftdi_usb_open_dev's code for an unusable context.
constexpr int CONTEXT_INVALID = -11;

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
    int read(std::uint8_t* buffer, int size) override { return ftdi_read_data(ctx(), buffer, size); }
    int write(const std::uint8_t* data, int size) override { return ftdi_write_data(ctx(), data, size); }
    void setWriteTimeout(int ms) override { context_->usb_write_timeout = ms; }
    int setLatencyTimer(std::uint8_t ms) override { return ftdi_set_latency_timer(ctx(), ms); }
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

    int open(const UsbDevice& device, int interfaceIndex, KernelDriver mode,
             std::unique_ptr<UsbPort>& port) override {
        Context context(ftdi_new());
        if (!context) return CONTEXT_INVALID;
        if (ftdi_set_interface(context.get(), static_cast<ftdi_interface>(INTERFACE_A + interfaceIndex)) < 0)
            return CONTEXT_INVALID;
        context->module_detach_mode =
            mode == KernelDriver::Keep ? DONT_DETACH_SIO_MODULE : AUTO_DETACH_REATACH_SIO_MODULE;
        const int result = ftdi_usb_open_bus_addr(context.get(), device.bus, device.address);
        if (result < 0) return result;
        port = std::make_unique<LibftdiPort>(std::move(context));
        return result;
    }

    bool kernelDriverBound(const UsbDevice& device, int interfaceIndex) override {
        libusb_context* usb = nullptr;
        if (libusb_init(&usb) < 0) return false;
        bool bound = false;
        libusb_device** list = nullptr;
        const auto count = libusb_get_device_list(usb, &list);
        for (ssize_t i = 0; i < count; ++i) {
            if (libusb_get_bus_number(list[i]) != device.bus ||
                libusb_get_device_address(list[i]) != device.address)
                continue;
            libusb_device_handle* handle = nullptr;
            if (libusb_open(list[i], &handle) == 0) {
                bound = libusb_kernel_driver_active(handle, interfaceIndex) == 1;
                libusb_close(handle);
            }
            break;
        }
        if (count >= 0) libusb_free_device_list(list, 1);
        libusb_exit(usb);
        return bound;
    }
};

} // namespace

std::shared_ptr<Usb> makeLibftdiUsb() {
    return std::make_shared<LibftdiUsb>();
}

} // namespace FTDI::libftdi
