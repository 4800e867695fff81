// Seeded faults at every step of a re-flash: each ends in an error the user
// can read, and a fresh session afterwards re-flashes the same chip.
#include "SessionBench.h"

#include <set>
#include <sstream>

using namespace an1310test;

namespace {

enum class Step { Connect, Erase, Write, Verify };
enum class Fault { Junk, Flips, Drops, Silence, HostFlips, Unplug };

struct Case {
    const char* part;
    Step step;
    Fault fault;
};

std::string name(const Case& c) {
    static const char* steps[] = {"Connect", "Erase", "Write", "Verify"};
    static const char* faults[] = {"Junk", "Flips", "Drops", "Silence", "HostFlips", "Unplug"};
    return std::string(c.part) + "_" + steps[int(c.step)] + "_" + faults[int(c.fault)];
}

// Every message a failed re-flash may end with on a faulty line.
const std::set<std::string> lineFailures = {
    "AN1310: Bad Checksum",
    "AN1310: Read timeout",
    "AN1310: Received junk instead of STX",
    "Bootloader not found",
    "Writing flash failed",
    "Verifying flash failed",
    "Verifying EEPROM failed",
    "Failed to read byte from FTDI device",
};

class Faults : public ::testing::TestWithParam<Case> {
protected:
    PicBench pic{GetParam().part};
    LogCapture logs;

    void inject(std::uint32_t seed) {
        auto& faults = pic.module->faults;
        pic.module->reseed(seed);
        switch (GetParam().fault) {
        case Fault::Junk:
            faults.junk = 0.05;
            break;
        case Fault::Flips:
            faults.flip = 0.05;
            break;
        case Fault::Drops:
            faults.drop = 0.05;
            break;
        case Fault::Silence:
            faults.silent = true;
            break;
        case Fault::HostFlips:
            faults.hostToDevice = true;
            faults.flip = 0.05;
            break;
        case Fault::Unplug:
            pic.module->failCalls(FTDI::IO_ERROR, 0, 0); // every call from now on
            break;
        }
    }

    void heal() {
        pic.module->faults = sim::Faults{};
        pic.module->failCalls(FTDI::OK, 0, 0); // calls succeed again: the module is back
    }

    // Runs a session with the fault injected before `step`; returns the message it failed with.
    std::string failedSession(const std::string& hex, std::uint32_t seed) {
        AN1310::BootloadSession session(*pic.link);
        std::istringstream in(hex);
        try {
            const auto step = GetParam().step;
            if (step == Step::Connect) inject(seed);
            session.connect();
            session.loadImage(in);
            if (step == Step::Erase) inject(seed);
            session.erase();
            if (step == Step::Write) inject(seed);
            session.write();
            if (step == Step::Verify) inject(seed);
            session.verify();
            session.runApplication();
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
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const auto message = failedSession(hex, seed);
        if (GetParam().fault == Fault::Unplug) {
            EXPECT_EQ(0u, message.find("Unable to ")) << message;
            EXPECT_NE(std::string::npos, message.find("FTDI device")) << message;
        } else {
            EXPECT_TRUE(lineFailures.count(message)) << "seed " << seed << ": " << message;
        }
        if (GetParam().fault == Fault::Silence && GetParam().step == Step::Connect) {
            EXPECT_EQ("Bootloader not found", message);
        }
        heal();

        logs.clear();
        AN1310::BootloadSession session(*pic.link);
        std::istringstream in(hex);
        session.connect();
        session.loadImage(in);
        session.erase();
        session.write();
        session.verify();
        session.runApplication();
        EXPECT_EQ(0u, logs.status.back().rfind("Verify success (FLASH ", 0)) << logs.status.back();
        const auto& chip = pic.chip();
        sim::PicChip expected(pic.part());
        expected.programHex(hex);
        for (std::uint32_t i = 0; i < chip.eepromSize(); ++i)
            ASSERT_EQ(expected.eeprom(i), chip.eeprom(i));
        const auto unit = pic.part().unitsPerWord();
        const auto from = codeStart(pic.part()) + 0x40 * unit;
        for (auto a = from; a < from + 0x200 * unit; a += unit)
            ASSERT_EQ(expected.flashWord(a), chip.flashWord(a)) << std::hex << a;
    }
}

std::vector<Case> cases() {
    std::vector<Case> all;
    for (const char* part : {"PIC16F886", "PIC18F2620", "PIC24FJ64GA002", "PIC32MX360F512L"})
        for (auto step : {Step::Connect, Step::Erase, Step::Write, Step::Verify})
            for (auto fault :
                 {Fault::Junk, Fault::Flips, Fault::Drops, Fault::Silence, Fault::HostFlips, Fault::Unplug})
                all.push_back({part, step, fault});
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryStep, Faults, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return name(info.param); });

TEST(Unplugged, AModuleThatIsGoneFailsWithTheLinksMessage) {
    LogCapture logs;
    PicBench pic("PIC18F2620");
    pic.module->unplug();
    AN1310::BootloadSession session(*pic.link);
    try {
        session.connect();
        FAIL() << "connect on an unplugged module";
    } catch (const FTDI::Exception& e) {
        EXPECT_STREQ("Unable to purge buffers on FTDI device: FT_Purge failed", e.what());
        EXPECT_EQ(FTDI::IO_ERROR, e.status());
    }
}

} // namespace
