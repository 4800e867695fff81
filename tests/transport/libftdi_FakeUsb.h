#pragma once
// A fake USB bus behind the libftdi1 seam: FTDI devices with interfaces that
// can be held by another program or bound to ftdi_sio, bytes that arrive at
// set times on a stepped clock, a log of the calls each port received, and a
// small MPSSE engine that answers as the chip would.
#include "transport/libftdi/UsbSeam.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace fake {

using FTDI::Clock;
using FTDI::libftdi::KernelDriver;
using FTDI::libftdi::UsbDevice;
using FTDI::libftdi::UsbPort;

struct Interface {
    bool heldByOther = false;  // another program has claimed it
    bool kernelDriver = false; // ftdi_sio bound
    int openError = 0;         // libftdi1's code, 0 = opens
    bool isOpen = false;
    std::vector<KernelDriver> openModes; // one per open attempt that got to claiming
    std::vector<std::string> calls;
    std::vector<std::uint8_t> written;
    std::deque<std::pair<Clock::time_point, std::uint8_t>> incoming;
    std::map<std::string, int> failures; // call name -> libftdi1 result to return
    std::function<void(std::span<const std::uint8_t>, Interface&)> onWrite;

    void arrive(std::span<const std::uint8_t> bytes, Clock::time_point at = {}) {
        for (auto byte : bytes)
            incoming.emplace_back(at, byte);
    }
};

struct Device {
    UsbDevice usb;
    std::vector<Interface> interfaces;
};

class Bus;

class Port final : public UsbPort {
public:
    Port(Bus& bus, Interface& itf) : bus_(bus), itf_(itf) {}
    ~Port() override { itf_.isOpen = false; }

    int setBaudrate(int baud) override { return log("baud", std::to_string(baud)); }
    int setLineProperty(int bits, int stopBits, int parity, bool brk) override {
        return log("line", std::to_string(bits) + " " + std::to_string(stopBits) + " " +
                               std::to_string(parity) + (brk ? " break" : ""));
    }
    int setFlowControl(int mode) override { return log("flow", std::to_string(mode)); }
    int setFlowControlXonXoff(std::uint8_t xon, std::uint8_t xoff) override {
        return log("xonxoff", std::to_string(xon) + " " + std::to_string(xoff));
    }
    int setDtr(bool on) override { return log("dtr", on ? "1" : "0"); }
    int setRts(bool on) override { return log("rts", on ? "1" : "0"); }
    int purgeReceive() override {
        const int result = log("purge", "rx");
        if (result >= 0) itf_.incoming.clear();
        return result;
    }
    int purgeTransmit() override { return log("purge", "tx"); }
    int read(std::uint8_t* buffer, int size) override;
    int write(const std::uint8_t* data, int size) override {
        if (auto failure = itf_.failures.find("write"); failure != itf_.failures.end())
            return failure->second;
        itf_.written.insert(itf_.written.end(), data, data + size);
        if (itf_.onWrite) itf_.onWrite(std::span(data, static_cast<std::size_t>(size)), itf_);
        return size;
    }
    void setWriteTimeout(int ms) override { log("write-timeout", std::to_string(ms)); }
    int setLatencyTimer(std::uint8_t ms) override { return log("latency", std::to_string(ms)); }
    int setBitmode(std::uint8_t mask, std::uint8_t mode) override {
        return log("bitmode", std::to_string(mask) + " " + std::to_string(mode));
    }
    int close() override {
        itf_.isOpen = false;
        return log("close", "");
    }

private:
    int log(const std::string& name, const std::string& arguments) {
        itf_.calls.push_back(arguments.empty() ? name : name + " " + arguments);
        const auto failure = itf_.failures.find(name);
        return failure == itf_.failures.end() ? 0 : failure->second;
    }

    Bus& bus_;
    Interface& itf_;
};

class Bus final : public FTDI::libftdi::Usb {
public:
    Device& add(std::uint16_t product, std::uint16_t release, int interfaces, std::string serial = "FT0001",
                std::string description = "RVX-LINK") {
        auto device = std::make_unique<Device>();
        device->usb.vendor = 0x0403;
        device->usb.product = product;
        device->usb.release = release;
        device->usb.bus = 1;
        device->usb.address = static_cast<std::uint8_t>(devices.size() + 2);
        device->usb.serial = std::move(serial);
        device->usb.description = std::move(description);
        device->interfaces.resize(static_cast<std::size_t>(interfaces));
        devices.push_back(std::move(device));
        return *devices.back();
    }
    Interface& itf(std::size_t device, std::size_t index = 0) {
        return devices.at(device)->interfaces.at(index);
    }

