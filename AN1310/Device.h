#pragma once
// What the host knows about one microcontroller: its geometry from devices.db,
// the bootloader's range and capabilities, and the quantities derived from
// them. Addresses are in the device's address units (bytes for PIC18 and
// PIC32, words for PIC16 and PIC24); ranges are half open.
#include "Family.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace AN1310 {

struct ConfigSetting {
    std::string name;
    std::string cname;
    std::string description;
    std::uint32_t bitMask = 0;
    std::uint32_t bitValue = 0;
};

struct ConfigField {
    std::uint32_t rowId = 0;
    std::string name;
    std::string cname;
    std::string description;
    std::vector<ConfigSetting> settings;
};

struct ConfigWord {
    std::uint32_t rowId = 0;
    std::string name;
    std::uint32_t address = 0;
    std::uint32_t defaultValue = 0;
    std::uint32_t implementedBits = 0;
    std::vector<ConfigField> fields;
};

struct Range {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool operator==(const Range&) const = default;
};
using RangeList = std::vector<Range>;

struct Device {
    std::uint32_t deviceId = 0;
    Family familyId = Family::Any;
    std::uint32_t capabilities = 0;
    std::string partName;
    std::uint32_t eepromAddressStep = 1;
    std::uint32_t bytesPerWordFlash = 2;
    std::uint32_t bytesPerAddress = 1;
    std::uint32_t eraseBlockSize = 1024;
    std::uint32_t writeBlockSize = 64;
    std::uint32_t blankFlashWord = 0xFFFFFFFF;
    std::uint32_t flashStart = 0, flashEnd = 0;
    std::uint32_t bootloaderStart = 0, bootloaderEnd = 0;
    std::uint32_t ivtStart = 4, ivtEnd = 0x100;
    std::uint32_t aivtStart = 0x104, aivtEnd = 0x200;
    std::uint32_t eepromStart = 0, eepromEnd = 0;
    std::uint32_t userIdStart = 0, userIdEnd = 0;
    std::uint32_t configStart = 0, configEnd = 0;
    std::uint32_t ramStart = 0, ramEnd = 0;
    std::vector<ConfigWord> configWords;
    std::optional<std::vector<std::uint32_t>> chipIvt;
    std::optional<std::vector<std::uint32_t>> chipAivt;

    // Back to the values before any lookup.
    void reset() { *this = Device{}; }
    // Bytes per address, EEPROM step, blank word and block units of the family.
    void applyFamilyValues();

    bool isPic24Like() const { return AN1310::isPic24Like(familyId); }
    std::uint32_t addressUnitsPerInstruction() const;
    std::uint32_t bytesInRange(std::uint32_t start, std::uint32_t end) const;
    std::uint32_t addressUnitsForBytes(std::uint32_t bytes) const;
    bool hasEeprom() const { return eepromEnd > 0; }
    bool configInsideFlash() const;
    bool supportsEraseCommand() const { return familyId != Family::PIC16 || (capabilities & 1) != 0; }
    bool capabilityBit8() const { return ((capabilities >> 8) & 1) != 0; }
    // Largest packet the bootloader's RAM takes, in bytes; never below 0.
    std::int64_t maxPacketSize() const;

    // Flash words: index into a memory image for a device address, and the
    // bytes one word takes on the wire (a word spans one instruction's units).
    std::uint32_t flashIndex(std::uint32_t address) const;
    std::uint32_t wireBytesPerWord() const;
    bool inBootloader(std::uint32_t address) const {
        return address >= bootloaderStart && address < bootloaderEnd;
    }
    // The erase block that holds the configuration when it lies inside flash.
    std::optional<Range> configEraseBlock() const;
};

// Ranges minus one range: what is left of each, in order.
RangeList subtractRange(const RangeList& ranges, Range cut);

} // namespace AN1310
