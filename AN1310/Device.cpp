#include "Device.h"

namespace AN1310 {

void Device::applyFamilyValues() {
    switch (familyId) {
    case Family::PIC16:
        bytesPerAddress = 2;
        eepromAddressStep = 1;
        blankFlashWord = 0x3FFF;
        break;
    case Family::PIC24:
        bytesPerAddress = 2;
        eepromAddressStep = 2;
        blankFlashWord = 0xFFFFFF;
        // Stored in instruction words; the host works in address units.
        eraseBlockSize *= 2;
        writeBlockSize *= 2;
        break;
    case Family::PIC32:
        bytesPerAddress = 1;
        blankFlashWord = 0xFFFFFFFF;
        break;
    default:
        bytesPerAddress = 1;
        eepromAddressStep = 1;
        blankFlashWord = 0xFFFF;
        break;
    }
}

std::uint32_t Device::addressUnitsPerInstruction() const {
    if (familyId == Family::PIC16) return 1;
    if (familyId == Family::PIC32) return 4;
    return 2;
}

std::uint32_t Device::bytesInRange(std::uint32_t start, std::uint32_t end) const {
    if (isPic24Like()) return ((end - start) / 2) * 3;
    if (familyId == Family::PIC32) return end - start;
    return (end - start) * bytesPerAddress;
}

std::uint32_t Device::addressUnitsForBytes(std::uint32_t bytes) const {
    if (isPic24Like()) return bytesPerWordFlash ? (bytes / bytesPerWordFlash) * 2 : 0;
    return bytesPerAddress ? bytes / bytesPerAddress : 0;
}

bool Device::configInsideFlash() const {
    return familyId != Family::PIC16 && configEnd != 0 && configStart < flashEnd && configEnd <= flashEnd;
}

std::int64_t Device::maxPacketSize() const {
    const std::int64_t ram = static_cast<std::int64_t>(ramEnd) - ramStart;
    std::int64_t size;
    if (familyId == Family::PIC16)
        size = 90;
    else if (isPic24Like())
        size = ram < 0x10000 ? ram - 1024 : 28672;
    else if (familyId == Family::PIC32)
        size = ram - 2048;
    else
        size = ram - (capabilityBit8() ? 59 : 16);
    return size < 0 ? 0 : size;
}

std::uint32_t Device::flashIndex(std::uint32_t address) const {
    if (familyId == Family::PIC16) return address;
    if (familyId == Family::PIC32) return (address - flashStart) / 4;
    return address / 2;
}

std::uint32_t Device::wireBytesPerWord() const {
    if (isPic24Like()) return 3;
    if (familyId == Family::PIC32) return 4;
    return 2;
}

std::optional<Range> Device::configEraseBlock() const {
    if (!configInsideFlash() || flashEnd < eraseBlockSize) return std::nullopt;
    return Range{flashEnd - eraseBlockSize, flashEnd};
}

RangeList subtractRange(const RangeList& ranges, Range cut) {
    if (cut.start >= cut.end) return ranges;
    RangeList left;
    for (const auto& range : ranges) {
        if (range.end <= cut.start || range.start >= cut.end) {
            left.push_back(range);
            continue;
        }
        if (range.start < cut.start) left.push_back({range.start, cut.start});
        if (range.end > cut.end) left.push_back({cut.end, range.end});
    }
    return left;
}

} // namespace AN1310
