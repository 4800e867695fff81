// The sequences the window and the command line share, on an encoder that
// records what it is asked, with a conversation that answers from a script;
// and reading how far a re-flash has got from the lines its loader sends.
// (The question on unusable settings is the window's: "No" in its own test,
// "Yes" in the corrupt RVX64 scenario, on this same sequence.)
#include "flows/Connect.h"
#include "flows/ProgressReading.h"
#include "flows/Settings.h"

#include <fmt/ranges.h>
#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

namespace {

using namespace vantix;

// An encoder whose accessors a test fills in; its calls are logged in order.
class RecordingEncoder : public RVX::Encoder {
public:
    std::vector<std::string> calls;
    std::uint8_t firmware = 0x15, latest = 0x15;

    bool is_absolute() override { return false; }
    void connect() override {}
    const char* name() override { return "RVX00"; }
    const char* datasheet_url() override { return ""; }
    bool counts_counter_clockwise() override { return false; }
    void restore_defaults() override { calls.push_back("restore_defaults"); }
    std::uint8_t firmware_version() override { return firmware; }
    std::uint8_t latest_firmware_version() override { return latest; }
    std::uint16_t model_code() override { return 0; }
    std::uint8_t last_programmed_by() override { return 0; }
    std::uint16_t datecode() override { return 0; }
    void set_datecode(std::uint16_t) override {}
    RVX::TimePoint last_program_date() override { return {}; }
    void set_last_program_date(RVX::TimePoint) override {}
    void diagnostics(std::ostream&, std::function<void()>) override {}

    void giveCommutation() {
        set_resolution = [this](std::uint16_t r, StatusCallback) {
            calls.push_back(fmt("set_resolution", r));
        };
        get_resolution = [] { return std::uint16_t{1000}; };
        set_commutation = [this](std::uint16_t r, std::uint8_t p, bool ccw, StatusCallback status) {
            status("Writing block 1/2");
            calls.push_back(fmt("set_commutation", r) + fmt(",", p) + (ccw ? ",ccw" : ",cw"));
        };
        get_poles = [] { return std::uint8_t{4}; };
        get_direction = [] { return true; };
    }
    void giveAddress(std::uint32_t baud) {
        get_address = [] { return std::uint8_t{4}; };
        set_address = [this](std::uint8_t a) { calls.push_back(fmt("set_address", a)); };
        get_baud_rate = [baud] { return baud; };
        set_baud_rate = [this](std::uint32_t b, StatusCallback) { calls.push_back(fmt("set_baud_rate", b)); };
        get_termination = [] { return false; };
        set_termination = [this](bool on) {
            calls.push_back(on ? "set_termination on" : "set_termination off");
        };
    }
    static std::string fmt(const std::string& call, unsigned n) { return call + " " + std::to_string(n); }
};

// Answers questions from a script and notes what was asked and shown.
class ScriptedConversation : public Conversation {
public:
    std::deque<bool> answers;
    std::vector<std::string> events;

    bool ask(Question, const std::string& text, const std::string& caption) override {
        events.push_back("ask " + caption + ": " + text);
        if (answers.empty()) throw std::logic_error("unexpected question: " + text);
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::unique_ptr<Progress> progress(const std::string& title, const std::string&) override {
        events.push_back("progress " + title);
        struct Lines : Progress {
            std::vector<std::string>* events;
            StatusCallback status() override {
                return [this](const std::string& line) { events->push_back("status " + line); };
            }
            std::function<void()> step() override { return {}; }
        };
        auto lines = std::make_unique<Lines>();
        lines->events = &events;
        return lines;
    }
};

std::string joined(const std::vector<std::string>& lines) {
    return fmt::format("{}", fmt::join(lines, "; "));
}

TEST(ProgramSettings, WritesWhatIsGivenInTheWindowsOrderAndLeavesTheRest) {
    const char* const flash = "progress Setting RVX Encoder Resolution; status Writing block 1/2";
    const struct {
        std::uint32_t encoderBaud; // 0: a commutation encoder
        void (*give)(SettingsSet&);
        const char* calls;
        const char* events;
    } cases[] = {
        // Poles alone re-flash with the held resolution and direction.
        {0, [](SettingsSet& s) { s.poles = 8; }, "set_commutation 1000, 8,ccw", flash},
        // A commutation encoder takes a resolution with its poles and direction.
        {0, [](SettingsSet& s) { s.resolution = 2000; }, "set_commutation 2000, 4,ccw", flash},
        // An unchanged baud rate is not written.
        {115200, [](SettingsSet& s) { s.address = 8, s.baudRate = 115200, s.termination = true; },
         "set_address 8; set_termination on", ""},
        // A new baud rate is re-flashed first.
        {115200, [](SettingsSet& s) { s.address = 12, s.baudRate = 9600; },
         "set_baud_rate 9600; set_address 12", "progress Setting RVX Encoder Baud Rate"},
        // The address stays when only termination is given.
        {9600, [](SettingsSet& s) { s.termination = false; }, "set_termination off", ""},
        {0, [](SettingsSet&) {}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.calls);
        RecordingEncoder encoder;
        if (c.encoderBaud)
            encoder.giveAddress(c.encoderBaud);
        else
            encoder.giveCommutation();
        ScriptedConversation conversation;
        SettingsSet wanted;
        c.give(wanted);
        programSettings(encoder, wanted, conversation);
        EXPECT_EQ(joined(encoder.calls), c.calls);
        EXPECT_EQ(joined(conversation.events), c.events);
    }
}

TEST(FirmwareOffer, AsksOnlyForAnOlderVersionAndRetriesUntilTold) {
    RecordingEncoder encoder;
    int attempts = 0;
    encoder.update_firmware = [&](StatusCallback) {
        if (++attempts < 3) throw std::runtime_error("module gone");
        encoder.firmware = encoder.latest;
    };
    ScriptedConversation conversation;
    const auto none = [] {}; // what runs after an update: the window's and the command line's tests
    EXPECT_EQ(offerFirmwareUpdate(encoder, conversation, none).outcome, FirmwareUpdate::NotOffered);
    EXPECT_TRUE(conversation.events.empty());

    encoder.firmware = 0x14;
    conversation.answers = {true, true, true};
    const auto update = offerFirmwareUpdate(encoder, conversation, none);
    EXPECT_EQ(update.outcome, FirmwareUpdate::Updated);
    EXPECT_EQ(update.before, 0x14);
    EXPECT_EQ(update.latest, 0x15);
    EXPECT_EQ(conversation.events.size(), 6u) << "the offer, two retries and three flashes";

    encoder.firmware = 0x14;
    attempts = 0;
    conversation.answers = {true, false};
    const auto gaveUp = offerFirmwareUpdate(encoder, conversation, none);
    EXPECT_EQ(gaveUp.outcome, FirmwareUpdate::GaveUp);
    EXPECT_EQ(gaveUp.failure, "module gone");
    EXPECT_EQ(attempts, 1);

    conversation.answers = {false};
    EXPECT_EQ(offerFirmwareUpdate(encoder, conversation, none).outcome, FirmwareUpdate::Declined);
    EXPECT_EQ(attempts, 1) << "nothing flashed after no";
}

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
