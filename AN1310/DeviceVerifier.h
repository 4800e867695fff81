#pragma once
// Compares flash with an image by asking the bootloader for one checksum per
// erase block, and says which blocks need an erase or a rewrite.
#include "Comm.h"
#include "DeviceData.h"

namespace AN1310 {

class DeviceVerifier {
public:
    DeviceVerifier(Device* device, Comm* comm) : comm_(comm), device_(device) {}

    // True when every block of [start, end) outside the protected blocks matched.
    bool verify(const DeviceData& image, std::uint32_t start, std::uint32_t end);

    const RangeList& eraseNeeded() const { return eraseNeeded_; }
    const RangeList& rewriteNeeded() const { return rewriteNeeded_; }
    int failures() const { return failures_; }

private:
    // The checksum the bootloader gives for the erase block at `start`, chained
    // from `seed`: of the image's words, or without an image of an erased block.
    std::uint16_t blockChecksum(const DeviceData* image, std::uint32_t start, std::uint16_t seed) const;

    Comm* comm_;
    Device* device_;
    RangeList eraseNeeded_;
    RangeList rewriteNeeded_;
    int failures_ = 0;
};

} // namespace AN1310
