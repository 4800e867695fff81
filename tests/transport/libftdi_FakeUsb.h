#pragma once
// A fake USB bus behind the libftdi1 seam: FTDI devices whose interfaces can
// be held by another program, bound to ftdi_sio with its tty open or closed,
// or out of our reach; chips whose reads block as a real chip's do (a packet
// of at most 62 bytes when data is there, else nothing after the latency
// timer); a log of the calls each port received and of which threads read;
// and an MPSSE engine that answers as far as SPI needs: an unknown opcode
// with FA and the opcode, each clocked byte inverted.
#include "transport/libftdi/UsbSeam.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace fake {

using FTDI::libftdi::Holder;
using FTDI::libftdi::UsbDevice;

// The fake chip's latency timer: short, so that idle reads do not slow the tests.
constexpr std::chrono::milliseconds LATENCY{1};
constexpr std::size_t PACKET_DATA = 62;

// One interface of a chip. The backend's reader thread and the test share it:
// everything below is guarded by `mutex` once a port is open.
struct Interface {
    bool heldByOther = false;  // another program has claimed it through libusb
    bool kernelDriver = false; // ftdi_sio bound
    bool ttyOpen = false;      // ... and a program has its /dev/ttyUSB* open
    bool noAccess = false;     // our user may not open the device
    bool isOpen = false;
    int opens = 0;                  // libftdi1 opens, which reset the chip
    std::vector<std::string> calls; // "baud 115200", "line 8 0 0 1" (break on), ...
    std::vector<std::uint8_t> written;
    std::map<std::string, int> failures; // call name -> libftdi1 result
    std::uint8_t latency = 16;           // the chip's latency timer, ms
    bool mpsse = false;                  // the engine answers what is written
    bool holdAnswers = false;            // ... but keeps its answers until a later write
    std::size_t mostUnread = 0;          // most answer bytes waiting for the host when a write came

    // The chip's side of the reads.
    std::deque<std::pair<std::uint64_t, std::uint8_t>> incoming; // (due from USB read number, byte)
    std::deque<std::uint8_t> held;
    std::uint64_t reads = 0;     // USB reads the backend made
    std::uint64_t dataReads = 0; // ... that brought data
    std::set<std::thread::id> readers;
    std::mutex mutex;
    std::condition_variable changed;

    // Bytes the chip receives for the host, due at once or after `afterReads` more USB reads.
    void arrive(const std::vector<std::uint8_t>& bytes, std::uint64_t afterReads = 0) {
        std::lock_guard lock(mutex);
        for (auto byte : bytes)
            incoming.emplace_back(reads + afterReads, byte);
        changed.notify_all();
    }
    void fail(std::map<std::string, int> codes) { set(&Interface::failures, std::move(codes)); }
    template <class T> T get(T Interface::*field) {
        std::lock_guard lock(mutex);
        return this->*field;
    }
    template <class T> void set(T Interface::*field, T value) {
        std::lock_guard lock(mutex);
        this->*field = std::move(value);
    }
    // Holds the caller until the backend has made `count` more USB reads.
    void awaitReads(std::uint64_t count) {
        std::unique_lock lock(mutex);
        const auto target = reads + count;
        changed.wait(lock, [&] { return reads >= target; });
    }

    // The MPSSE engine; called with the mutex held.
    void answer(std::span<const std::uint8_t> bytes) {
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < bytes.size();) {
            const std::uint8_t op = bytes[i++];
            if (op == 0x80 || op == 0x86) { // low pins (value, direction); clock divisor
                i += 2;
            } else if (op == 0x31 || op == 0x34) {
                const std::size_t end = i + 2 + (bytes[i] | bytes[i + 1] << 8) + 1u;
                for (i += 2; i < end; ++i)
                    out.push_back(static_cast<std::uint8_t>(~bytes[i]));
            } else if (op != 0x85 && op != 0x87 && op != 0x8A && op != 0x8D && op != 0x97) {
                out.insert(out.end(), {0xFA, op});
            }
        }
        if (holdAnswers) {
            held.insert(held.end(), out.begin(), out.end());
            return;
        }
        // A slow engine's answers come first, in order.
        for (auto byte : held)
            incoming.emplace_back(reads, byte);
        held.clear();
        for (auto byte : out)
            incoming.emplace_back(reads, byte);
        mostUnread = std::max(mostUnread, incoming.size());
    }
    int result(const std::string& call) const { return failures.contains(call) ? failures.at(call) : 0; }
};

