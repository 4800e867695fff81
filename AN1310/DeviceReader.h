#pragma once
// Reads flash and EEPROM back from the chip, pipelined one request deep.
#include "Comm.h"
#include "Device.h"

#include <cstdint>
#include <span>

namespace AN1310 {

class DeviceReader {
public:
    DeviceReader(Device* device, Comm* comm) : device_(device), comm_(comm) {}

    void setMaxRead(int bytes);
    std::uint32_t maxRead() const { return maxRead_; }

    // One destination entry per word of [start, end), from dest[0] on.
    void readFlash(std::span<std::uint32_t> dest, std::uint32_t start, std::uint32_t end);
    // One destination entry per EEPROM location of [start, end), from dest[0] on.
    void readEeprom(std::span<std::uint32_t> dest, std::uint32_t start, std::uint32_t end);

private:
    struct Geometry; // how one kind of memory is requested and unpacked
    void read(const Geometry& geometry, std::span<std::uint32_t> dest, std::uint32_t start,
              std::uint32_t end);

    Device* device_;
    Comm* comm_;
    std::uint32_t maxRead_ = 32768;
};

} // namespace AN1310
