#include "HexImport.h"

#include "DeviceReader.h"
#include "Log.h"

#include <algorithm>
#include <fmt/format.h>
#include <optional>
#include <string>

namespace AN1310 {

namespace {
enum RecordType : int {
    Data = 0x00,
    EndOfFile = 0x01,
    SegmentAddress = 0x02,
    LinearAddress = 0x04,
    BlockExtra = 0x40
};

int hexField(const std::string& line, std::size_t at, std::size_t digits) {
    return std::stoi(line.substr(at, digits), nullptr, 16);
}

bool within(std::uint32_t value, std::uint32_t start, std::uint32_t end) {
    return value >= start && value <= end;
}

// The device address a HEX byte address lands on, for the range listing.
std::optional<std::uint32_t> deviceAddress(const Device& device, std::uint32_t hexAddress) {
    const auto word = hexAddress / device.bytesPerAddress;
    if (within(word, device.flashStart, device.flashEnd)) return word;
    const auto other = device.familyId == Family::PIC16 ? hexAddress - device.flashStart : hexAddress;
    if (within(other, device.eepromStart, device.eepromEnd) ||
        within(other, device.configStart, device.configEnd) ||
        within(other, device.userIdStart, device.userIdEnd))
        return other;
    return std::nullopt;
}

void placeByte(DeviceData& image, std::uint32_t b, std::uint8_t byte) {
    const Device& device = *image.device;
    const bool pic24 = device.familyId == Family::PIC24;
    const std::uint32_t bytesPerWord = std::max<std::uint32_t>(device.bytesPerWordFlash, 1);
    const std::uint32_t lane = pic24 ? b % 4 : b % bytesPerWord;
    const std::uint32_t mask = ~(0xFFu << (8 * lane)) | (static_cast<std::uint32_t>(byte) << (8 * lane));

    if (within(b / device.bytesPerAddress, device.flashStart, device.flashEnd - 1) && device.flashEnd > 0) {
        const auto index = (b - device.flashStart) / (pic24 ? 4 : bytesPerWord);
        image.setFlashEntry(index, image.flashEntry(index) & mask);
    }
    if (device.familyId == Family::PIC16) b /= 2;
    if (!device.hasEeprom() || b < device.eepromStart) return;

    std::optional<std::uint32_t> index;
    std::uint32_t laneMask = mask;
    if (pic24) {
        if ((b / 2) - device.eepromStart < device.eepromEnd - device.eepromStart)
            index = ((b / 2) - device.eepromStart) / 2;
    } else if (b < device.eepromEnd) {
        index = b - device.eepromStart;
        if (device.familyId != Family::PIC16) laneMask = mask >> (8 * lane);
    }
    if (index && *index < image.eeprom.size()) image.eeprom[*index] &= laneMask;
}
} // namespace

bool importHex(DeviceData& image, std::istream& hex) {
    if (hex.fail()) return false;
    const Device& device = *image.device;
    image.preset();
    // One slot per write block at most; never more than the image can hold.
    std::size_t slots = 1;
    if (device.bytesPerWordFlash && device.flashEnd > device.flashStart)
        slots = (device.flashEnd - device.flashStart) / device.bytesPerWordFlash + 1;
    slots = std::min(slots, DeviceData::flashEntries + 1);
    image.blockExtras.clear();
    RangeList ranges;
    std::uint32_t extended = 0;

    constexpr std::streamsize maxLine = 4095;
    char buffer[maxLine + 1];
    while (!hex.fail()) {
        hex.getline(buffer, maxLine + 1);
        if (hex.bad() || (hex.fail() && hex.gcount() == 0)) break;
        std::string line(buffer);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 11 || line[0] != ':') continue;

        const auto count = static_cast<std::uint32_t>(hexField(line, 1, 2));
        const auto address = static_cast<std::uint32_t>(hexField(line, 3, 4));
        const auto type = hexField(line, 7, 2);
        const bool complete = line.size() >= 11 + 2 * count;
        const std::uint32_t absolute = extended + address;

        if (type == EndOfFile) break;
        if (type == SegmentAddress && complete && count >= 2) {
            extended = static_cast<std::uint32_t>(hexField(line, 9, 4)) * 16;
        } else if (type == LinearAddress && complete && count >= 2) {
            extended = static_cast<std::uint32_t>(hexField(line, 9, 4)) << 16;
        } else if (type == Data && complete) {
            // Addresses end at 2^32: bytes beyond would wrap onto the reset vector.
            const auto room = std::uint64_t{0x100000000} - absolute;
            const auto placed = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, room));
            if (placed < count)
                warningLog(fmt::format("Hex record at {:X} runs past the end of the address space: {} bytes "
                                       "dropped",
                                       absolute, count - placed));
            if (const auto start = deviceAddress(device, absolute)) {
                const auto endAddress = std::uint64_t{absolute} + count; // beyond 2^32 maps nowhere
                const auto end =
                    endAddress > 0xFFFFFFFF
                        ? 0
                        : deviceAddress(device, static_cast<std::uint32_t>(endAddress)).value_or(0);
                if (!ranges.empty() && ranges.back().end == *start)
                    ranges.back().end = end;
                else
                    ranges.push_back({*start, end});
            }
            for (std::uint32_t i = 0; i < placed; ++i)
                placeByte(image, absolute + i, static_cast<std::uint8_t>(hexField(line, 9 + 2 * i, 2)));
        } else if (type == BlockExtra && complete && count >= 16) {
            const auto block = absolute / std::max<std::uint32_t>(device.writeBlockSize, 1);
            if (block < slots) {
                std::array<std::uint8_t, 16> extras;
                for (std::size_t i = 0; i < extras.size(); ++i)
                    extras[i] = static_cast<std::uint8_t>(hexField(line, 9 + 2 * i, 2));
                image.blockExtras[block] = extras;
            }
        }
    }

    debugLog("Hex Import Address Ranges:");
    for (const auto& range : ranges)
        debugLog(fmt::format("  [{:X} - {:X})", range.start, range.end));
    return true;
}

