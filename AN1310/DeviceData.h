#pragma once
// A memory image of one device: one entry per flash word and per EEPROM
// location, preset to the erased value, plus the 16 block extras per write
// block that some bootloaders take. The arrays have fixed sizes; every access
// is checked, so a device or a HEX record beyond them never writes outside.
#include "Device.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace AN1310 {

class DeviceData {
public:
    static constexpr std::size_t flashEntries = 131072;
    static constexpr std::size_t eepromEntries = 1024;
    // What an erased EEPROM location reads as.
    static constexpr std::uint32_t blankEepromWord = 0xFFFFFFFF;

    explicit DeviceData(Device* device);

    // Every flash and EEPROM entry := its blank word.
    void preset();

    Device* device;
    std::vector<std::uint32_t> flash;
    std::vector<std::uint32_t> eeprom;
    // Only the write blocks whose HEX carries extras, by block number: most
    // images have none, and one slot per block would cost megabytes per load.
    std::map<std::uint32_t, std::array<std::uint8_t, 16>> blockExtras;

    // The flash word at a device address; the blank word outside the image.
    std::uint32_t flashWord(std::uint32_t address) const;
    // Entry by index; the blank word outside the image.
    std::uint32_t flashEntry(std::uint32_t index) const;
    void setFlashEntry(std::uint32_t index, std::uint32_t value);
    std::uint32_t eepromEntry(std::uint32_t index) const;

    bool isBlankAt(std::uint32_t address) const {
        return (flashWord(address) & device->blankFlashWord) == device->blankFlashWord;
    }
};

// True when the device's flash and EEPROM fit the image's fixed arrays, its
// flash words fit their entries and its blocks fit the image.
bool fitsMemoryImage(const Device& device);

} // namespace AN1310
