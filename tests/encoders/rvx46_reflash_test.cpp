// Re-flashing RVX46-line encoders on the bench, end to end through the AN1310
// host and the bench chip's bootloader: the flash holds the image for the key,
// the encoder runs it, and its identity survives, also across failed attempts.
#include "encoder_bench.h"
#include "encoders/FirmwareSet.h"
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx84_86/RVX84_86.h"
#include "sim/models/rvx46_47/Rvx46Firmware.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

namespace {

class Rvx46Reflash : public enctest::ReflashBench<sim::Rvx46Line> {
protected:
    // Model code, the kept byte 0x7A, the date code and the kept byte 0x7D.
    std::array<std::uint8_t, 5> identity(std::size_t index = 0) {
        std::array<std::uint8_t, 5> id{};
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

// (The window's tests update the firmware; the retry below re-flashes the present settings.)
TEST_F(Rvx46Reflash, SetResolutionFlashesTheImageForTheSettingAndKeepsTheIdentity) {
    addEncoder("RVX46", {{"code", "0xE3"}, {"datecode", "2319"}});
    RVX::RVX46 encoder(0);
    const auto before = identity();
    encoder.set_resolution(2048, record);
    expectFlashHolds(RVX::firmware::hex("RVX46", 2048));
    EXPECT_EQ(encoder.get_resolution(), 2048);
    EXPECT_EQ(device().eeprom(0x78), 0x30);
    EXPECT_EQ(identity(), before);
    EXPECT_EQ(encoder.last_program_date(),
              std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
    EXPECT_EQ(std::count(status.begin(), status.end(), "Programming complete. Resetting encoder..."), 1);
    EXPECT_NO_THROW(encoder.read_position());
}

TEST_F(Rvx46Reflash, CommutationAndThenResolutionSelectTheImageOfTheCombination) {
    addEncoder("RVX86", {{"poles", "6"}});
    RVX::RVX86 encoder(0);
    const auto before = identity();

    encoder.set_commutation(1024, 8, true, record);
    expectFlashHolds(RVX::firmware::hex("RVX86", 0x40011));
    EXPECT_EQ(identity(), before);

    // A new resolution keeps the poles and direction the encoder has.
    encoder.set_resolution(2500, record);
    expectFlashHolds(RVX::firmware::hex("RVX86", RVX::commutation_key(2500, 8, true)));
    EXPECT_EQ(encoder.get_resolution(), 2500);
    EXPECT_EQ(encoder.get_poles(), 8);
    EXPECT_TRUE(encoder.get_direction());
    device().setEeprom(0x85, 2); // only 1 is counter-clockwise
    EXPECT_FALSE(encoder.get_direction());
}

// A re-flash overwrites the EEPROM with the image's blank identity. When an
// attempt fails, the user's retry must leave a working encoder with the identity
// it had before, not the blanks it might read now; with no application left to
// answer, the retry works from what the driver remembers.
TEST_F(Rvx46Reflash, ARetryAfterAFailedReflashLeavesAWorkingEncoderWithItsIdentity) {
    struct Failure {
        const char* what;
        std::function<void(sim::Module&)> inject;
        std::optional<bool> applicationLeft;
    };
    const auto lostBytes = [](std::uint32_t seed) {
        return
            [seed](sim::Module& m) { m.reseed(seed), m.faults.drop = 0.002, m.faults.armAfterBytes = 400; };
    };
    const Failure failures[] = {
        {"the handshake after the restart fails",
         [](sim::Module& m) { m.device<sim::Rvx46Line>().scriptReply("q", "q\r\n#"); }, true},
        {"the line goes dead in the middle of the flash",
         [](sim::Module& m) { m.faults.drop = 1.0, m.faults.armAfterBytes = 2000; }, false},
        {"reply bytes are lost here and there (seed 3)", lostBytes(3), std::nullopt},
        {"reply bytes are lost here and there (seed 17)", lostBytes(17), std::nullopt},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.what);
        auto& module = addEncoder("RVX47", {{"code", "0xA1"}, {"datecode", "1907"}});
        const auto index = static_cast<std::uint32_t>(bench->size() - 1);
        auto encoder = std::make_unique<RVX::RVX47>(index);
        const auto before = identity(index);

        failure.inject(module);
        EXPECT_ANY_THROW(encoder->set_resolution(100, record));
        module.faults = {};
        if (failure.applicationLeft) {
            ASSERT_EQ(device(index).applicationRunning(), *failure.applicationLeft);
        }
        if (failure.applicationLeft == true) {
            ASSERT_EQ(device(index).eeprom(0x79), 0xFF); // the image's default
        }

        encoder->update_firmware(record);
        EXPECT_EQ(identity(index), before);
        EXPECT_EQ(device(index).firmware()->resolution, 100);
        EXPECT_EQ(device(index).eeprom(0x78), 0x30);
        EXPECT_EQ(encoder->get_resolution(), 100);
        EXPECT_NO_THROW(encoder->read_position());
        encoder.reset();
        EXPECT_STREQ(RVX::RVX47(index).part_number, "RVX473S");
    }
}

} // namespace
