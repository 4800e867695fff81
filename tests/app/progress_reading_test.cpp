// Reading how far a re-flash or an acquisition has got from what it reports.
#include "app/ProgressReading.h"

#include <gtest/gtest.h>

namespace {

using vantix::FlashPhase;

struct Step {
    const char* line;
    const char* shown; // the dialog's summary after the line
};

void expectShown(const std::vector<Step>& steps) {
    vantix::FlashProgress progress;
    for (const Step& step : steps) {
        progress.read(step.line);
        EXPECT_EQ(progress.summary(), step.shown) << step.line;
    }
}

TEST(FlashProgress, An1310SessionMovesThroughItsPhasesByTheAddressesItNames) {
    expectShown({
        {"Connecting...", "Connecting (1 %)"},
        {"Timed out waiting for sync, sending another STX. timeout: 2", "Connecting (1 %)"},
        {"PIC18F2620 Revision 7", "Connecting (1 %)"},
        {"Erasing (FC00 to 0]", "Erasing (2 %)"},
        {"[DeviceWriter] Erasing address: 7DC0", "Erasing (16 %)"}, // half way down
        {"[DeviceWriter] Erasing address: C0", "Erasing (29 %)"},
        {"Erase device complete (4269ms)", "Writing (30 %)"},
        // The writer erases what it writes, top down, then writes bottom up.
        {"[DeviceWriter] Erasing address: 300", "Writing (30 %)"},
        {"[DeviceWriter] Erasing address: 100", "Writing (35 %)"},
        {"[DeviceWriter] Erasing address: 0", "Writing (38 %)"},
        {"[DeviceWriter] Erasing address: FBC0", "Writing (38 %)"},
        {"[DeviceWriter] Writing address: 0", "Writing (38 %)"},
        {"[DeviceWriter] Writing address: 200", "Writing (50 %)"}, // past 2 of the 4 erased places
        {"[DeviceVerifier] Verify failed in address range 200 - 240", "Writing (50 %)"},
        {"[DeviceWriter] Writing address: FBC0", "Writing (56 %)"},
        {"[DeviceWriter] Writing address: F00000", "Writing (63 %)"}, // the EEPROM, beyond the flash
        {"[DeviceWriter] Writing address: 100", "Writing (63 %)"},    // never back
        {"Write complete (FLASH 4859ms, EEPROM 4191ms)", "Verifying (92 %)"},
        {"[DeviceReader] Reading address: F00000", "Verifying (92 %)"},
        {"Verify success (FLASH 292ms, EEPROM 195ms)", "Verifying (98 %)"},
        {"Programming complete. Resetting encoder...", "Restarting (99 %)"},
    });
}

TEST(FlashProgress, WritesWithoutTheirOwnEraseAreMeasuredAgainstTheErasedFlash) {
    expectShown({
        {"Erasing (1000 to 200]", "Erasing (2 %)"},
        {"Erasing (2000 to 1800]", "Erasing (2 %)"}, // one span, 200 to 2000
        {"Erase device complete (10ms)", "Writing (30 %)"},
        {"[DeviceWriter] Writing address: 1100", "Writing (50 %)"},
        {"Erasing (3000 to 2000]", "Writing (50 %)"}, // a late erase list changes nothing
    });
}

TEST(FlashProgress, BlockBootloaderCountsItsBlocksAndGarbledLinesChangeNothing) {
    expectShown({
        {"device/rev: 1234", "Connecting (0 %)"},
        {"Writing block 0/113", "Writing (3 %)"},
        {"Writing block 56/113", "Writing (28 %)"},
        {"Writing block 56/0", "Writing (28 %)"},
        {"Writing block x/113", "Writing (28 %)"},
        {"[DeviceWriter] Writing address: ", "Writing (28 %)"},
        {"Erasing (FC00 to", "Writing (28 %)"},
        {"Verify block 0/113", "Verifying (55 %)"},
        {"Verify block 112/113", "Verifying (97 %)"},
        {"Writing block 5/113", "Verifying (97 %)"},
        {"Programming complete. Resetting encoder...", "Restarting (99 %)"},
    });
}

TEST(AcquisitionProgress, SettingsThenOneStepPerSampleRowNeverFull) {
    vantix::AcquisitionProgress progress;
    EXPECT_EQ(progress.summary(), "Reading settings");
    progress.step();
    progress.step();
    EXPECT_EQ(progress.summary(), "Acquiring samples: 0 of 128");
    for (int i = 0; i < 63; ++i)
        progress.step();
    EXPECT_EQ(progress.percent(), 50);
    for (int i = 0; i < 70; ++i)
        progress.step();
    EXPECT_EQ(progress.summary(), "Acquiring samples: 128 of 128");
    EXPECT_EQ(progress.percent(), 99); // the dialog's end is for the flow to reach
}

} // namespace
