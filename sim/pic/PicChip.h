#pragma once
// The memories of a simulated PIC: program flash, data EEPROM, configuration,
// user ID and device ID, with the chip's self-programming primitives. The
// bootloader (An1310Bootloader) and the encoder firmware models that embed the
// chip work on it; tests inspect it directly.
#include "PicPart.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <vector>

namespace sim {

class PicChip {
public:
    // A chip with blank flash and EEPROM and the part's shipped configuration.
    explicit PicChip(PicPart part);

    const PicPart& part() const { return part_; }

    // Flash, addressed in address units. Reading outside flash gives the blank word.
    bool inFlash(std::uint32_t address) const {
        return address >= part_.flashStart && address < part_.flashEnd;
    }
    std::uint32_t flashWord(std::uint32_t address) const;
    void setFlashWord(std::uint32_t address, std::uint32_t value); // as a device programmer would
    bool isBlank(std::uint32_t start, std::uint32_t end) const;
    // Program bytes of [start, end) as the wire carries them (bytes per word, low byte first).
    std::vector<std::uint8_t> flashBytes(std::uint32_t start, std::uint32_t end) const;

    // Self-programming. Erasing sets an erase block (the one holding `address`)
    // to blank words. Programming a write block clears bits only, as flash
    // does, unless `replace` (a bootloader that erases the row itself first).
    void eraseBlock(std::uint32_t address);
    void programBlock(std::uint32_t address, std::span<const std::uint8_t> bytes, bool replace = false);
    // A worn-out flash word: self-programming no longer changes it (its bits
    // stay erased), though the bootloader acknowledges the write as usual.
    void wearOut(std::uint32_t address) { worn_.insert(flashOffset(address) / part_.bytesPerWord()); }

    // Data EEPROM, by offset from its start.
    std::uint32_t eepromSize() const { return static_cast<std::uint32_t>(eeprom_.size()); }
    std::uint8_t eeprom(std::uint32_t offset) const { return eeprom_.at(offset); }
    void setEeprom(std::uint32_t offset, std::uint8_t value) { eeprom_.at(offset) = value; }
    std::span<std::uint8_t> eepromData() { return eeprom_; }
    // Self-programming of EEPROM bytes from `offset`; worn-out cells keep
    // what they held.
    void programEeprom(std::uint32_t offset, std::span<const std::uint8_t> bytes);
    void wearOutEeprom(std::uint32_t offset) { wornEeprom_.insert(offset); }
    std::span<const std::uint8_t> eepromData() const { return eeprom_; }

    // Reads `granules` read units from any address as the bootloader's read
    // request returns them: one byte per unit for PIC18, otherwise one
    // word (2, 3 or 4 bytes) per word address. Flash, configuration, user ID
    // and the device-ID register are readable; unimplemented memory reads 0.
    std::vector<std::uint8_t> read(std::uint32_t address, std::uint32_t granules) const;
    // Bytes per read granule and address units it spans.
    std::uint32_t readGranuleBytes() const;
    std::uint32_t readGranuleUnits() const;
    // Non-flash words (configuration, user ID, device ID), by address.
    std::optional<std::uint32_t> specialWord(std::uint32_t address) const;
    void setSpecialWord(std::uint32_t address, std::uint32_t value) { special_[address] = value; }

    // Where an application's start jump lives and whether it is a jump: the
    // saved jump below the bootloader (PIC16, PIC18, PIC24 with the bootloader in
    // flash), otherwise the first word of flash.
    bool hasValidApplication(std::uint32_t bootloaderStart) const;
    std::optional<std::uint32_t> applicationEntry(std::uint32_t bootloaderStart) const;

    // Puts a bootloader into [start, start + size): fills it with code and
    // makes the reset vector jump into it, as the factory programmer does.
    void installBootloader(std::uint32_t start, std::uint32_t size);
    // Leaves a small application at `entry` and the start jump to it where the
    // bootloader looks for it, as a completed re-flash does.
    void installApplication(std::uint32_t bootloaderStart, std::uint32_t entry);

    // Programs an Intel HEX image directly, as a device programmer would
    // (flash, EEPROM, configuration); the rest stays as it is. Throws
    // std::invalid_argument on a malformed record.
    void programHex(std::string_view text);

private:
    std::size_t flashOffset(std::uint32_t address) const;

    PicPart part_;
    std::vector<std::uint8_t> flash_; // wire bytes, bytesPerWord per word
    std::vector<std::uint8_t> eeprom_;
    std::map<std::uint32_t, std::uint32_t> special_;
    std::set<std::size_t> worn_; // word indexes
    std::set<std::uint32_t> wornEeprom_;
};

} // namespace sim
