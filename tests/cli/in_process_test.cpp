// The command line run in this process on a bench the test holds, to see
// what reached the encoder.
#include "cli/CommandLine.h"
#include "sim/Bench.h"
#include "sim/Loopback.h"
#include "sim/models/rvx46_47/Rvx46Line.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace {

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