    int findAll(std::vector<UsbDevice>& out) override {
        out.clear();
        if (findAllResult < 0) return findAllResult;
        for (const auto& device : devices)
            out.push_back(device->usb);
        return static_cast<int>(out.size());
    }
    int open(const UsbDevice& usb, int index, KernelDriver mode, std::unique_ptr<UsbPort>& port) override {
        for (auto& device : devices) {
            if (device->usb.bus != usb.bus || device->usb.address != usb.address) continue;
            auto& itf = device->interfaces.at(static_cast<std::size_t>(index));
            if (itf.openError) return itf.openError;
            itf.openModes.push_back(mode);
            if (itf.kernelDriver && mode == KernelDriver::DetachAndReattach) itf.kernelDriver = false;
            if (itf.heldByOther || itf.kernelDriver || itf.isOpen) return -5; // unable to claim
            itf.isOpen = true;
            port = std::make_unique<Port>(*this, itf);
            return 0;
        }
        return -3; // device not found
    }
    bool kernelDriverBound(const UsbDevice& usb, int index) override {
        for (auto& device : devices)
            if (device->usb.bus == usb.bus && device->usb.address == usb.address)
                return device->interfaces.at(static_cast<std::size_t>(index)).kernelDriver;
        return false;
    }
    Clock::time_point now() override { return clock; }
    void pause(std::chrono::milliseconds duration) override { clock += duration; }

    std::vector<std::unique_ptr<Device>> devices;
    Clock::time_point clock{};
    int findAllResult = 0;
};

inline int Port::read(std::uint8_t* buffer, int size) {
    if (auto failure = itf_.failures.find("read"); failure != itf_.failures.end()) return failure->second;
    int count = 0;
    while (count < size && !itf_.incoming.empty() && itf_.incoming.front().first <= bus_.clock) {
        buffer[count++] = itf_.incoming.front().second;
        itf_.incoming.pop_front();
    }
    return count;
}

// The chip's MPSSE engine as far as SPI needs it: it answers an unknown
// opcode with FA and the opcode, keeps the low pin byte, and clocks bytes
// through `device` (MOSI in, MISO out), recording what the wire saw.
struct MpsseEngine {
    std::function<std::uint8_t(std::uint8_t)> device = [](std::uint8_t mosi) {
        return static_cast<std::uint8_t>(~mosi);
    };
    std::uint8_t level = 0;
    std::uint8_t direction = 0;
    std::uint16_t divisor = 0;
    std::vector<std::string> wire; // "cs 0", "byte A5", "cs 1" ...

    void attach(Interface& itf) {
        itf.onWrite = [this](std::span<const std::uint8_t> bytes, Interface& target) { run(bytes, target); };
    }

    void run(std::span<const std::uint8_t> bytes, Interface& itf) {
        for (std::size_t i = 0; i < bytes.size();) {
            const std::uint8_t op = bytes[i++];
            switch (op) {
            case 0x80:
                level = bytes[i];
                direction = bytes[i + 1];
                i += 2;
                wire.push_back("cs " + std::to_string((level >> 3) & 1));
                break;
            case 0x86:
                divisor = static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8);
                i += 2;
                break;
            case 0x31:
            case 0x34: {
                const std::size_t length = (bytes[i] | bytes[i + 1] << 8) + 1u;
                i += 2;
                for (std::size_t n = 0; n < length; ++n, ++i) {
                    char text[16];
                    std::snprintf(text, sizeof text, "byte %02X", bytes[i]);
                    wire.push_back(text);
                    const std::uint8_t miso = device(bytes[i]);
                    itf.arrive(std::span(&miso, 1));
                }
                break;
            }
            case 0x85:
            case 0x87:
            case 0x8A:
            case 0x8D:
            case 0x97:
                break;
            default: {
                const std::uint8_t reply[] = {0xFA, op};
                itf.arrive(reply);
            }
            }
        }
    }
};

} // namespace fake
