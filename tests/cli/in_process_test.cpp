// The command line in this process: settings as it and profiles write them,
// the answers a run gives with or without a terminal, and runs on a bench the
// test holds, to see what reached the encoder.
#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "cli/Profile.h"
#include "cli/SettingArguments.h"
#include "cli/TerminalConversation.h"
#include "sim/Bench.h"
#include "sim/Loopback.h"
#include "sim/models/rvx46_47/Rvx46Line.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace {

using namespace vantix;
using namespace vantix::cli;

// The failure a call throws: its exit code and message.
template <class Call> std::pair<int, std::string> failureOf(Call call) {
    try {
        call();
    } catch (const Failure& failure) {
        return {failure.code(), failure.what()};
    }
    return {0, ""};
}

TEST(SettingArguments, EachSettingReadsItsValuesAndRefusesOthers) {
    const auto read = [](const std::string& argument) {
        SettingsSet set;
        const auto [code, message] = failureOf([&] { readSettingArgument(set, argument); });
        return code == UsageError ? message : code ? "code " + std::to_string(code) : formatSettings(set);
    };
    for (const char* argument : {"resolution=2000", "poles=12", "direction=ccw", "direction=cw",
                                 "address=0x10", "baud=9600", "termination=on", "termination=off"})
        EXPECT_EQ(read(argument), argument);
    EXPECT_EQ(read("address=16"), "address=0x10");
    // Refused as usage errors with these messages.
    const std::pair<const char*, const char*> refused[] = {
        {"resolution=abc", "resolution=abc: not a number"},
        {"resolution=70000", "not a number"},
        {"resolution=", "resolution=: not a number"},
        {"resolution=-5", "not a number"},
        {"address=0x100", "not a number"},
        {"direction=left", "give direction=cw or direction=ccw"},
        {"termination=1", "give termination=off or termination=on"},
        {"speed=5", "Unknown setting \"speed\""},
        {"resolution", "is not a setting: give NAME=VALUE"},
    };
    for (const auto& [argument, message] : refused)
        EXPECT_NE(read(argument).find(message), std::string::npos) << argument << ": " << read(argument);
    const auto twice = failureOf([] { readSettingArguments({"poles=2", "poles=4"}); });
    EXPECT_EQ(twice, std::pair(2, std::string("poles is given twice")));
}

TEST(SettingArguments, VerificationNamesEverySettingThatReadsDifferently) {
    SettingsSet wanted, read;
    wanted.resolution = 2000;
    wanted.counterClockwise = true;
    read.resolution = 1000;
    read.poles = 4; // read but not programmed: not compared
    EXPECT_EQ(verificationProblem(wanted, read),
              "resolution reads 1000, 2000 was programmed; direction reads nothing, ccw was programmed");
}

TEST(Profiles, ReadModelSettingsAndFirmwareWithCommentsAndSpaces) {
    const auto profile = readProfile("# line 3\n\nmodel = RVX84\n  resolution=2000  # the new one\r\n"
                                     "poles = 8\ndirection = ccw\nfirmware = latest\n",
                                     "line3.profile");
    EXPECT_EQ(profile.model, "RVX84");
    EXPECT_EQ(formatSettings(profile.settings), "resolution=2000 poles=8 direction=ccw");
    EXPECT_TRUE(profile.latestFirmware);
}

TEST(Profiles, MistakesNameTheFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"model = RVX46\nresolution 2000\n", "p:2: expected NAME = VALUE"},
        {"resolution = 2000\n", "p: no model = MODEL line"},
        {"model = RVX46\n", "p: nothing to apply"},
        {"model = RVX46\nfirmware = newest\n", "p:2: firmware = latest or firmware = keep"},
    };
    for (const auto& [text, message] : cases) {
        const auto [code, what] = failureOf([&text = text] { readProfile(text, "p"); });
        EXPECT_EQ(code, UsageError) << text;
        EXPECT_TRUE(what.starts_with(message)) << what;
    }
    EXPECT_EQ(failureOf([] { readProfileFile("/nonexistent/profile"); }).first, UsageError);
}

TEST(TerminalAnswers, UnderYesEachUpdateOfferHasItsOwnFewRetries) {
    std::istringstream in;
    std::ostringstream err;
    TerminalConversation yes(Answers{true, false, false}, in, err);
    const auto retries = [&] {
        int made = 0;
        while (yes.ask(Question::RetryUpdate, "Re-try?", "Error") && made < 100)
            ++made;
        return made;
    };
    // One offer per encoder, as apply makes them.
    yes.answerUpdateOffer();
    for (int encoder = 0; encoder < 2; ++encoder) {
        EXPECT_TRUE(yes.ask(Question::UpdateFirmware, "Update?", "Update"));
        EXPECT_EQ(retries(), TerminalConversation::retriesUnderYes) << "encoder " << encoder;
    }
}

// (A question refused without a terminal is the command line's own test.)
TEST(TerminalAnswers, WithoutTerminalARetryIsNotMade) {
    std::istringstream in("y\n");
    std::ostringstream err;
    TerminalConversation none(Answers{false, false, false}, in, err);
    EXPECT_FALSE(none.ask(Question::RetryUpdate, "Re-try?", "Error"));
    EXPECT_EQ(in.tellg(), 0) << "nothing read from the input";
    none.answerUpdateOffer();
    EXPECT_TRUE(none.ask(Question::UpdateFirmware, "Update?", "Update")) << "the command asked for it";
}

