#pragma once
// What the fuzz targets share: the fuzzer's bytes as the replies of a device
// on the simulated bench, so that they reach the host through the same
// platform calls as a real module's bytes; and a step of the program run the
// way the window runs it.
#include "sim/Bench.h"

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// A device's replies, one per write of the host: each is a 16-bit
// little-endian length and that many bytes. A last reply cut short is what
// is left; after the last, the device is silent.
class ReplyScript {
public:
    explicit ReplyScript(std::span<const std::uint8_t> data) : rest_(data) {}
    std::span<const std::uint8_t> next();

private:
    std::span<const std::uint8_t> rest_;
};

// The same form, for recording seeds.
void appendReply(Bytes& script, std::span<const std::uint8_t> reply);

// A UART device that answers every write of the host with the next reply.
class ScriptedUart final : public sim::UartDevice {
public:
    explicit ScriptedUart(std::span<const std::uint8_t> data) : script_(data) {}
    void receive(std::span<const std::uint8_t>, sim::Port& port) override { port.send(script_.next()); }

private:
    ReplyScript script_;
};

// An SPI device that answers each frame with the next byte, and with 0xFF (a
// line nobody drives) once they have run out.
class ScriptedSpi final : public sim::SpiDevice {
public:
    explicit ScriptedSpi(std::span<const std::uint8_t> data) : rest_(data) {}
    std::uint8_t exchange(std::uint8_t, sim::Clock::time_point) override;

private:
    std::span<const std::uint8_t> rest_;
};

// A fresh bench on the instant line model with one module carrying `device`,
// installed as the platform while the object lives.
struct OneModuleBench {
    explicit OneModuleBench(std::unique_ptr<sim::UartDevice> device) { bench->addUart(std::move(device)); }
    explicit OneModuleBench(std::unique_ptr<sim::SpiDevice> device) { bench->addSpi(std::move(device)); }
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
};

// Runs one step as the window does: whatever the step throws is shown to the
// user as an error message, and the program goes on. Exceptions that mean a
// size went wrong, and anything that is no std::exception, escape: the
// fuzzer reports them.
template <class Step> void asTheWindowWould(Step&& step) {
    try {
        step();
    } catch (const std::length_error&) {
        throw;
    } catch (const std::exception&) {
    }
}

// The AN1310 host's log lines go nowhere (by default they are printed).
void silenceBootloaderLogs();

} // namespace fuzz
