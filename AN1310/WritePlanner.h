#pragma once
// Which flash ranges to erase and to write: the whole-device erase list of
// the session's erase step, and the write plan of one image.
#include "DeviceData.h"

namespace AN1310 {

struct WritePlan {
    RangeList erase;
    RangeList write;
};

class WritePlanner {
public:
    explicit WritePlanner(Device* device) : device_(device) {}

    RangeList eraseList() const;
    WritePlan writePlan(std::uint32_t start, std::uint32_t end, const DeviceData& image) const;

    // Bytes one write block takes in a write request, block extras included.
    std::uint32_t bytesPerWriteBlock() const;
    // Largest write request payload (header and checksum excluded), in bytes.
    std::uint32_t maxWritePacket() const;

private:
    RangeList writeRanges(std::uint32_t start, std::uint32_t end, const DeviceData& image) const;
    RangeList eraseBlocksOf(const RangeList& writes) const;
    // The blocks no erase may touch: the configuration block inside flash,
    // the vector page of PIC24 and the bootloader.
    RangeList protect(RangeList ranges) const;
    RangeList splitIntoPackets(const RangeList& writes) const;

    Device* device_;
};

} // namespace AN1310
