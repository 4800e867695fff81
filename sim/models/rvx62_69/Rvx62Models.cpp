#include "Rvx62Models.h"

namespace sim {

// part, code, bits, multi-turn, zero, RS-485 rate, firmware
const TerseModel rvx62Model{"RVX62",
                            "RVX62_69",
                            "PIC16F886",
                            {{"RVX622B", 0xC9, 14, false, true, 0, 0x04},
                             {"RVX622A", 0xC8, 12, false, true, 0, 0x04},
                             {"RVX622C", 0xCA, 12, false, false, 0, 0x04},
                             {"RVX622D", 0xCB, 14, false, false, 0, 0x04},
                             {"RVX623A", 0xCC, 12, false, true, 0, 0x04},
                             {"RVX623B", 0xCD, 14, false, true, 0, 0x04},
                             {"RVX623C", 0xCE, 12, false, false, 0, 0x04},
                             {"RVX623D", 0xCF, 14, false, false, 0, 0x04}},
                            false,
                            true};

// The prototype (code 0x55) is reached with the code option.
const TerseModel rvx69Model{"RVX69",
                            "RVX62_69",
                            "PIC16F886",
                            {{"RVX692A", 0x46, 12, false, true, 0, 0x04},
                             {"RVX692B", 0x47, 14, false, true, 0, 0x04},
                             {"RVX692C", 0x48, 12, false, false, 0, 0x04},
                             {"RVX692D", 0x49, 14, false, false, 0, 0x04},
                             {"RVX693A", 0x4A, 12, false, true, 0, 0x04},
                             {"RVX693B", 0x4B, 14, false, true, 0, 0x04},
                             {"RVX693C", 0x4C, 12, false, false, 0, 0x04},
                             {"RVX693D", 0x4D, 14, false, false, 0, 0x04}},
                            false,
                            true};

} // namespace sim
