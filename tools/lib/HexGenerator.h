#pragma once
// Intel HEX images for PIC parts, deterministic from their inputs: a reset
// jump of the family's form (or none), seeded code, caller-supplied blocks of
// program data (such as a marked parameter block), EEPROM contents and
// configuration words. Output has CRLF line ends, 16-byte data records aligned
// to 16, type 04 records whenever the upper address changes (the first record
// is always ":020000040000FA") and ends with ":00000001FF".
//
// Addresses are in the part's address units, as devices.db holds them: words
// for family 2, bytes for families 4 and 8 (physical), two units per
// instruction for family 5. HEX byte addresses are twice the address for
// families 2 and 5 (family 5 carries four bytes per instruction, the fourth 0).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tools {

// Bootloader family IDs, numbered as the bootloader and devices.db number them.
enum PicFamily : int { PIC16 = 2, PIC18 = 4, PIC24 = 5, PIC32 = 8 };

struct HexPart {
    int family = PIC18;                           // a PicFamily
    std::uint32_t flashStart = 0, flashEnd = 0;   // [start, end)
    std::uint32_t eepromStart = 0, eepromEnd = 0; // eepromEnd 0: no EEPROM
};

struct HexRegion {
    std::uint32_t start = 0, end = 0; // [start, end), word aligned, inside flash
};

// Program data placed at a flash address. Family 4 and 8 take the bytes as
// they are; family 2 stores one byte per word as a RETLW table (0x34nn);
// family 5 packs three bytes per instruction.
struct HexBlock {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

struct HexImageRecipe {
    HexPart part;
    std::uint64_t seed = 0;             // selects the code words
    bool resetGoto = true;              // start flash with the family's jump to `entry`
    std::uint32_t entry = 0;            // jump target; 0: start of the first code region
    std::uint32_t interruptHandler = 0; // family 5: every IVT and AIVT vector's target; 0: no tables
    std::vector<HexRegion> code;        // filled with seeded instruction words
    std::vector<HexBlock> blocks;       // caller's data; wins over code and the reset jump
    std::vector<std::uint8_t> eeprom;   // EEPROM bytes from its start
    std::vector<std::pair<std::uint32_t, std::uint32_t>> config; // (address, value) configuration words
    unsigned recordBytes = 16;                                   // data bytes per record, 1 to 255
};

// Appends the image to `out`. Throws std::invalid_argument when the recipe
// does not fit the part (family, regions, blocks, EEPROM size, record size).
void appendHex(const HexImageRecipe& recipe, std::string& out);
std::string generateHex(const HexImageRecipe& recipe);

// The words of the family's reset jump to `entry`, as flash words from the
// start of flash (family 2: MOVLW/MOVWF PCLATH/GOTO; 4: GOTO; 5: GOTO; 8: J, NOP).
std::vector<std::uint32_t> resetJump(int family, std::uint32_t entry);

} // namespace tools
