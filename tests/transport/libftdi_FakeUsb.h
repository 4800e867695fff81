#pragma once
// A fake USB bus behind the libftdi1 seam: FTDI devices whose interfaces can
// be held by another program or bound to ftdi_sio, bytes that arrive at set
// times on a stepped clock, a log of the calls each port received, and an
// MPSSE engine that answers as far as SPI needs: an unknown opcode with FA and
// the opcode, each clocked byte inverted.
#include "transport/libftdi/UsbSeam.h"

#include <array>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace fake {

using FTDI::Clock;
using FTDI::libftdi::KernelDriver;
using FTDI::libftdi::UsbDevice;

struct Interface {
    bool heldByOther = false;  // another program has claimed it
    bool kernelDriver = false; // ftdi_sio bound
    int openError = 0;         // libftdi1's code, e.g. no access rights
    bool isOpen = false;
    std::vector<std::string> calls; // "baud 115200", "line 8 0 0 1" (break on), ...
    std::vector<std::uint8_t> written;
    std::deque<std::pair<Clock::time_point, std::uint8_t>> incoming;
    std::map<std::string, int> failures; // call name -> libftdi1 result
    bool mpsse = false;                  // the engine answers what is written

    void arrive(std::span<const std::uint8_t> bytes, Clock::time_point at = {}) {
        for (auto byte : bytes)
            incoming.emplace_back(at, byte);
    }
    void answer(std::span<const std::uint8_t> bytes) {
        for (std::size_t i = 0; i < bytes.size();) {
            const std::uint8_t op = bytes[i++];
            if (op == 0x80 || op == 0x86) { // low pins (value, direction); clock divisor
                i += 2;
            } else if (op == 0x31 || op == 0x34) {
                const std::size_t end = i + 2 + (bytes[i] | bytes[i + 1] << 8) + 1u;
                for (i += 2; i < end; ++i)
                    incoming.emplace_back(Clock::time_point{}, static_cast<std::uint8_t>(~bytes[i]));
            } else if (op != 0x85 && op != 0x87 && op != 0x8A && op != 0x8D && op != 0x97) {
                arrive(std::array<std::uint8_t, 2>{0xFA, op});
            }
        }
    }
    int result(const std::string& call) const { return failures.contains(call) ? failures.at(call) : 0; }
};

class Port final : public FTDI::libftdi::UsbPort {
public:
    Port(Interface& itf, const Clock::time_point& clock) : itf_(itf), clock_(clock) {}
    ~Port() override { itf_.isOpen = false; }

    int setBaudrate(int baud) override { return log("baud", baud); }
    int setLineProperty(int bits, int stop, int parity, bool brk) override {
        return log("line", bits, stop, parity, brk);
    }
    int setFlowControl(int) override { return 0; }
    int setFlowControlXonXoff(std::uint8_t, std::uint8_t) override { return 0; }
    int setDtr(bool on) override { return log("dtr", on); }
    int setRts(bool on) override { return log("rts", on); }
    int purgeReceive() override {
        const int result = log("purge", "rx");
        if (result >= 0) itf_.incoming.clear();
        return result;
    }
    int purgeTransmit() override { return log("purge", "tx"); }
    int read(std::uint8_t* buffer, int size) override {
        if (const int failure = itf_.result("read")) return failure;
        int count = 0;
        for (; count < size && !itf_.incoming.empty() && itf_.incoming.front().first <= clock_; ++count) {
            buffer[count] = itf_.incoming.front().second;
            itf_.incoming.pop_front();
        }
        return count;
    }
    int write(const std::uint8_t* data, int size) override {
        if (const int failure = itf_.result("write")) return failure;
        itf_.written.insert(itf_.written.end(), data, data + size);
        if (itf_.mpsse) itf_.answer(std::span(data, static_cast<std::size_t>(size)));
        return size;
    }
    void setWriteTimeout(int) override {}
    int setLatencyTimer(std::uint8_t ms) override { return log("latency", ms); }
    int setBitmode(std::uint8_t mask, std::uint8_t mode) override { return log("bitmode", mask, mode); }
    int close() override { return log("close"); } // the interface is free once the port is gone

private:
    static std::string text(const char* word) { return word; }
    static std::string text(int number) { return std::to_string(number); }
    template <class... Args> int log(const std::string& call, Args... args) {
        itf_.calls.push_back((call + ... + (" " + text(args))));
        return itf_.result(call);
    }

    Interface& itf_;
    const Clock::time_point& clock_;
};

class Bus final : public FTDI::libftdi::Usb {
public:
    void add(std::uint16_t product, std::uint16_t release, int interfaces, std::string serial = "FT0001",
             std::string description = "RVX-LINK") {
        const auto address = static_cast<std::uint8_t>(devices.size() + 2);
        devices.push_back({0x0403, product, release, 1, address, std::move(serial), std::move(description)});
        ports.emplace_back(static_cast<std::size_t>(interfaces));
    }
    Interface& itf(std::size_t device, std::size_t index = 0) { return ports.at(device).at(index); }

    int findAll(std::vector<UsbDevice>& out) override {
        out = devices;
        return static_cast<int>(out.size());
    }
    int open(const UsbDevice& usb, int index, KernelDriver mode,
             std::unique_ptr<FTDI::libftdi::UsbPort>& port) override {
        Interface* itf = find(usb, index);
        if (!itf) return -3; // device not found
        if (itf->openError) return itf->openError;
        if (mode == KernelDriver::DetachAndReattach) itf->kernelDriver = false;
        if (itf->heldByOther || itf->kernelDriver || itf->isOpen) return -5; // unable to claim
        itf->isOpen = true;
        port = std::make_unique<Port>(*itf, clock);
        return 0;
    }
    bool kernelDriverBound(const UsbDevice& usb, int index) override {
        return find(usb, index)->kernelDriver;
    }
    Clock::time_point now() override { return clock; }
    void pause(std::chrono::milliseconds duration) override { clock += duration; }

    std::vector<UsbDevice> devices;           // unplugging one removes it here only
    std::deque<std::vector<Interface>> ports; // per device, stable while tests hold references
    Clock::time_point clock{};

private:
    Interface* find(const UsbDevice& usb, int index) {
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (devices[i].address == usb.address) return &itf(i, static_cast<std::size_t>(index));
        return nullptr;
    }
};

} // namespace fake
