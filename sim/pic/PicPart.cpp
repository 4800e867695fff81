#include "PicPart.h"

#include <algorithm>
#include <cctype>

namespace sim {

std::uint32_t PicPart::unitsPerWord() const {
    switch (family) {
    case PicFamily::PIC16:
        return 1;
    case PicFamily::PIC32:
        return 4;
    default:
        return 2;
    }
}

std::uint32_t PicPart::bytesPerWord() const {
    switch (family) {
    case PicFamily::PIC24:
        return 3;
    case PicFamily::PIC32:
        return 4;
    default:
        return 2;
    }
}

std::uint32_t PicPart::blankWord() const {
    switch (family) {
    case PicFamily::PIC16:
        return 0x3FFF;
    case PicFamily::PIC24:
        return 0xFFFFFF;
    case PicFamily::PIC32:
        return 0xFFFFFFFF;
    default:
        return 0xFFFF;
    }
}

std::uint32_t PicPart::packetBuffer(bool blockExtras) const {
    const std::uint32_t ram = ramEnd - ramStart;
    switch (family) {
    case PicFamily::PIC16:
        return 90; // a mid-range part keeps its buffer in one RAM bank
    case PicFamily::PIC24:
        return ram < 0x10000 ? ram - 1024 : 28672;
    case PicFamily::PIC32:
        return ram - 2048;
    default:
        return ram - (blockExtras ? 59 : 16);
    }
}

namespace {
// Parts that differ from one listed part only in name and device ID (more pins,
// same memories).
std::vector<PicPart> withSiblings(std::vector<PicPart> parts) {
    const struct {
        const char* name;
        const char* like;
        std::uint16_t deviceId;
    } siblings[] = {{"PIC18F4620", "PIC18F2620", 0x0C00 >> 5}};
    for (const auto& sibling : siblings)
        for (const PicPart& part : std::vector<PicPart>(parts))
            if (part.name == sibling.like) {
                PicPart copy = part;
                copy.name = sibling.name;
                copy.deviceId = sibling.deviceId;
                parts.push_back(copy);
            }
    return parts;
}
} // namespace

const std::vector<PicPart>& picParts() {
    // Values from the parts' data sheets and programming specifications; the
    // bootloader placement and timings are those of the bench's bootloader.
    static const std::vector<PicPart> parts = withSiblings({
        // name, family, device ID, revision, flash, EEPROM, user ID, configuration, RAM,
        // write block, erase block, bootloader, erase/write/EEPROM-byte times, shipped configuration
        {"PIC16F886", PicFamily::PIC16,
         0x2060 >> 5, 0x05,
         0x0000,      0x2000,
         0x2100,      0x2200,
         0x2000,      0x2004,
         0x2007,      0x2009,
         0x0020,      0x0190,
         8,           8,
         0x1E00,      0x0200,
         2000,        2000,
         5000,        {{0x2007, 0x3FFF}, {0x2008, 0x3FFF}}},
        {"PIC18F2620",
         PicFamily::PIC18,
         0x0C80 >> 5,
         0x07,
         0x0000,
         0x10000,
         0xF00000,
         0xF00400,
         0x200000,
         0x200008,
         0x300000,
         0x30000E,
         0x0000,
         0x0F80,
         64,
         64,
         0xFC00,
         0x0400,
         2000,
         2000,
         4000,
         {{0x300001, 0x07},
          {0x300002, 0x1F},
          {0x300003, 0x1F},
          {0x300005, 0x83},
          {0x300006, 0x85},
          {0x300008, 0x0F},
          {0x300009, 0xC0},
          {0x30000A, 0x0F},
          {0x30000B, 0xE0},
          {0x30000C, 0x0F},
          {0x30000D, 0x40}}},
        // The flash configuration words sit in the last two instructions of flash.
        {"PIC24FJ64GA002",
         PicFamily::PIC24,
         0x0447,
         0x003,
         0x0000,
         0xAC00,
         0,
         0,
         0,
         0,
         0xABFC,
         0xAC00,
         0x0800,
         0x2800,
         128,
         1024,
         0x0400,
         0x0800,
         20000,
         2000,
         0,
         {{0xABFC, 0x00F9DF}, {0xABFE, 0x003F7F}}},
        // The bootloader lives in boot flash, outside the program flash it serves.
        {"PIC32MX360F512L",
         PicFamily::PIC32,
         0x38,
         0x109,
         0x1D000000,
         0x1D080000,
         0,
         0,
         0,
         0,
         0x1FC02FF0,
         0x1FC03000,
         0x00000000,
         0x00008000,
         512,
         4096,
         0,
         0,
         20000,
         2000,
         0,
         {{0x1FC02FF0, 0xFFFFFFFF},
          {0x1FC02FF4, 0xFFF8FFD9},
          {0x1FC02FF8, 0xFF7F4DDB},
          {0x1FC02FFC, 0x7FFFFFFB}}},
    });
    return parts;
}

const PicPart* findPicPart(const std::string& name) {
    auto upper = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
        return s;
    };
    const auto wanted = upper(name);
    for (const auto& part : picParts())
        if (part.name == wanted) return &part;
    return nullptr;
}

} // namespace sim
