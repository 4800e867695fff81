#include "DeviceData.h"

#include <algorithm>

namespace AN1310 {

DeviceData::DeviceData(Device* device)
    : device(device), flash(flashEntries, device->blankFlashWord), eeprom(eepromEntries, blankEepromWord) {}

void DeviceData::preset() {
    std::fill(flash.begin(), flash.end(), device->blankFlashWord);
    std::fill(eeprom.begin(), eeprom.end(), blankEepromWord);
}

std::uint32_t DeviceData::flashWord(std::uint32_t address) const {
    if (device->familyId == Family::PIC32 && address < device->flashStart) return device->blankFlashWord;
    return flashEntry(device->flashIndex(address));
}

std::uint32_t DeviceData::flashEntry(std::uint32_t index) const {
    return index < flash.size() ? flash[index] : device->blankFlashWord;
}

void DeviceData::setFlashEntry(std::uint32_t index, std::uint32_t value) {
    if (index < flash.size()) flash[index] = value;
}

std::uint32_t DeviceData::eepromEntry(std::uint32_t index) const {
    return index < eeprom.size() ? eeprom[index] : blankEepromWord;
}

bool fitsMemoryImage(const Device& device) {
    if (device.flashEnd > device.flashStart) {
        const auto lastWord = device.flashEnd - device.addressUnitsPerInstruction();
        if (device.familyId == Family::PIC32 ? (lastWord - device.flashStart) / 4 >= DeviceData::flashEntries
                                             : device.flashIndex(lastWord) >= DeviceData::flashEntries)
            return false;
    }
    if (device.hasEeprom() && device.eepromEnd > device.eepromStart &&
        (device.eepromEnd - device.eepromStart) / device.eepromAddressStep > DeviceData::eepromEntries)
        return false;
    // A block larger than the whole image, or one past the flash's end beyond
    // 32-bit addresses, would make the block arithmetic of planning, writing
    // and verifying wrap around (and loop for ever).
    const std::uint64_t imageUnits =
        std::uint64_t(DeviceData::flashEntries) * device.addressUnitsPerInstruction();
    const std::uint64_t largestBlock = std::max(device.eraseBlockSize, device.writeBlockSize);
    if (largestBlock > imageUnits || device.flashEnd + largestBlock > 0xFFFFFFFF) return false;
    // A flash entry holds one word; the bytes of a wider one would be shifted out of it.
    constexpr auto entryBytes = sizeof(decltype(DeviceData::flash)::value_type);
    return device.eraseBlockSize != 0 && device.writeBlockSize != 0 && device.bytesPerWordFlash != 0 &&
           device.bytesPerWordFlash <= entryBytes;
}

} // namespace AN1310
