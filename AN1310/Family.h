#pragma once
// The bootloader families the host tells apart, by the family ID that the
// information block and devices.db carry.
#include <cstdint>

namespace AN1310 {

enum class Family : std::uint32_t {
    Any = 0,   // in a database lookup: whatever family the row has
    PIC16 = 2, // mid-range: 14-bit words, MOVLW/MOVWF PCLATH/GOTO reset sequence
    PIC18 = 4, // 16-bit instructions, byte addressing; the default
    PIC24 = 5, // 24-bit instructions, two address units each, interrupt vector tables
    PIC32 = 8, // device ID register at 0xBF80F220, physical flash addresses
};

// IDs 6 and 7 are sized like PIC24 parts.
inline bool isPic24Like(Family family) {
    return family >= Family::PIC24 && family <= Family{7};
}

} // namespace AN1310
