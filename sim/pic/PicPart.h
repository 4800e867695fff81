#pragma once
// Data-sheet geometry of the PIC microcontrollers the bench can put behind a
// simulated bootloader. Addresses are in the chip's own address units, as the
// bootloader's wire protocol uses them: words for PIC16, bytes for PIC18 and
// PIC32, and two units per 24-bit instruction for PIC24. PIC32 uses physical
// addresses (the bootloader accepts kernel-segment aliases too).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// The bootloader's family ID as its information block reports it.
enum class PicFamily : std::uint8_t {
    PIC16 = 2, // mid-range, 14-bit words
    PIC18 = 4,
    PIC24 = 5, // and dsPIC: 24-bit instructions
    PIC32 = 8,
};

struct PicPart {
    std::string name; // e.g. "PIC18F2620"
    PicFamily family = PicFamily::PIC18;
    std::uint16_t deviceId = 0; // the ID as the bootloader reports it (the DEV field of the ID register)
    std::uint16_t revision = 0;
    std::uint32_t flashStart = 0, flashEnd = 0;
    std::uint32_t eepromStart = 0, eepromEnd = 0; // eepromEnd 0: no EEPROM
    std::uint32_t userIdStart = 0, userIdEnd = 0;
    std::uint32_t configStart = 0, configEnd = 0;
    std::uint32_t ramStart = 0, ramEnd = 0;
    std::uint32_t writeBlock = 0; // address units
    std::uint32_t eraseBlock = 0; // address units
    // Where the bench's bootloader sits when the model gets no other range.
    std::uint32_t bootloaderStart = 0, bootloaderSize = 0;
    // Self-programming times.
    std::uint32_t eraseMicros = 0;      // one erase block
    std::uint32_t writeMicros = 0;      // one write block
    std::uint32_t eepromByteMicros = 0; // one EEPROM byte
    // Configuration memory as shipped: (address, value) per configuration word.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> configDefaults;

    std::uint32_t unitsPerWord() const; // 1, 2, 2, 4 for PIC16, PIC18, PIC24, PIC32
    std::uint32_t bytesPerWord() const; // 2, 2, 3, 4
    std::uint32_t blankWord() const;    // 0x3FFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF
    std::uint32_t eepromSize() const { return eepromEnd > eepromStart ? eepromEnd - eepromStart : 0; }
    // Bytes of program data on the wire for one write block.
    std::uint32_t writeBlockBytes() const { return writeBlock / unitsPerWord() * bytesPerWord(); }
    bool configInsideFlash() const {
        return family != PicFamily::PIC16 && configEnd != 0 && configStart < flashEnd &&
               configEnd <= flashEnd;
    }
    // Unescaped bytes between STX and ETX that the bootloader's buffer holds.
    std::uint32_t packetBuffer(bool blockExtras) const;
};

const std::vector<PicPart>& picParts();
// nullptr when the name is unknown (case-insensitive).
const PicPart* findPicPart(const std::string& name);

} // namespace sim
