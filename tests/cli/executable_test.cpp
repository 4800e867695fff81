// rvx-vantix-cli as a script runs it: the real executable on the simulated
// bench, its exit code, its stdout (text or JSON) and stderr, and the files it
// writes. Every run's stdin is an open pipe nothing is written to.
#include "CliRun.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace {

using clitest::runCli;
using nlohmann::json;

// A bench on the instant line model: re-flashes cost no wall time.
std::string bench(const std::string& modules) {
    return "--simulate=" + modules + ";line=instant";
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(Listing, ShowsEachModuleWithIndexSerialDescriptionAndState) {
    const auto run = runCli({bench("RVX46:count=2;RVX48:busy;RVX63"), "--json", "list"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto doc = json::parse(run.out);
    ASSERT_EQ(doc["uart"].size(), 3u);
    EXPECT_EQ(doc["uart"][0],
              json::parse(R"({"index":0,"serial":"RVXSIM1000","description":"RVX-LINK (simulated): RVX46",
                              "state":"free"})"));
    EXPECT_EQ(doc["uart"][2]["state"], "busy");
    ASSERT_EQ(doc["spi"].size(), 1u);
    EXPECT_EQ(doc["spi"][0]["description"], "RVX-LINK (simulated): RVX63");

    const auto text = runCli({bench("RVX48:busy"), "list"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_TRUE(contains(text.out, "RVXSIM1000")) << text.out;
    EXPECT_TRUE(contains(text.out, "busy")) << text.out;
    EXPECT_TRUE(contains(text.out, "No RVX SPI programming module found")) << text.out;
}

TEST(Info, ReportsPartFirmwareDatesAndEverySettingOfTheModel) {
    const auto run = runCli({bench("RVX46:fw=0x14,res=2000,datecode=1234"), "--json", "info", "-m", "RVX46"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["command"], "info");
    EXPECT_EQ(doc["part_number"], "RVX462Q");
    EXPECT_EQ(doc["module"]["serial"], "RVXSIM1000");
    EXPECT_EQ(doc["firmware_version"], 0x14);
    EXPECT_EQ(doc["latest_firmware_version"], 0x15);
    EXPECT_EQ(doc["update_available"], true);
    EXPECT_EQ(doc["datecode"], 1234);
    EXPECT_EQ(doc["settings"], json::parse(R"({"resolution":2000})"));
    EXPECT_EQ(doc["offered"]["resolution"].size(), 22u);

    const auto address = runCli({bench("RVX65"), "--json", "info", "-m", "RVX65"});
    ASSERT_EQ(address.exitCode, 0) << address.err;
    const auto settings = json::parse(address.out)["settings"];
    EXPECT_EQ(settings, json::parse(R"({"address":16,"baud":115200})"));
    const auto termination = runCli({bench("RVX64"), "--json", "info", "-m", "RVX64"});
    ASSERT_EQ(termination.exitCode, 0) << termination.err;
    EXPECT_TRUE(json::parse(termination.out)["settings"].contains("termination")) << termination.out;

    const auto text = runCli({bench("RVX46:fw=0x14"), "info", "-m", "RVX46"});
    EXPECT_TRUE(contains(text.out, "0x14 (latest carried 0x15, update available)")) << text.out;
    EXPECT_TRUE(contains(text.out, "\nresolution offers:  48 96 100 ")) << text.out;
}

TEST(Set, ProgramsThroughARefashThenReadsBackAndReportsProgress) {
    const auto run = runCli({bench("RVX46:res=1000"), "--json", "set", "-m", "RVX46", "resolution=2000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["settings_before"], json::parse(R"({"resolution":1000})"));
    EXPECT_EQ(doc["settings_after"], json::parse(R"({"resolution":2000})"));
    EXPECT_EQ(doc["verified"], true);
    // Not a terminal: a plain line per phase or tenth, never a redrawn bar.
    EXPECT_TRUE(contains(run.err, "Setting RVX Encoder Resolution: Writing (")) << run.err;
    EXPECT_FALSE(contains(run.err, "\r"));

    const auto address = runCli({bench("RVX64"), "set", "-m", "RVX64", "address=0x08", "termination=on"});
    ASSERT_EQ(address.exitCode, 0) << address.err;
    EXPECT_EQ(address.out, "Encoder programmed: address=0x08 termination=on\n");
}

TEST(Set, BadInputIsRefusedWithItsExitCodeAndAClearMessage) {
    struct Case {
        std::string bench;
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"RVX46", {"set", "-m", "RVX99", "resolution=2000"}, 2, "Unknown encoder \"RVX99\""},
        {"RVX46",
         {"set", "-m", "RVX46", "baud=9600"},
         2,
         "The RVX462Q has no baud setting (it has: resolution)"},
        {"RVX46", {"set", "-m", "RVX46", "resolution=1234"}, 2, "The RVX462Q offers no resolution 1234"},
        {"RVX65", {"set", "-m", "RVX65", "address=5"}, 2, "address=0x05 is not offered"},
        {"RVX46", {"set", "-m", "RVX46", "resolution=fast"}, 2, "resolution=fast: not a number"},
        {"RVX46", {"set", "-m", "RVX46"}, 2, "settings is required"},
        {"RVX46", {"set", "-m", "RVX46", "-d", "7", "resolution=2000"}, 2, "No programming module \"7\""},
        {"RVX46:count=2", {"set", "-m", "RVX46", "resolution=2000"}, 2, "2 programming modules found"},
        {"spi-echo", {"set", "-m", "RVX46", "resolution=2000"}, 1, "No RVX programming module found"},
        {"RVX46", {"set", "-m", "RVX63", "resolution=2000"}, 1, "No RVX SPI programming module found"},
        {"RVX46:busy", {"set", "-m", "RVX46", "resolution=2000"}, 1, "Programming module error."},
        {"RVX48", {"set", "-m", "RVX46", "resolution=2000"}, 1, "Communication error with RVX encoder."},
        {"RVX46", {"frobnicate"}, 2, "Unknown command \"frobnicate\""},
        {"RVX65", {"set", "-m", "RVX65", "termination=on"}, 2, "The RVX652E has no termination setting"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{bench(c.bench)};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto run = runCli(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message << "\n" << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << c.message << "\n" << run.err;
        EXPECT_EQ(run.out, "") << c.message;
    }
}

TEST(Set, ErrorsAsJsonKeepStdoutOneDocument) {
    const auto run = runCli({bench("RVX46"), "--json", "set", "-m", "RVX46", "resolution=1234"});
    EXPECT_EQ(run.exitCode, 2);
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["command"], "set");
    EXPECT_EQ(doc["exit_code"], 2);
    EXPECT_TRUE(contains(doc["error"], "offers no resolution 1234"));
}

TEST(Set, ASettingTheEncoderDoesNotKeepFailsVerificationWithExitCode3) {
    // The EEPROM cell of the node address no longer takes a write.
    const auto run =
        runCli({bench("RVX65:wornee=0xC0,address=4"), "--json", "set", "-m", "RVX65", "address=0x08"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["verified"], false);
    EXPECT_EQ(doc["settings_after"]["address"], 4);
    EXPECT_TRUE(
        contains(run.err, "Verification after programming failed: address reads 0x04, 0x08 was programmed"))
        << run.err;
}

TEST(Set, AModuleUnpluggedDuringTheRefashIsAModuleErrorNotASuccess) {
    // The module's calls fail from the 300th on: after connecting, within the re-flash.
    const auto run = runCli({bench("RVX46:fail=300:4"), "set", "-m", "RVX46", "resolution=2000"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(contains(run.err, "Setting RVX Encoder Resolution: Erasing")) << "the re-flash had begun\n"
                                                                              << run.err;
    EXPECT_TRUE(contains(run.err,
                         "Programming module error.\nPlease ensure that RVX-LINK programming module is "
                         "connected to your computer.\n\nUnable to"))
        << run.err;
    EXPECT_FALSE(contains(run.out, "Encoder programmed")) << run.out;
}

TEST(Questions, WithoutATerminalTheyAreRefusedAndYesAnswersThem) {
    const auto refused = runCli({bench("RVX46:fw=0x14"), "update-firmware", "-m", "RVX46"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(contains(refused.err, "Firmware version on encoder: 0x14")) << refused.err;
    EXPECT_TRUE(contains(refused.err, "run with --yes")) << refused.err;

    const auto updated =
        runCli({bench("RVX46:fw=0x14"), "--json", "--yes", "update-firmware", "-m", "RVX46"});
    ASSERT_EQ(updated.exitCode, 0) << updated.err;
    const auto doc = json::parse(updated.out);
    EXPECT_EQ(doc["firmware_before"], 0x14);
    EXPECT_EQ(doc["firmware_after"], 0x15);
    EXPECT_EQ(doc["updated"], true);

    const auto latest = runCli({bench("RVX46"), "update-firmware", "-m", "RVX46"});
    EXPECT_EQ(latest.exitCode, 0) << "the latest asks nothing";
    EXPECT_EQ(latest.out, "Firmware 0x15 is the latest carried\n");

    // A corrupt record: the window's question on connecting, here for every command.
    const std::string corrupt = bench("RVX64:record=!!!!!!!!");
    const auto unanswered = runCli({corrupt, "info", "-m", "RVX64"});
    EXPECT_EQ(unanswered.exitCode, 2);
    EXPECT_TRUE(
        contains(unanswered.err, "Encoder settings are invalid/corrupt. Reprogram with default values?"))
        << unanswered.err;
    const auto restored = runCli({corrupt, "--json", "--yes", "restore-defaults", "-m", "RVX64"});
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(json::parse(restored.out)["restored"], true);
    const auto valid = runCli({bench("RVX64"), "restore-defaults", "-m", "RVX64"});
    EXPECT_EQ(valid.exitCode, 0) << "nothing to ask";
    EXPECT_TRUE(valid.out.starts_with("The encoder's stored settings are valid: nothing restored\n"))
        << valid.out;
}

TEST(Questions, RetriesUnderYesEndOnAModuleThatIsGone) {
    const auto run = runCli({bench("RVX46:fw=0x14,fail=300:4"), "--yes", "update-firmware", "-m", "RVX46"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(contains(run.err, "Error occured while programming encoder:\nUnable to")) << run.err;
    std::size_t attempts = 0;
    for (const auto& line : lines(run.err))
        attempts += line == "Programming RVX Encoder: Connecting (1 %)";
    EXPECT_EQ(attempts, 3u) << "the first attempt and two retries\n" << run.err;
}

TEST(Diagnostics, WritesTheReportFileAndRefusesAnUnwritableOne) {
    clitest::ScratchFolder scratch;
    const auto path = scratch.path("encoder.dat");
    clitest::writeFile(path, std::string(5000, 'x'));
    const auto run = runCli({bench("RVX46:datecode=1234"), "diagnostics", "-m", "RVX46", "-o", path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Diagnostics saved to " + path + "\n");
    const auto report = clitest::readFile(path);
    EXPECT_TRUE(report.starts_with("RVX Vantix\x99 diagnostics data\nModel: RVX462Q\nFirmware revision: 15\n"
                                   "Datecode: 1234\n"))
        << report.substr(0, 200);
    EXPECT_EQ(report.find("xxxx"), std::string::npos) << "the old content is replaced";
    EXPECT_TRUE(contains(run.err, "Getting RVX Encoder Diagnostics: Acquiring samples")) << run.err;

    const auto unwritable =
        runCli({bench("RVX46"), "diagnostics", "-m", "RVX46", "-o", "/nonexistent/x.dat"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(contains(unwritable.err, "Unable to write diagnostics to \"/nonexistent/x.dat\""))
        << unwritable.err;
    EXPECT_FALSE(contains(unwritable.err, "Getting RVX Encoder Diagnostics")) << "no acquisition for nothing";
}

TEST(WatchAndZero, ReadThePositionAndZeroWhereTheEncoderCan) {
    const auto watch = runCli({bench("RVX65"), "--json", "watch", "-m", "RVX65", "-n", "3"});
    ASSERT_EQ(watch.exitCode, 0) << watch.err;
    const auto doc = json::parse(watch.out);
    ASSERT_EQ(doc["readings"].size(), 3u);
    EXPECT_TRUE(doc["readings"][0].contains("position"));
    const auto text = runCli({bench("RVX46"), "watch", "-m", "RVX46", "-n", "2"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(lines(text.out).size(), 2u) << text.out;
    EXPECT_TRUE(text.out.starts_with("position ")) << text.out;

    const auto zero = runCli({bench("RVX46"), "zero", "-m", "RVX46"});
    EXPECT_EQ(zero.exitCode, 0) << zero.err;
    EXPECT_EQ(zero.out, "Zero position set!\n");
}

TEST(Apply, SetsEveryEncoderOfTheModelAndLogsEach) {
    clitest::ScratchFolder scratch;
    const auto profile = scratch.path("line3.profile"), log = scratch.path("line3.log");
    clitest::writeFile(profile, "# line 3\nmodel = RVX46\nresolution = 2000\n");
    const auto run = runCli({bench("RVX46:count=3,res=1000"), "apply", profile, "--log", log});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto logged = lines(clitest::readFile(log));
    ASSERT_EQ(logged.size(), 4u) << clitest::readFile(log);
    EXPECT_EQ(
        logged[0],
        "# time\tmodule\tpart\tfirmware_before\tfirmware_after\tsettings_before\tsettings_after\tresult");
    for (int i = 0; i < 3; ++i) {
        const auto& line = logged[1 + i];
        EXPECT_TRUE(line.find("\tRVXSIM100" + std::to_string(i) +
                              "\tRVX462Q\t0x15\t0x15\tresolution=1000\tresolution=2000\tok") !=
                    std::string::npos)
            << line;
        EXPECT_EQ(line.size() - line.find('\t'), line.size() - 20) << "an ISO time first: " << line;
    }
    EXPECT_EQ(lines(run.out).size(), 3u) << run.out;
    EXPECT_TRUE(contains(run.err, "\nRVXSIM1002: Setting RVX Encoder Resolution: Verifying")) << run.err;

    // A second run appends under the same header.
    EXPECT_EQ(runCli({bench("RVX46:count=2"), "apply", profile, "--log", log}).exitCode, 0);
    EXPECT_EQ(lines(clitest::readFile(log)).size(), 6u);
    // Only the modules named, by serial number.
    EXPECT_EQ(runCli({bench("RVX46:count=3"), "apply", profile, "--log", log, "-d", "RVXSIM1002"}).exitCode,
              0);
    EXPECT_TRUE(contains(lines(clitest::readFile(log)).back(), "\tRVXSIM1002\t"));
    EXPECT_EQ(lines(clitest::readFile(log)).size(), 7u);
}

TEST(Apply, AFailingEncoderIsLoggedAndTheOthersStillSet) {
    clitest::ScratchFolder scratch;
    const auto profile = scratch.path("p"), log = scratch.path("p.log");
    clitest::writeFile(profile, "model = RVX46\nresolution = 2000\nfirmware = latest\n");
    const auto run = runCli({bench("RVX46:fw=0x14;RVX48;RVX46"), "--json", "apply", profile});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const auto results = json::parse(run.out)["results"];
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["result"], "ok");
    EXPECT_EQ(results[0]["firmware_before"], 0x14);
    EXPECT_EQ(results[0]["firmware_after"], 0x15);
    EXPECT_TRUE(contains(results[1]["result"], "failed: Communication error with RVX encoder."))
        << results[1];
    EXPECT_EQ(results[1]["exit_code"], 1);
    EXPECT_EQ(results[2]["result"], "ok");
    const auto logged = lines(clitest::readFile(log));
    ASSERT_EQ(logged.size(), 4u) << "the log defaults to the profile's name with .log";
    EXPECT_TRUE(contains(logged[2], "\tRVXSIM1001\t-\t-\t-\t-\t-\tfailed: Communication error")) << logged[2];
}

TEST(Apply, ABadProfileTouchesNoEncoder) {
    clitest::ScratchFolder scratch;
    const auto profile = scratch.path("p");
    clitest::writeFile(profile, "model = RVX46\nresolution = 1234x\n");
    const auto run = runCli({bench("RVX46"), "apply", profile});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(contains(run.err, profile + ":2: resolution=1234x: not a number")) << run.err;
    EXPECT_EQ(clitest::readFile(profile + ".log"), "") << "no log line either";
}

TEST(Help, NamesTheCommandsAndTheBackendOptions) {
    const auto run = runCli({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* word :
         {"list", "info", "set", "update-firmware", "zero", "restore-defaults", "diagnostics", "watch",
          "apply", "--json", "--yes", "--simulate[=BENCH]", "--default-latency"})
        EXPECT_TRUE(contains(run.out, word)) << word;
    EXPECT_EQ(runCli({"--simulate=RVX99", "list"}).exitCode, 2) << "a bench that cannot be built";
}

} // namespace