bool hasResetGoto(const Device& device, const DeviceData& image) {
    const auto entry = [&](std::uint32_t i) { return image.flashEntry(i); };
    if (device.isPic24Like()) return (entry(0) & 0xFF0001) == 0x040000 && (entry(1) & 0xFFFF80) == 0;
    switch (device.familyId) {
    case Family::PIC16:
        for (std::uint32_t i = 0; i < 4; ++i)
            if ((entry(i) & 0x3800) == 0x2800) return true;
        return false;
    case Family::PIC32:
        // Its words at 0 and 4 lie below the flash and never hold the pair.
        return false;
    default:
        return (entry(0) & 0xFF00) == 0xEF00 && (entry(1) & 0xFF00) == 0xF000;
    }
}

void remapResetVector(const Device& device, DeviceData& image) {
    const auto bs = device.bootloaderStart;
    const auto blank = device.blankFlashWord;
    const bool jumps = hasResetGoto(device, image);
    const auto entry = [&](std::uint32_t i) { return image.flashEntry(i); };

    if (device.familyId == Family::PIC16) {
        const bool sequence =
            (entry(0) & 0x3F00) == 0x3000 && (entry(1) & 0x3FFF) == 0x008A && (entry(2) & 0x3800) == 0x2800;
        const auto target = (((entry(0) & 0xFF) << 8) | (entry(2) & 0x7FF)) - 3;
        if (sequence && target == bs) return;
        // The bootloader starts the application from the five words below it;
        // a bootloader lower than that leaves no room, and nothing is saved.
        if (bs >= 5) {
            const std::uint32_t saved[5] = {jumps ? 0x018Au : blank, jumps ? entry(0) : blank,
                                            jumps ? entry(1) : blank, jumps ? entry(2) : blank,
                                            jumps ? entry(3) : blank};
            for (std::uint32_t i = 0; i < 5; ++i)
                image.setFlashEntry(device.flashIndex(bs - 5 + i), saved[i]);
        }
        image.setFlashEntry(0, 0x3000 | (((bs + 3) >> 8) & 0xFF));
        image.setFlashEntry(1, 0x008A);
        image.setFlashEntry(2, 0x2800 | ((bs + 3) & 0x7FF));
        return;
    }

    const bool pic24 = device.isPic24Like();
    if (jumps) {
        const auto target =
            pic24 ? (((entry(1) & 0x7F) << 16) | (entry(0) & 0xFFFE))
                  : ((((entry(1) & 0xFFF) << 8) | (entry(0) & 0xFF)) * device.bytesPerWordFlash) - 2;
        if (target == bs) return;
    }
    const std::uint32_t saved0 = jumps ? entry(0) : blank;
    const std::uint32_t saved1 = jumps ? entry(1) : blank;
    const std::uint32_t savedAt = bs - 4;
    if (bs >= 4 && (device.familyId != Family::PIC32 || savedAt >= device.flashStart)) {
        const auto index = device.flashIndex(savedAt);
        image.setFlashEntry(index, saved0);
        image.setFlashEntry(index + 1, saved1);
    }
    if (pic24) {
        image.setFlashEntry(0, 0x040000 | (bs & 0xFFFE));
        image.setFlashEntry(1, (bs >> 16) & 0x7F);
    } else {
        const auto t = (bs + 2) / device.bytesPerWordFlash;
        image.setFlashEntry(0, 0xEF00 | (t & 0xFF));
        image.setFlashEntry(1, 0xF000 | ((t >> 8) & 0xFFF));
    }
}