class Port final : public FTDI::libftdi::UsbPort {
public:
    explicit Port(Interface& itf) : itf_(itf) {}
    ~Port() override {
        std::lock_guard lock(itf_.mutex);
        itf_.isOpen = false;
    }

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
        std::lock_guard lock(itf_.mutex);
        if (result >= 0) itf_.incoming.clear();
        return result;
    }
    int purgeTransmit() override { return log("purge", "tx"); }
    int read(std::uint8_t* buffer, int size) override {
        std::unique_lock lock(itf_.mutex);
        itf_.readers.insert(std::this_thread::get_id());
        ++itf_.reads;
        itf_.changed.notify_all();
        if (const int failure = itf_.result("read")) return failure;
        const auto due = [&] { return !itf_.incoming.empty() && itf_.incoming.front().first <= itf_.reads; };
        itf_.changed.wait_for(lock, LATENCY, due);
        int count = 0;
        for (; count < size && count < int(PACKET_DATA) && due(); ++count) {
            buffer[count] = itf_.incoming.front().second;
            itf_.incoming.pop_front();
        }
        if (count > 0) ++itf_.dataReads;
        return count;
    }
    int write(const std::uint8_t* data, int size) override {
        std::lock_guard lock(itf_.mutex);
        if (const int failure = itf_.result("write")) return failure;
        itf_.written.insert(itf_.written.end(), data, data + size);
        if (itf_.mpsse) itf_.answer(std::span(data, static_cast<std::size_t>(size)));
        itf_.changed.notify_all();
        return size;
    }
    void setWriteTimeout(int) override {}
    int setLatencyTimer(std::uint8_t ms) override {
        const int result = log("latency", ms);
        std::lock_guard lock(itf_.mutex);
        if (result >= 0) itf_.latency = ms;
        return result;
    }
    int getLatencyTimer(std::uint8_t& ms) override {
        std::lock_guard lock(itf_.mutex);
        ms = itf_.latency;
        return itf_.result("latency?");
    }
    int setBitmode(std::uint8_t mask, std::uint8_t mode) override { return log("bitmode", mask, mode); }
    int close() override { return log("close"); } // the interface is free once the port is gone

private:
    static std::string text(const char* word) { return word; }
    static std::string text(int number) { return std::to_string(number); }
    template <class... Args> int log(const std::string& call, Args... args) {
        std::lock_guard lock(itf_.mutex);
        itf_.calls.push_back((call + ... + (" " + text(args))));
        return itf_.result(call);
    }

    Interface& itf_;
};

class Bus final : public FTDI::libftdi::Usb {
public:
    void add(std::uint16_t product, std::uint16_t release, int interfaces, std::string serial = "FT0001",
             std::string description = "RVX-LINK") {
        const auto address = static_cast<std::uint8_t>(devices.size() + 2);
        devices.push_back({0x0403, product, release, 1, address, "1-" + std::to_string(address),
                           std::move(serial), std::move(description)});
        ports.emplace_back(static_cast<std::size_t>(interfaces));
    }
    Interface& itf(std::size_t device, std::size_t index = 0) { return ports.at(device).at(index); }

    int findAll(std::vector<UsbDevice>& out) override {
        out = devices;
        return static_cast<int>(out.size());
    }
    int open(const UsbDevice& usb, int index, std::unique_ptr<FTDI::libftdi::UsbPort>& port) override {
        Interface* itf = find(usb, index);
        if (!itf) return -3; // device not found
        std::lock_guard lock(itf->mutex);
        ++itf->opens;
        if (itf->noAccess) return -8;                   // inappropriate permissions on device
        itf->kernelDriver = false;                      // detached; given back on close
        if (itf->heldByOther || itf->isOpen) return -5; // unable to claim
        itf->isOpen = true;
        port = std::make_unique<Port>(*itf);
        return 0;
    }
    Holder probe(const UsbDevice& usb, int index) override {
        Interface* itf = find(usb, index);
        if (!itf) return Holder::Nobody;
        std::lock_guard lock(itf->mutex);
        if (itf->noAccess) return Holder::NoAccess;
        if (itf->kernelDriver) return itf->ttyOpen ? Holder::SerialPort : Holder::Nobody;
        return itf->heldByOther || itf->isOpen ? Holder::Program : Holder::Nobody;
    }

    std::vector<UsbDevice> devices;           // unplugging one removes it here only
    std::deque<std::vector<Interface>> ports; // per device, stable while tests hold references

private:
    Interface* find(const UsbDevice& usb, int index) {
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (devices[i].address == usb.address) return &itf(i, static_cast<std::size_t>(index));
        return nullptr;
    }
};

} // namespace fake
