// Seeded faults at every step of a re-flash: each ends in an error the user
// can read, and a fresh session afterwards re-flashes the same chip.
#include "SessionBench.h"

#include <set>

using namespace an1310test;

namespace {

const char* const steps[] = {"Connect", "Erase", "Write", "Verify"};

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

struct Case {
    const char* part;
    int step; // index into `steps`: the fault starts before it
    const FaultKind* fault;
};

class Faults : public ::testing::TestWithParam<Case> {};

TEST_P(Faults, EndInAClearErrorAndAFreshSessionReflashes) {
    const auto& [part, faultStep, fault] = GetParam();
    const std::string kind = fault->name;
    PicBench pic{part};
    LogCapture logs;
    const auto hex = applicationHex(pic.part(), 11, 3000);
    const auto before = pic.flashWords();
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::string message = "(no failure)";
        try {
            runSession(*pic.link, hex, [&, faultStep = faultStep, fault = fault](int step) {
                if (step != faultStep) return;
                pic.module->reseed(seed);
                fault->inject(*pic.module);
            });
        } catch (const AN1310::Exception& e) {
            message = e.what();
        } catch (const FTDI::Exception& e) {
            message = e.what();
        }
        if (kind == "Unplug") {
            EXPECT_EQ(0u, message.find("Unable to ")) << message;
            EXPECT_NE(std::string::npos, message.find("FTDI device")) << message;
        } else if (kind == "Silence" && faultStep == 0) {
            EXPECT_EQ("Bootloader not found", message);
        } else {
            EXPECT_TRUE(lineFailures.count(message)) << message;
        }
        pic.module->faults = sim::Faults{};
        pic.module->failCalls(FTDI::OK, 0, 0); // calls succeed again: the module is back

        logs.clear();
        runSession(*pic.link, hex);
        EXPECT_EQ(0u, logs.status.back().rfind("Verify success (FLASH ", 0)) << logs.status.back();
        pic.expectChipHolds(hex, before);
    }
}

std::vector<Case> cases() {
    std::vector<Case> all;
    for (const char* part : {"PIC16F886", "PIC18F2620", "PIC24FJ64GA002", "PIC32MX360F512L"})
        for (int step = 0; step < 4; ++step)
            for (const auto& fault : faultKinds)
                all.push_back({part, step, &fault});
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryStep, Faults, ::testing::ValuesIn(cases()), [](const auto& info) {
    return std::string(info.param.part) + "_" + steps[info.param.step] + "_" + info.param.fault->name;
});

} // namespace
