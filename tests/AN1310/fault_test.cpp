// Seeded faults at every step of a re-flash: each ends in an error the user
// can read, and a fresh session afterwards re-flashes the same chip.
#include "SessionBench.h"

#include <regex>
#include <set>

using namespace an1310test;

namespace {

struct FaultKind {
    const char* name;
    void (*inject)(sim::Module&);
};

// clang-format off
const FaultKind faultKinds[] = {
    {"Junk", [](sim::Module& m) { m.faults.junk = 0.05; }},
    {"Flips", [](sim::Module& m) { m.faults.flip = 0.05; }},
    {"Drops", [](sim::Module& m) { m.faults.drop = 0.05; }},
    {"Silence", [](sim::Module& m) { m.faults.silent = true; }},
    {"HostFlips", [](sim::Module& m) { m.faults.flip = 0.05, m.faults.hostToDevice = true; }},
    // Every platform call fails with an I/O error.
    {"Unplug", [](sim::Module& m) { m.failCalls(FTDI::IO_ERROR, 0, 0); }},
};

// Every message a failed re-flash may end with on a faulty line.
const std::set<std::string> lineFailures = {
    "AN1310: Bad Checksum", "AN1310: Read timeout", "AN1310: Received junk instead of STX",
    "Bootloader not found", "Writing flash failed", "Verifying flash failed", "Verifying EEPROM failed",
    "Failed to read byte from FTDI device",
};
// clang-format on

TEST(Faults, AtEveryStepEndInAClearErrorAndAFreshSessionReflashes) {
    for (const char* part : {"PIC16F886", "PIC18F2620", "PIC24FJ64GA002", "PIC32MX360F512L"})
        for (int faultStep = 0; faultStep < 4; ++faultStep) // before connect, erase, write and verify
            for (const auto& fault : faultKinds) {
                SCOPED_TRACE(fmt::format("{} step {} {}", part, faultStep, fault.name));
                PicBench pic{part};
                LogCapture logs;
                const auto hex = applicationHex(pic.part(), 11, 3000);
                const auto before = pic.flashWords();
                for (std::uint32_t seed : {1u, 2u, 3u}) {
                    SCOPED_TRACE(seed);
                    std::string message = "(no failure)";
                    try {
                        runSession(*pic.link, hex, [&](int step) {
                            if (step != faultStep) return;
                            pic.module->reseed(seed);
                            fault.inject(*pic.module);
                        });
                    } catch (const std::exception& e) {
                        message = e.what();
                    }
                    const std::string kind = fault.name;
                    if (kind == "Unplug")
                        EXPECT_TRUE(std::regex_match(message, std::regex("Unable to .*FTDI device.*")))
                            << message;
                    else if (kind == "Silence" && faultStep == 0)
                        EXPECT_EQ("Bootloader not found", message);
                    else
                        EXPECT_TRUE(lineFailures.count(message)) << message;
                    pic.module->faults = sim::Faults{};
                    pic.module->failCalls(FTDI::OK, 0, 0); // calls succeed again: the module is back

                    logs.clear();
                    runSession(*pic.link, hex);
                    EXPECT_EQ(0u, logs.status.back().rfind("Verify success (FLASH ", 0))
                        << logs.status.back();
                    pic.expectChipHolds(hex, before);
                }
            }
}

} // namespace
