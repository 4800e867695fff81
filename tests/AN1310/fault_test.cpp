// Seeded faults at every step of a re-flash: each ends in an error the user
// can read, and a fresh session afterwards re-flashes the same chip.
#include "SessionBench.h"

#include <set>

using namespace an1310test;

namespace {

const char* const steps[] = {"Connect", "Erase", "Write", "Verify"};

struct FaultKind {
    const char* name;
    double sim::Faults::*rate = nullptr; // set to 5 %
    bool hostToDevice = false;
    bool silent = false;
    bool unplug = false; // every platform call fails with an I/O error
};

// clang-format off
const FaultKind faultKinds[] = {
    {"Junk", &sim::Faults::junk}, {"Flips", &sim::Faults::flip}, {"Drops", &sim::Faults::drop},
    {"Silence", nullptr, false, true}, {"HostFlips", &sim::Faults::flip, true},
    {"Unplug", nullptr, false, false, true},
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

class Faults : public ::testing::TestWithParam<Case> {
protected:
    PicBench pic{GetParam().part};
    LogCapture logs;

    void inject(int step, std::uint32_t seed) {
        if (step != GetParam().step) return;
        const auto& kind = *GetParam().fault;
        auto& faults = pic.module->faults;
        if (kind.rate) faults.*kind.rate = 0.05;
        faults.hostToDevice = kind.hostToDevice;
        faults.silent = kind.silent;
        pic.module->reseed(seed);
        if (kind.unplug) pic.module->failCalls(FTDI::IO_ERROR, 0, 0);
    }

    // Runs a session with the fault injected before its step; returns the message it failed with.
    std::string failedSession(const std::string& hex, std::uint32_t seed) {
        try {
            runSession(*pic.link, hex, [&](int step) { inject(step, seed); });
        } catch (const AN1310::Exception& e) {
            return e.what();
        } catch (const FTDI::Exception& e) {
            return e.what();
        }
        return "(no failure)";
    }
};

TEST_P(Faults, EndInAClearErrorAndAFreshSessionReflashes) {
    const auto hex = applicationHex(pic.part(), 11, 3000);
    const auto before = pic.flashWords();
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        const auto message = failedSession(hex, seed);
        if (GetParam().fault->unplug) {
            EXPECT_EQ(0u, message.find("Unable to ")) << message;
            EXPECT_NE(std::string::npos, message.find("FTDI device")) << message;
        } else if (GetParam().fault->silent && GetParam().step == 0) {
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
