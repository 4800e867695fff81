#pragma once
// What an encoder model on the simulated bench sees: the host's bytes and line
// changes come in, reply bytes go out through its Port. Models are written from
// the device's side of the wire and know nothing of the host program.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

struct LineState {
    std::uint32_t baud = 9600; // the chip's power-on rate
    std::uint8_t wordLength = 8;
    std::uint8_t stopBits = 0;
    std::uint8_t parity = 0;
    std::uint16_t flowControl = 0;
    bool dtr = false;
    bool rts = false;
    bool breakOn = false;
    std::uint32_t readTimeoutMs = 0;
    std::uint32_t writeTimeoutMs = 0;
};

// The device's end of a UART module.
class Port {
public:
    virtual ~Port() = default;
    virtual const LineState& line() const = 0;
    // Queues reply bytes; they reach the host after `delay` (the device's own
    // processing time) plus whatever the line model adds.
    virtual void send(std::span<const std::uint8_t> bytes,
                      std::chrono::microseconds delay = std::chrono::microseconds{0}) = 0;
    void send(std::initializer_list<std::uint8_t> bytes,
              std::chrono::microseconds delay = std::chrono::microseconds{0}) {
        send(std::span(bytes.begin(), bytes.size()), delay);
    }
    void sendText(const std::string& text, std::chrono::microseconds delay = std::chrono::microseconds{0}) {
        send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), delay);
    }
    // Sends `bytes` once `delay` has passed, as an application that talks for
    // seconds does. Unlike send, it costs nothing until then, and replies sent
    // meanwhile may go out first. A port that cannot wait sends at once.
    virtual void sendLater(std::span<const std::uint8_t> bytes, std::chrono::microseconds delay) {
        send(bytes, delay);
    }
    // Drops reply bytes not yet delivered (a reset of the device does this).
    virtual void discardPending() = 0;
    virtual Clock::time_point now() const = 0;
};

class UartDevice {
public:
    virtual ~UartDevice() = default;
    virtual void opened(Port&) {}
    virtual void closed() {}
    // Bytes the host wrote, as they arrive at the device.
    virtual void receive(std::span<const std::uint8_t> bytes, Port& port) = 0;
    // DTR, RTS, break, baud or framing changed.
    virtual void lineChanged(const LineState& before, Port& port) {
        (void)before;
        (void)port;
    }
};

// The device's end of an SPI module: one byte each way per chip-select frame.
class SpiDevice {
public:
    virtual ~SpiDevice() = default;
    virtual void opened(Clock::time_point) {}
    virtual std::uint8_t exchange(std::uint8_t mosi, Clock::time_point now) = 0;
};

// Options given to a model on the bench command line, e.g. "fw=0x15".
class ModelOptions {
public:
    ModelOptions() = default;
    explicit ModelOptions(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    bool has(const std::string& key) const { return values_.count(key) != 0; }
    std::string get(const std::string& key, const std::string& fallback = {}) const;
    // Accepts decimal or 0x-prefixed hexadecimal; throws std::invalid_argument.
    long long number(const std::string& key, long long fallback) const;
    // The same, from `low` to `high`: times and counts outside a sane range
    // would overflow the bench's arithmetic.
    long long number(const std::string& key, long long fallback, long long low, long long high) const;
    // A decimal number from `low` to `high` (so never nan or infinite).
    double real(const std::string& key, double fallback, double low, double high) const;
    std::uint8_t byte(const std::string& key, long long fallback) const {
        return static_cast<std::uint8_t>(number(key, fallback, 0, 0xFF));
    }
    std::uint16_t word(const std::string& key, long long fallback) const {
        return static_cast<std::uint16_t>(number(key, fallback, 0, 0xFFFF));
    }
    // The shaft's speed ("rpm", revolutions per minute), within what the
    // models' position arithmetic takes.
    double rpm(double fallback) const { return real("rpm", fallback, -100000, 100000); }
    const std::map<std::string, std::string>& all() const { return values_; }
    void set(const std::string& key, const std::string& value) { values_[key] = value; }

private:
    std::map<std::string, std::string> values_;
};

} // namespace sim
