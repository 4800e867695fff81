// rvx-vantix-cli as a script runs it: the real executable on the simulated
// bench, its exit code, its stdout (text or JSON) and stderr, and the files it
// writes. Every run's stdin is an open pipe nothing is written to: a run that
// waited for input would never end.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/Lines.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

using nlohmann::json;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

struct Run {
    int exitCode = -1;
    std::string out, err;
};

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A scratch folder for files the runs write, removed with the object.
struct ScratchFolder {
    std::string folder = (std::filesystem::temp_directory_path() / "rvx-cli-test-XXXXXX").string();
    ScratchFolder() {
        if (!mkdtemp(folder.data())) throw std::runtime_error("mkdtemp");
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string path(const std::string& name) const { return folder + "/" + name; }
};

// Runs the real executable with these arguments.
Run runCli(std::vector<std::string> words) {
    ScratchFolder scratch;
    const std::string outPath = scratch.path("stdout"), errPath = scratch.path("stderr");
    int input[2];
    if (pipe(input) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    words.insert(words.begin(), RVX_VANTIX_CLI);
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    int status = 0;
    if (spawned == 0) waitpid(pid, &status, 0);
    close(input[1]);
    if (spawned != 0) throw std::runtime_error("cannot start " + words[0]);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readFile(outPath),
            readFile(errPath)};
}

// Runs the executable on a bench of `modules` on the instant line model:
// re-flashes cost no wall time.
Run cli(const std::string& modules, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "--simulate=" + modules + ";line=instant");
    return runCli(arguments);
}

