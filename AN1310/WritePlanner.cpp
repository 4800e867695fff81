#include "WritePlanner.h"

#include "Log.h"

#include <algorithm>
#include <fmt/format.h>

namespace AN1310 {

namespace {
std::uint32_t alignDown(std::uint32_t value, std::uint32_t block) {
    return value / block * block;
}
std::uint32_t alignUp(std::uint32_t value, std::uint32_t block) {
    return (value + block - 1) / block * block;
}

void removeEmpty(RangeList& ranges) {
    std::erase_if(ranges, [](const Range& range) { return range.start >= range.end; });
}
} // namespace

RangeList WritePlanner::protect(RangeList ranges) const {
    const Device& d = *device_;
    if (const auto block = d.configEraseBlock()) ranges = subtractRange(ranges, *block);
    if (d.familyId == Family::PIC24)
        ranges = subtractRange(ranges, {d.flashStart, std::max(d.eraseBlockSize, 512u)});
    ranges = subtractRange(ranges, {d.bootloaderStart, d.bootloaderEnd});
    removeEmpty(ranges);
    return ranges;
}

RangeList WritePlanner::eraseList() const {
    const Device& d = *device_;
    return protect({{d.flashStart, d.flashEnd}});
}

RangeList WritePlanner::writeRanges(std::uint32_t start, std::uint32_t end, const DeviceData& image) const {
    const Device& d = *device_;
    const auto step = d.addressUnitsPerInstruction();
    const auto wbs = d.writeBlockSize;
    const auto blockHasData = [&](std::uint32_t blockStart) {
        for (std::uint32_t a = blockStart; a < blockStart + wbs && a < end; a += step)
            if (!d.inBootloader(a) && !image.isBlankAt(a)) return true;
        return false;
    };

    RangeList ranges;
    std::uint32_t a = start;
    while (a < end) {
        while (a < end && (d.inBootloader(a) || image.isBlankAt(a)))
            a = d.inBootloader(a) ? d.bootloaderEnd : a + step;
        if (a >= end) break;
        std::uint32_t rangeStart = alignDown(a, wbs);
        std::uint32_t rangeEnd = rangeStart + wbs;
        while (rangeEnd < end && blockHasData(rangeEnd))
            rangeEnd += wbs;
        rangeEnd = std::min(rangeEnd, end);
        if (!d.supportsEraseCommand()) {
            // Without the erase command whole erase blocks are rewritten.
            rangeStart = std::max(alignDown(rangeStart, d.eraseBlockSize), start);
            rangeEnd = std::min(alignUp(rangeEnd, d.eraseBlockSize), end);
        }
        if (!ranges.empty() && rangeStart < ranges.back().end) rangeStart = ranges.back().end;
        if (rangeStart < rangeEnd) ranges.push_back({rangeStart, rangeEnd});
        a = rangeEnd;
    }
    return ranges;
}

RangeList WritePlanner::eraseBlocksOf(const RangeList& writes) const {
    const auto ebs = device_->eraseBlockSize;
    RangeList erase;
    std::vector<std::uint32_t> seen;
    for (const auto& write : writes) {
        for (auto block = alignDown(write.start, ebs); block < write.end; block += ebs) {
            if (std::find(seen.begin(), seen.end(), block) != seen.end()) continue;
            seen.push_back(block);
            if (!erase.empty() && erase.back().end == block)
                erase.back().end = block + ebs;
            else
                erase.push_back({block, block + ebs});
        }
    }
    return erase;
}

std::uint32_t WritePlanner::bytesPerWriteBlock() const {
    const Device& d = *device_;
    std::uint32_t bytes = d.writeBlockSize;
    if (d.familyId == Family::PIC16) bytes = d.writeBlockSize * 2;
    if (d.familyId == Family::PIC24) bytes = d.writeBlockSize * 3 / 2;
    return bytes + (d.capabilityBit8() ? 16 : 0);
}

std::uint32_t WritePlanner::maxWritePacket() const {
    const Device& d = *device_;
    const auto bytesPerBlock = bytesPerWriteBlock();
    const auto room = std::max<std::int64_t>(d.maxPacketSize() - 8, 0);
    // The request's block count is one byte: never more than 255 blocks.
    constexpr std::int64_t maxBlocks = 255;
    std::int64_t largest = room / d.writeBlockSize < 256 ? room : 256 * std::int64_t(bytesPerBlock);
    largest = std::min(largest, maxBlocks * bytesPerBlock);
    // At least one block per request, or nothing could ever be written.
    return static_cast<std::uint32_t>(std::max<std::int64_t>(largest, bytesPerBlock));
}

RangeList WritePlanner::splitIntoPackets(const RangeList& writes) const {
    const Device& d = *device_;
    const auto largest = maxWritePacket();
    debugLog(fmt::format("Max write packet size: {} bytes", largest));
    const auto blocksPerPacket = std::max<std::uint32_t>(largest / bytesPerWriteBlock(), 1);
    const auto extras = d.capabilityBit8() ? 16u : 0u;
    const auto piece = blocksPerPacket * d.writeBlockSize;

    RangeList packets;
    for (auto range : writes) {
        const auto blocks = (range.end - range.start + d.writeBlockSize - 1) / d.writeBlockSize;
        while (d.bytesInRange(range.start, range.end) + blocks * extras > largest &&
               range.end - range.start > piece) {
            packets.push_back({range.start, range.start + piece});
            range.start += piece;
        }
        packets.push_back(range);
    }
    return packets;
}

WritePlan WritePlanner::writePlan(std::uint32_t start, std::uint32_t end, const DeviceData& image) const {
    const Device& d = *device_;
    WritePlan plan;
    plan.write = writeRanges(start, end, image);

    if (d.familyId == Family::PIC32) {
        plan.erase = {{d.flashStart, d.flashEnd}};
    } else if (!plan.write.empty()) {
        if (d.supportsEraseCommand()) plan.erase = eraseBlocksOf(plan.write);
        if (d.familyId == Family::PIC24 && d.bootloaderEnd != 0) {
            // The block right after the bootloader says whether an application
            // is present: erase it first and write it last.
            const Range commitErase{d.bootloaderEnd, d.bootloaderEnd + d.eraseBlockSize};
            const auto erased = std::find_if(plan.erase.begin(), plan.erase.end(), [&](const Range& r) {
                return r.start >= commitErase.start && r.start < commitErase.end;
            });
            if (erased != plan.erase.end()) {
                erased->start += d.eraseBlockSize;
                removeEmpty(plan.erase);
                plan.erase.insert(plan.erase.begin(), commitErase);
            }
            const Range commitWrite{d.bootloaderEnd, d.bootloaderEnd + d.writeBlockSize};
            const auto written = std::find_if(plan.write.begin(), plan.write.end(), [&](const Range& r) {
                return r.start >= commitWrite.start && r.start < commitWrite.end;
            });
            if (written != plan.write.end()) {
                written->start += d.writeBlockSize;
                removeEmpty(plan.write);
                plan.write.push_back(commitWrite);
            }
        }
    }
    // Whatever the family, the bootloader's own blocks are never erased.
    plan.erase = protect(std::move(plan.erase));
    plan.write = splitIntoPackets(plan.write);
    return plan;
}

} // namespace AN1310
