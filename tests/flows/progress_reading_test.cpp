// Reading how far a re-flash has got from the lines its loader sends.
#include "flows/ProgressReading.h"

#include <gtest/gtest.h>

namespace {

// Each line, then what the dialog shows after it; the estimate never goes back.
void expectShown(const std::vector<std::pair<const char*, const char*>>& steps) {
    vantix::FlashProgress progress;
    for (const auto& [line, shown] : steps) {
        progress.read(line);
        EXPECT_EQ(progress.summary(), shown) << line;
    }
}

TEST(FlashProgress, An1310SessionMovesThroughItsPhasesByTheAddressesItNames) {
    expectShown({
        {"Connecting...", "Connecting (1 %)"},
        {"PIC18F2620 Revision 7", "Connecting (1 %)"},
        {"Erasing (FC00 to 0]", "Erasing (2 %)"},
        {"[DeviceWriter] Erasing address: 7DC0", "Erasing (16 %)"}, // half way down
        {"Erase device complete (4269ms)", "Writing (30 %)"},
        // The writer erases what it writes, top down, then writes bottom up.
        {"[DeviceWriter] Erasing address: 300", "Writing (30 %)"},
        {"[DeviceWriter] Erasing address: 100", "Writing (35 %)"},
        {"[DeviceWriter] Erasing address: 0", "Writing (38 %)"},
        {"[DeviceWriter] Erasing address: FBC0", "Writing (38 %)"},
        {"[DeviceWriter] Writing address: 200", "Writing (50 %)"},    // past 2 of the 4 erased places
        {"[DeviceWriter] Writing address: F00000", "Writing (63 %)"}, // the EEPROM, beyond the flash
        {"[DeviceWriter] Writing address: 100", "Writing (63 %)"},
        {"Write complete (FLASH 4859ms, EEPROM 4191ms)", "Verifying (92 %)"},
        {"Verify success (FLASH 292ms, EEPROM 195ms)", "Verifying (98 %)"},
        {"Programming complete. Resetting encoder...", "Restarting (99 %)"},
    });
}

TEST(FlashProgress, BlockBootloaderCountsItsBlocksAndGarbledLinesChangeNothing) {
    expectShown({
        {"Writing block 56/113", "Writing (28 %)"},
        {"Writing block 56/0", "Writing (28 %)"},
        {"Writing block x/113", "Writing (28 %)"},
        {"[DeviceWriter] Writing address: ", "Writing (28 %)"},
        {"Erasing (FC00 to", "Writing (28 %)"},
        {"Verify block 112/113", "Verifying (97 %)"},
        {"Writing block 5/113", "Verifying (97 %)"},
    });
}

} // namespace