TEST(Listing, ShowsEachModuleWithIndexSerialDescriptionAndState) {
    const auto run = cli("RVX46:count=2;RVX48:busy;RVX63", {"--json", "list"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto doc = json::parse(run.out);
    ASSERT_EQ(doc["uart"].size(), 3u);
    EXPECT_EQ(doc["uart"][0],
              json::parse(R"({"index":0,"serial":"RVXSIM1000","description":"RVX-LINK (simulated): RVX46",
                              "state":"free"})"));
    EXPECT_EQ(doc["uart"][2]["state"], "busy");
    ASSERT_EQ(doc["spi"].size(), 1u);
    EXPECT_EQ(doc["spi"][0]["description"], "RVX-LINK (simulated): RVX63");
}

TEST(Info, ReportsPartFirmwareDatesAndEverySettingOfTheModel) {
    const auto run = cli("RVX46:fw=0x14,res=2000,datecode=1234", {"--json", "info", "-m", "RVX46"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["part_number"], "RVX462Q");
    EXPECT_EQ(doc["firmware_version"], 0x14);
    EXPECT_EQ(doc["latest_firmware_version"], 0x15);
    EXPECT_EQ(doc["update_available"], true);
    EXPECT_EQ(doc["datecode"], 1234);
    EXPECT_EQ(doc["settings"], json::parse(R"({"resolution":2000})"));
    EXPECT_EQ(doc["offered"]["resolution"].size(), 22u);

    const auto address = cli("RVX65", {"--json", "info", "-m", "RVX65"});
    ASSERT_EQ(address.exitCode, 0) << address.err;
    EXPECT_EQ(json::parse(address.out)["settings"], json::parse(R"({"address":16,"baud":115200})"));
    const auto text = cli("RVX46:fw=0x14", {"info", "-m", "RVX46"});
    EXPECT_THAT(text.out, AllOf(HasSubstr("0x14 (latest carried 0x15, update available)"),
                                HasSubstr("\nresolution offers:  48 96 100 ")));
}

TEST(Set, ProgramsThroughAReflashThenReadsBackAndReportsProgress) {
    const auto run = cli("RVX46:res=1000", {"--json", "set", "-m", "RVX46", "resolution=2000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["settings_before"], json::parse(R"({"resolution":1000})"));
    EXPECT_EQ(doc["settings_after"], json::parse(R"({"resolution":2000})"));
    EXPECT_EQ(doc["verified"], true);
    // Not a terminal: a plain line per phase or tenth, never a redrawn bar.
    EXPECT_THAT(run.err, AllOf(HasSubstr("Setting RVX Encoder Resolution: Writing ("), Not(HasSubstr("\r"))));

    const auto address = cli("RVX64", {"set", "-m", "RVX64", "address=0x08", "termination=on"});
    ASSERT_EQ(address.exitCode, 0) << address.err;
    EXPECT_EQ(address.out, "Encoder programmed: address=0x08 termination=on\n");
}

// Each refusal: its exit code, its message on stderr and nothing on stdout.
TEST(Refusals, BadInputAndMissingModulesOrAnswersEndWithTheirExitCodeAndAClearMessage) {
    ScratchFolder scratch;
    const auto profile = scratch.path("p");
    std::ofstream(profile) << "model = RVX46\nresolution = 1234x\n";
    const struct {
        std::string bench;
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {"RVX46", {"set", "-m", "RVX99", "resolution=2000"}, 2, "Unknown encoder \"RVX99\""},
        {"RVX46", {"set", "-m", "RVX46", "baud=9600"}, 2, "RVX462Q has no baud setting (it has: resolution)"},
        {"RVX65", {"set", "-m", "RVX65", "address=5"}, 2, "address=0x05 is not offered"},
        {"RVX46", {"set", "-m", "RVX46"}, 2, "settings is required"},
        {"RVX46", {"set", "-m", "RVX46", "-d", "7", "resolution=2000"}, 2, "No programming module \"7\""},
        {"RVX46:count=2", {"set", "-m", "RVX46", "resolution=2000"}, 2, "2 programming modules found"},
        {"spi-echo", {"set", "-m", "RVX46", "resolution=2000"}, 1, "No RVX programming module found"},
        {"RVX46", {"set", "-m", "RVX63", "resolution=2000"}, 1, "No RVX SPI programming module found"},
        {"RVX46:busy", {"set", "-m", "RVX46", "resolution=2000"}, 1, "Programming module error."},
        {"RVX48", {"set", "-m", "RVX46", "resolution=2000"}, 1, "Communication error with RVX encoder."},
        {"RVX46", {"frobnicate"}, 2, "Unknown command \"frobnicate\""},
        {"RVX65", {"set", "-m", "RVX65", "termination=on"}, 2, "The RVX652E has no termination setting"},
        // A bad profile touches no encoder.
        {"RVX46", {"apply", profile}, 2, profile + ":2: resolution=1234x: not a number"},
        // Questions are refused without a terminal.
        {"RVX46:fw=0x14",
         {"update-firmware", "-m", "RVX46"},
         2,
         "Firmware version on encoder: 0x14\nLatest firmware version available: 0x15\n\nUpdate to latest "
         "version?\nNo answer without a terminal: run with --yes to answer yes."},
        // A corrupt record: the window's question on connecting, here for every command.
        {"RVX64:record=!!!!!!!!",
         {"info", "-m", "RVX64"},
         2,
         "Encoder settings are invalid/corrupt. Reprogram with default values?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto run = cli(c.bench, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.message));
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(readFile(profile + ".log"), "") << "no log line either";
}

TEST(Set, ErrorsAsJsonKeepStdoutOneDocument) {
    const auto run = cli("RVX46", {"--json", "set", "-m", "RVX46", "resolution=1234"});
    EXPECT_EQ(run.exitCode, 2);
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["command"], "set");
    EXPECT_EQ(doc["exit_code"], 2);
    EXPECT_THAT(doc["error"], HasSubstr("offers no resolution 1234"));
}

TEST(Set, ASettingTheEncoderDoesNotKeepFailsVerificationWithExitCode3) {
    // The EEPROM cell of the node address no longer takes a write.
    const auto run = cli("RVX65:wornee=0xC0,address=4", {"--json", "set", "-m", "RVX65", "address=0x08"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    const auto doc = json::parse(run.out);
    EXPECT_EQ(doc["verified"], false);
    EXPECT_EQ(doc["settings_after"]["address"], 4);
    EXPECT_THAT(run.err,
                HasSubstr("Verification after programming failed: address reads 0x04, 0x08 was programmed"));
}

TEST(Set, AModuleUnpluggedDuringTheReflashIsAModuleErrorNotASuccess) {
    // The module's calls fail from the 300th on: after connecting, within the re-flash.
    const auto run = cli("RVX46:fail=300:4", {"set", "-m", "RVX46", "resolution=2000"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr("Setting RVX Encoder Resolution: Erasing")) << "the re-flash had begun";
    EXPECT_THAT(run.err,
                HasSubstr("Programming module error.\nPlease ensure that RVX-LINK programming module "
                          "is connected to your computer.\n\nUnable to"));
    EXPECT_THAT(run.out, Not(HasSubstr("Encoder programmed")));
}

TEST(Questions, YesAnswersThemAndNothingIsAskedWhenNothingIsDue) {
    const auto updated = cli("RVX46:fw=0x14", {"--json", "--yes", "update-firmware", "-m", "RVX46"});
    ASSERT_EQ(updated.exitCode, 0) << updated.err;
    const auto doc = json::parse(updated.out);
    EXPECT_EQ(doc["firmware_before"], 0x14);
    EXPECT_EQ(doc["firmware_after"], 0x15);
    EXPECT_EQ(doc["updated"], true);
    EXPECT_THAT(updated.err, Not(HasSubstr("Update to latest version?"))) << "--yes asks nothing";

    const auto latest = cli("RVX46", {"update-firmware", "-m", "RVX46"});
    EXPECT_EQ(latest.exitCode, 0) << "the latest asks nothing";
    EXPECT_EQ(latest.out, "Firmware 0x15 is the latest carried\n");

    const auto restored =
        cli("RVX64:record=!!!!!!!!", {"--json", "--yes", "restore-defaults", "-m", "RVX64"});
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(json::parse(restored.out)["restored"], true);
    const auto valid = cli("RVX64", {"restore-defaults", "-m", "RVX64"});
    EXPECT_EQ(valid.exitCode, 0) << "nothing to ask";
    EXPECT_TRUE(valid.out.starts_with("The encoder's stored settings are valid: nothing restored\n"))
        << valid.out;
}

TEST(Questions, RetriesUnderYesEndOnAModuleThatIsGone) {
    const auto run = cli("RVX46:fw=0x14,fail=300:4", {"--yes", "update-firmware", "-m", "RVX46"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_THAT(run.err, HasSubstr("Error occured while programming encoder:\nUnable to"));
    const auto all = linesOf(run.err);
    EXPECT_EQ(std::count(all.begin(), all.end(), "Programming RVX Encoder: Connecting (1 %)"), 3)
        << "the first attempt and two retries\n"
        << run.err;
}

TEST(Diagnostics, WritesTheReportFileAndRefusesAnUnwritableOne) {
    ScratchFolder scratch;
    const auto path = scratch.path("encoder.dat");
    const auto run = cli("RVX46:datecode=1234", {"diagnostics", "-m", "RVX46", "-o", path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Diagnostics saved to " + path + "\n");
    const auto report = readFile(path);
    EXPECT_TRUE(report.starts_with("RVX Vantix\x99 diagnostics data\nModel: RVX462Q\nFirmware revision: 15\n"
                                   "Datecode: 1234\n"))
        << report.substr(0, 200);
    EXPECT_THAT(run.err, HasSubstr("Getting RVX Encoder Diagnostics: Acquiring samples"));

    const auto unwritable = cli("RVX46", {"diagnostics", "-m", "RVX46", "-o", "/nonexistent/x.dat"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_THAT(unwritable.err, HasSubstr("Unable to write diagnostics to \"/nonexistent/x.dat\""));
    EXPECT_THAT(unwritable.err, Not(HasSubstr("Getting RVX Encoder Diagnostics"))) << "no acquisition";
}

TEST(WatchAndZero, ReadThePositionAndZeroWhereTheEncoderCan) {
    const auto watch = cli("RVX65", {"--json", "watch", "-m", "RVX65", "-n", "3"});
    ASSERT_EQ(watch.exitCode, 0) << watch.err;
    const auto doc = json::parse(watch.out);
    ASSERT_EQ(doc["readings"].size(), 3u);
    EXPECT_TRUE(doc["readings"][0].contains("position"));

    const auto zero = cli("RVX46", {"zero", "-m", "RVX46"});
    EXPECT_EQ(zero.exitCode, 0) << zero.err;
    EXPECT_EQ(zero.out, "Zero position set!\n");
}

TEST(Apply, SetsEveryEncoderOfTheModelAndLogsEach) {
    ScratchFolder scratch;
    const auto profile = scratch.path("line3.profile"), log = scratch.path("line3.log");
    std::ofstream(profile) << "# line 3\nmodel = RVX46\nresolution = 2000\n";
    const auto run = cli("RVX46:count=3,res=1000", {"apply", profile, "--log", log});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto logged = linesOf(readFile(log));
    ASSERT_EQ(logged.size(), 4u) << readFile(log);
    EXPECT_EQ(
        logged[0],
        "# time\tmodule\tpart\tfirmware_before\tfirmware_after\tsettings_before\tsettings_after\tresult");
    for (int i = 0; i < 3; ++i) {
        const auto& line = logged[1 + i];
        EXPECT_THAT(line, HasSubstr("\tRVXSIM100" + std::to_string(i) +
                                    "\tRVX462Q\t0x15\t0x15\tresolution=1000\tresolution=2000\tok"));
        EXPECT_EQ(line.size() - line.find('\t'), line.size() - 20) << "an ISO time first: " << line;
    }
    EXPECT_EQ(linesOf(run.out).size(), 3u) << run.out;
    EXPECT_THAT(run.err, HasSubstr("\nRVXSIM1002: Setting RVX Encoder Resolution: Verifying"));

    // A second run appends under the same header.
    EXPECT_EQ(cli("RVX46:count=2", {"apply", profile, "--log", log}).exitCode, 0);
    EXPECT_EQ(linesOf(readFile(log)).size(), 6u);
    // Only the modules named, by serial number.
    EXPECT_EQ(cli("RVX46:count=3", {"apply", profile, "--log", log, "-d", "RVXSIM1002"}).exitCode, 0);
    EXPECT_THAT(linesOf(readFile(log)).back(), HasSubstr("\tRVXSIM1002\t"));
    EXPECT_EQ(linesOf(readFile(log)).size(), 7u);
}

TEST(Apply, AFailingEncoderIsLoggedAndTheOthersStillSet) {
    ScratchFolder scratch;
    const auto profile = scratch.path("p"), log = scratch.path("p.log");
    std::ofstream(profile) << "model = RVX46\nresolution = 2000\nfirmware = latest\n";
    const auto run = cli("RVX46:fw=0x14;RVX48;RVX46", {"--json", "apply", profile});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    const auto results = json::parse(run.out)["results"];
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0]["result"], "ok");
    EXPECT_EQ(results[0]["firmware_before"], 0x14);
    EXPECT_EQ(results[0]["firmware_after"], 0x15);
    EXPECT_THAT(results[1]["result"], HasSubstr("failed: Communication error with RVX encoder."));
    EXPECT_EQ(results[1]["exit_code"], 1);
    EXPECT_EQ(results[2]["result"], "ok");
    const auto logged = linesOf(readFile(log));
    ASSERT_EQ(logged.size(), 4u) << "the log defaults to the profile's name with .log";
    EXPECT_THAT(logged[2], HasSubstr("\tRVXSIM1001\t-\t-\t-\t-\t-\tfailed: Communication error"));
}

TEST(Help, NamesTheCommandsAndTheBackendOptions) {
    const auto run = runCli({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* word :
         {"list", "info", "set", "update-firmware", "zero", "restore-defaults", "diagnostics", "watch",
          "apply", "--json", "--yes", "--simulate[=BENCH]", "--default-latency"})
        EXPECT_THAT(run.out, HasSubstr(word));
    EXPECT_EQ(runCli({"--simulate=RVX99", "list"}).exitCode, 2) << "a bench that cannot be built";
}

} // namespace
