#pragma once
// Erases and writes flash, and writes EEPROM.
#include "Comm.h"
#include "WritePlanner.h"

#include <span>

namespace AN1310 {

class DeviceWriter {
public:
    DeviceWriter(Device* device, Comm* comm) : comm_(comm), device_(device), planner_(device) {}

    // Erases [start, end) downward; callers pass ranges aligned to erase blocks.
    void erase(std::uint32_t start, std::uint32_t end);
    void eraseRanges(const RangeList& ranges);
    void writeFlash(const DeviceData& image, std::uint32_t start, std::uint32_t end);
    void writeEeprom(std::span<const std::uint32_t> entries, std::uint32_t start, std::uint32_t end);

private:
    Bytes writeRequest(const DeviceData& image, Range range) const;

    Comm* comm_;
    Device* device_;
    WritePlanner planner_;
};

} // namespace AN1310