TEST(TerminalAnswers, OnATerminalTheQuestionIsAskedAndOnlyYesAgrees) {
    for (const auto& [typed, agreed] :
         {std::pair{"y\n", true}, {"Yes\n", true}, {"n\n", false}, {"\n", false}, {"", false}}) {
        std::istringstream in(typed);
        std::ostringstream err;
        TerminalConversation terminal(Answers{false, true, true}, in, err);
        EXPECT_EQ(terminal.ask(Question::UpdateFirmware, "Update to latest version?",
                               "Update RVX Encoder Firmware?"),
                  agreed)
            << typed;
        EXPECT_EQ(err.str(), "Update RVX Encoder Firmware?: Update to latest version? [y/N] ");
    }
}

TEST(TerminalAnswers, AModuleIsChosenByItsNumberOnATerminalOnly) {
    const std::vector<std::string> modules{"RVXSIM1000  free  RVX-LINK", "RVXSIM1001  busy  RVX-LINK"};
    for (const auto& [typed, chosen] : {std::pair<const char*, std::optional<std::size_t>>{"1\n", 1},
                                        {"0\n", 0},
                                        {"2\n", std::nullopt},
                                        {"\n", std::nullopt},
                                        {"x\n", std::nullopt}}) {
        std::istringstream in(typed);
        std::ostringstream err;
        TerminalConversation terminal(Answers{false, true, true}, in, err);
        EXPECT_EQ(terminal.choose("Select programming module", modules), chosen) << typed;
        EXPECT_EQ(err.str(), "Select programming module:\n  0  RVXSIM1000  free  RVX-LINK\n  1  RVXSIM1001  "
                             "busy  RVX-LINK\nNumber (0 to 1, empty to cancel): ");
    }
    std::istringstream in("1\n");
    std::ostringstream err;
    TerminalConversation none(Answers{true, false, false}, in, err);
    EXPECT_EQ(none.choose("Select programming module", modules), std::nullopt) << "--yes picks no module";
    EXPECT_EQ(err.str(), "");
}

TEST(TerminalProgress, ABarOnATerminalAndAFewPlainLinesOtherwise) {
    const std::vector<std::string> flash = {"Connecting", "Writing block 10/100", "Writing block 11/100",
                                            "Writing block 100/100", "Verify block 100/100"};
    // What a run on a terminal, or without one, shows of one flash.
    const auto shown = [&flash](bool terminal) {
        std::istringstream in;
        std::ostringstream err;
        {
            TerminalConversation conversation(Answers{false, terminal, terminal}, in, err);
            auto progress = conversation.progress("Programming RVX Encoder", programmingMessage);
            for (const auto& line : flash)
                progress->status()(line);
        }
        return err.str();
    };
    const auto bar = shown(true);
    EXPECT_TRUE(
        bar.starts_with("\rProgramming RVX Encoder: [------------------------------] Connecting (1 %)"))
        << bar;
    EXPECT_NE(bar.find("\rProgramming RVX Encoder: [#############################-] Verifying (98 %)  "
                       "Verify block 100/100"),
              std::string::npos)
        << bar;
    EXPECT_TRUE(bar.ends_with("\n")) << "the bar's line is ended when the operation is";
    EXPECT_EQ(shown(false),
              "Programming RVX Encoder: Connecting (1 %)\nProgramming RVX Encoder: Writing (8 %)\n"
              "Programming RVX Encoder: Writing (55 %)\nProgramming RVX Encoder: Verifying (98 %)\n");
}

struct Result {
    int exitCode;
    std::string out, err;
};

Result run(std::vector<std::string> arguments) {
    std::istringstream in;
    std::ostringstream out, err;
    arguments.insert(arguments.begin(), "rvx-vantix-cli");
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    const vantix::cli::Environment environment{in, out, err, false, false, ""};
    const int code = vantix::cli::runCommandLine(static_cast<int>(argv.size()), argv.data(), environment);
    return {code, out.str(), err.str()};
}

TEST(UsageErrors, WriteNothingToTheEncoder) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>(sim::LineModel::Instant));
    auto& encoder = bench->add("RVX46").device<sim::Rvx46Line>();
    const std::vector<std::uint8_t> eeprom(encoder.chip().eepromData().begin(),
                                           encoder.chip().eepromData().end());
    for (const char* setting : {"resolution=1234", "poles=4", "address=8"}) {
        const auto result = run({"set", "-m", "RVX46", setting});
        EXPECT_EQ(result.exitCode, 2) << setting << ": " << result.err;
        EXPECT_TRUE(std::equal(eeprom.begin(), eeprom.end(), encoder.chip().eepromData().begin())) << setting;
        EXPECT_EQ(encoder.firmware()->resolution, 1024) << setting;
    }
    // The same encoder takes a value it offers: the check above can see a write.
    EXPECT_EQ(run({"set", "-m", "RVX46", "resolution=2000"}).exitCode, 0);
    EXPECT_EQ(encoder.firmware()->resolution, 2000);
}

TEST(Listing, AModuleWithoutPermissionIsToldApartWithTheUdevHint) {
    sim::BenchGuard bench(std::make_shared<sim::Bench>(sim::LineModel::Instant));
    bench->addUart(std::make_unique<sim::Loopback>(), "echo",
                   "No access to this FTDI device: install the udev rule (README)", "FT1234");
    const auto json = run({"--json", "list"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_EQ(nlohmann::json::parse(json.out)["uart"][0]["state"], "no-permission");
    const auto text = run({"list"});
    EXPECT_NE(text.out.find("FT1234            no-permission (install the udev rule: see the README)"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("No RVX SPI programming module found"), std::string::npos) << text.out;
}

} // namespace
