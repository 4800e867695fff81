#include "Rvx65Models.h"

namespace sim {

// part, code, bits, multi-turn, zero, RS-485 rate, firmware
const TerseModel rvx65Model{"RVX65",
                            "RVX65",
                            "PIC18F2620",
                            {{"RVX652E", 0xF1, 12, false, true, 115200, 0x1B},
                             {"RVX652F", 0xF2, 14, false, true, 115200, 0x1B},
                             {"RVX652G", 0xF3, 12, true, false, 115200, 0x1B},
                             {"RVX652H", 0xF4, 14, true, false, 115200, 0x1B},
                             {"RVX653E", 0xF5, 12, false, true, 115200, 0x1B},
                             {"RVX653F", 0xF6, 14, false, true, 115200, 0x1B},
                             {"RVX653G", 0xF7, 12, true, false, 115200, 0x1B},
                             {"RVX653H", 0xF8, 14, true, false, 115200, 0x1B},
                             {"RVX652A", 0xC0, 12, false, true, 2000000, 0x16},
                             {"RVX652B", 0xC1, 14, false, true, 2000000, 0x16},
                             {"RVX652C", 0xC2, 12, true, false, 2000000, 0x16},
                             {"RVX652D", 0xC3, 14, true, false, 2000000, 0x16},
                             {"RVX653A", 0xC4, 12, false, true, 2000000, 0x16},
                             {"RVX653B", 0xC5, 14, false, true, 2000000, 0x16},
                             {"RVX653C", 0xC6, 12, true, false, 2000000, 0x16},
                             {"RVX653D", 0xC7, 14, true, false, 2000000, 0x16}},
                            true,
                            false};

const TerseModel rvx68Model{"RVX68",
                            "RVX68",
                            "PIC18F2620",
                            {{"RVX682B", 0xD1, 14, false, true, 0, 0x11},
                             {"RVX682A", 0xD0, 12, false, true, 0, 0x11},
                             {"RVX683A", 0xD4, 12, false, true, 0, 0x11},
                             {"RVX683B", 0xD5, 14, false, true, 0, 0x11}},
                            true,
                            false};

} // namespace sim
