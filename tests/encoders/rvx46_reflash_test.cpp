// Re-flashing RVX46-line encoders on the bench, end to end through the AN1310
// host and the bench chip's bootloader: the flash holds the image for the key,
// the encoder runs it, and its identity survives, also across failed attempts.
#include "encoders/FirmwareSet.h"
#include "encoders/RVX46_47.h"
#include "encoders/RVX84_86.h"
#include "rvx46_bench.h"
#include "sim/models/Rvx46Firmware.h"

#include <algorithm>
#include <array>

namespace {

using rvx46test::thrownBy;

class Rvx46Reflash : public rvx46test::Rvx46LineBench {
protected:
    // The bench's encoders run only the simulation images.
    void SetUp() override {
        if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "built with the maker's firmware images";
    }

    StatusCallback record = [this](const std::string& line) { status.push_back(line); };
    std::vector<std::string> status;

    // Model code, the kept byte 0x7A, the date code and the kept byte 0x7D.
    using Identity = std::array<std::uint8_t, 5>;
    Identity identity(std::size_t index = 0) {
        Identity id{};
        for (std::size_t i = 0; i < id.size(); ++i)
            id[i] = device(index).eeprom(static_cast<std::uint8_t>(0x79 + i));
        return id;
    }

    // The flash below the bootloader and the EEPROM, less what the host moves or
    // rewrites, must be the image's.
    void expectFlashHolds(FirmwareImage image) {
        ASSERT_FALSE(image.empty());
        sim::PicChip expected(sim::rvx46LinePart());
        expected.programHex(std::string_view(image.data(), image.size()));
        auto& chip = device().chip();
        const auto bootloader = device().bootloader().bootloaderStart();
        // The image's reset jump (4 bytes) moves below the bootloader.
        EXPECT_TRUE(chip.flashBytes(4, bootloader - 4) == expected.flashBytes(4, bootloader - 4));
        for (std::uint32_t offset = 0; offset < chip.eepromSize(); ++offset)
            if (offset < 0x78 || offset > 0x7F) {
                ASSERT_EQ(chip.eeprom(offset), expected.eeprom(offset)) << "EEPROM " << offset;
            }
    }
};

TEST_F(Rvx46Reflash, SetResolutionFlashesTheImageForItAndKeepsTheIdentity) {
    addEncoder("RVX46", {{"code", "0xE3"}, {"datecode", "2319"}});
    RVX::RVX46 encoder(0);
    const auto before = identity();

    encoder.set_resolution(2048, record);

    expectFlashHolds(RVX::firmware::find("RVX46", 2048));
    ASSERT_TRUE(device().firmware());
    EXPECT_EQ(device().firmware()->resolution, 2048);
    EXPECT_EQ(encoder.get_resolution(), 2048);
    EXPECT_EQ(device().eeprom(0x78), 0x30);
    EXPECT_EQ(encoder.firmware_version(), 0x15);
    EXPECT_EQ(identity(), before);
    EXPECT_EQ(encoder.datecode(), 2319);
    EXPECT_EQ(encoder.last_program_date(),
              std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
    EXPECT_NE(std::find(status.begin(), status.end(), "Connecting..."), status.end());
    EXPECT_EQ(std::count(status.begin(), status.end(), "Programming complete. Resetting encoder..."), 1);
    EXPECT_NO_THROW(encoder.read_position());
}

TEST_F(Rvx46Reflash, SetCommutationSelectsTheImageOfTheCombination) {
    addEncoder("RVX84", {{"code", "0xE9"}});
    RVX::RVX84 encoder(0);
    const auto before = identity();

    encoder.set_commutation(1024, 8, true, record);

    expectFlashHolds(RVX::firmware::find("RVX84", 0x40011));
    const auto& running = *device().firmware();
    EXPECT_EQ(running.resolution, 1024);
    EXPECT_EQ(running.poles, 8);
    EXPECT_TRUE(running.counterClockwise);
    EXPECT_EQ(device().eeprom(0x82), 0x04);
    EXPECT_EQ(device().eeprom(0x83), 0x00);
    EXPECT_EQ(device().eeprom(0x84), 8);
    EXPECT_EQ(device().eeprom(0x85), 1);
    EXPECT_TRUE(encoder.get_direction());
    EXPECT_EQ(encoder.get_poles(), 8);
    EXPECT_EQ(identity(), before);
}

TEST_F(Rvx46Reflash, SetResolutionOnACommutationEncoderKeepsPolesAndDirection) {
    addEncoder("RVX86", {{"poles", "6"}, {"ccw", "1"}});
    RVX::RVX86 encoder(0);
    encoder.set_resolution(2500, record);
    expectFlashHolds(RVX::firmware::find("RVX86", RVX::firmware::commutation_key(2500, 6, true)));
    EXPECT_EQ(device().firmware()->poles, 6);
    EXPECT_EQ(encoder.get_resolution(), 2500);
}

TEST_F(Rvx46Reflash, UpdateFirmwareBringsAnOlderEncoderToTheLatestVersion) {
    bench->add("RVX46-oldfw",
               sim::ModelOptions(std::map<std::string, std::string>{{"res", "500"}, {"rpm", "0"}}));
    RVX::RVX46 encoder(0);
    ASSERT_LT(encoder.firmware_version(), encoder.latest_firmware_version());
    encoder.update_firmware(record);
    EXPECT_EQ(encoder.firmware_version(), 0x15);
    EXPECT_EQ(device().firmware()->version, 0x15);
    EXPECT_EQ(encoder.get_resolution(), 500);
    expectFlashHolds(RVX::firmware::find("RVX46", 500));
}

// The flash succeeds, the encoder's EEPROM now holds the image's blank identity,
// and the handshake after the restart fails: the retry must put back the
// identity the encoder had, not the blanks it would read now.
TEST_F(Rvx46Reflash, ARetryAfterAFailedRestartRestoresTheOriginalIdentity) {
    addEncoder("RVX47", {{"code", "0xA1"}, {"datecode", "1907"}});
    auto encoder = std::make_unique<RVX::RVX47>(0);
    const auto before = identity();

    device().scriptReply("q", "q\r\n#");
    EXPECT_THROW(encoder->set_resolution(100, record), RVX::Exception);
    ASSERT_EQ(device().eeprom(0x79), 0xFF); // the image's default

    encoder->update_firmware(record);
    EXPECT_EQ(identity(), before);
    EXPECT_EQ(device().firmware()->resolution, 100);
    encoder.reset();
    RVX::RVX47 again(0);
    EXPECT_STREQ(again.part_number, "RVX473S");
}

// The line goes dead in the middle of the flash: the encoder is left in its
// bootloader with no application to answer EEPROM reads, so the retry must
// work from what the driver remembers.
TEST_F(Rvx46Reflash, ARetryAfterTheFlashWasCutShortNeedsNothingFromTheDeadApplication) {
    auto& module = addEncoder("RVX46", {{"code", "0xE0"}});
    RVX::RVX46 encoder(0);
    const auto before = identity();

    module.faults.drop = 1.0;
    module.faults.armAfterBytes = 2000;
    EXPECT_ANY_THROW(encoder.set_resolution(250, record));
    module.faults = {};
    ASSERT_FALSE(device().applicationRunning());

    encoder.update_firmware(record);
    EXPECT_EQ(device().firmware()->resolution, 250);
    EXPECT_EQ(identity(), before);
    EXPECT_EQ(encoder.get_resolution(), 250);
}

// Lost reply bytes anywhere in the bootloader traffic; then the user retries
// on a clean line until a re-flash goes through.
TEST_F(Rvx46Reflash, SeededLineFaultsDuringAReflashThenARetryLeaveAWorkingEncoder) {
    int failures = 0;
    for (std::uint32_t seed : {3u, 17u, 41u}) {
        SCOPED_TRACE(seed);
        auto& module = addEncoder("RVX84", {{"code", "0xE5"}});
        const auto index = bench->size() - 1;
        RVX::RVX84 encoder(static_cast<std::uint32_t>(index));
        const auto before = identity(index);

        module.reseed(seed);
        module.faults.drop = 0.002;
        module.faults.armAfterBytes = 400;
        bool failed = false;
        try {
            encoder.set_commutation(2000, 12, false, record);
        } catch (const std::exception&) {
            failed = true;
        }
        module.faults = {};
        failures += failed;
        if (failed) {
            EXPECT_NO_THROW(encoder.update_firmware(record));
        }
        auto& dev = device(index);
        ASSERT_TRUE(dev.firmware());
        EXPECT_TRUE(dev.applicationRunning());
        EXPECT_EQ(identity(index), before);
        EXPECT_NO_THROW(encoder.read_position());
        EXPECT_EQ(dev.eeprom(0x78), 0x30);
    }
    EXPECT_GT(failures, 0);
}

} // namespace
