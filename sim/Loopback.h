#pragma once
// Loopback devices for checking the bench and the links themselves.
#include "Device.h"

namespace sim {

class Loopback final : public UartDevice {
public:
    void receive(std::span<const std::uint8_t> bytes, Port& port) override { port.send(bytes); }
};

class SpiLoopback final : public SpiDevice {
public:
    std::uint8_t exchange(std::uint8_t mosi, Clock::time_point) override {
        const auto previous = last_;
        last_ = mosi;
        return previous;
    }

private:
    std::uint8_t last_ = 0;
};

} // namespace sim