namespace {
void routeTable(DeviceData& image, std::uint32_t start, const std::vector<std::uint32_t>& chipVectors,
                bool alternate) {
    const Device& device = *image.device;
    constexpr std::uint32_t blank = 0xFFFFFF;
    for (std::uint32_t i = 0; i < chipVectors.size(); ++i) {
        const auto vectorIndex = start / 2 + i;
        const auto d = chipVectors[i];
        const auto a = image.flashEntry(vectorIndex);
        if (d == a) continue;
        const std::uint32_t g0 = (a & 0xFFFF) + 0x040000;
        const std::uint32_t g1 = a >> 16;
        const auto slot = device.flashIndex(d);
        const auto e0 = d < device.flashEnd ? image.flashEntry(slot) : blank;
        const auto e1 = d < device.flashEnd ? image.flashEntry(slot + 1) : blank;
        if ((e0 == blank || e0 == g0) && (e1 == blank || e1 == g1)) {
            image.setFlashEntry(vectorIndex, d);
            if (d < device.flashEnd) {
                image.setFlashEntry(slot, g0);
                image.setFlashEntry(slot + 1, g1);
            }
        } else if (alternate) {
            warningLog(fmt::format("AIVT: {} - Flash memory at {:X} is not empty for IVT remapping.", i, d));
        } else {
            warningLog(
                fmt::format("IVT: {} - Flash memory at {:X} is not empty for IVT remap goto: {:06X} {:06X}",
                            i, d, g0, g1));
        }
    }
}
} // namespace

void remapInterruptVectors(DeviceReader& reader, DeviceData& image) {
    Device& device = *image.device;
    if (device.familyId != Family::PIC24) return;
    const auto readTable = [&](std::uint32_t start, std::uint32_t end) {
        std::vector<std::uint32_t> table(end > start ? (end - start) / 2 : 0, 0);
        if (!table.empty()) reader.readFlash(table, start, end);
        return table;
    };
    if (!device.chipIvt) {
        device.chipIvt = readTable(device.ivtStart, device.ivtEnd);
        device.chipAivt = readTable(device.aivtStart, device.aivtEnd);
    }
    if (device.ivtEnd >= device.ivtStart + 2) routeTable(image, device.ivtStart, *device.chipIvt, false);
    if (device.aivtEnd >= device.aivtStart + 2) routeTable(image, device.aivtStart, *device.chipAivt, true);
}

} // namespace AN1310
