// The one re-flash procedure every AN1310 family runs, on the bench's RVX46
// line: it starts the flashed application itself, refuses to call a flash good
// that the chip does not hold, and keeps what it saved only once erasing began.
#include "AN1310/Exceptions.h"
#include "encoder_bench.h"
#include "encoders/An1310Reflash.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Pictures.h"
#include "encoders/Registry.h"
#include "encoders/rvx84_86/RVX84_86.h"
#include "sim/models/rvx46_47/Rvx46Firmware.h"

#include <algorithm>

namespace {

using enctest::thrownBy;

using ReflashProcedure = enctest::ReflashBench<sim::Rvx46Line>;

TEST_F(ReflashProcedure, StartsTheFlashedApplicationWithoutTheFamilysHelp) {
    addEncoder("RVX46", {{"res", "500"}});
    FTDI::UartLink link(0);
    link.setBaudRate(115200);
    link.setTimeouts(300, 300);
    int saves = 0, restarts = 0, restores = 0;
    RVX::An1310Reflash reflash(link, [] { return "RVX46"; },
                               {[&] { ++saves; }, [&] { ++restarts; }, [&] { ++restores; }});

    // The family's restart does nothing here: the application must already run.
    reflash.program([] { return RVX::firmware::hex("RVX46", 2048); }, record);
    EXPECT_TRUE(device().applicationRunning());
    ASSERT_TRUE(device().firmware());
    EXPECT_EQ(device().firmware()->resolution, 2048);
    EXPECT_EQ((std::vector{saves, restarts, restores}), (std::vector{1, 1, 1}));
    EXPECT_EQ(status.back(), "Programming complete. Resetting encoder...");
    EXPECT_FALSE(reflash.interrupted());
}

// Every write is acknowledged; only the checks against the image can tell
// that the chip did not take one.
TEST_F(ReflashProcedure, AFlashTheChipDoesNotHoldFailsInsteadOfRestoringTheIdentity) {
    const struct {
        const char* option;
        const char* where;
        const char* message;
    } worn[] = {{"worn", "0x2000", "Writing flash failed"}, {"wornee", "0x82", "Verifying EEPROM failed"}};
    for (const auto& cell : worn) {
        SCOPED_TRACE(cell.option);
        status.clear();
        addEncoder("RVX46", {{cell.option, cell.where}});
        RVX::RVX46 encoder(static_cast<std::uint32_t>(bench->size() - 1));
        const auto e = thrownBy<AN1310::OtherException>([&] { encoder.set_resolution(2048, record); });
        EXPECT_STREQ(e.what(), cell.message);
        EXPECT_EQ(std::count(status.begin(), status.end(), "Programming complete. Resetting encoder..."), 0);
    }
}

// An RVX84 at 6 poles, clockwise: a commutation change that fails before
// anything is erased leaves the encoder as it was, and the next change keeps
// the encoder's own pole count and direction, not those of the failed attempt.
TEST_F(ReflashProcedure, AnAttemptThatFailsBeforeErasingIsForgotten) {
    addEncoder("RVX84", {{"poles", "6"}, {"ccw", "0"}, {"boot", "0"}});
    RVX::RVX84 encoder(0);
    const auto e = thrownBy<AN1310::OtherException>([&] { encoder.set_commutation(2048, 12, true, record); });
    EXPECT_STREQ(e.what(), "Bootloader not found");

    device().setBootloaderAnswers(true);
    encoder.connect();
    encoder.set_resolution(512, record);
    ASSERT_TRUE(device().firmware());
    EXPECT_EQ(device().firmware()->resolution, 512);
    EXPECT_EQ(device().firmware()->poles, 6);
    EXPECT_FALSE(device().firmware()->counterClockwise);
}

TEST_F(ReflashProcedure, AFirmwareUpdateFlashesTheImageOfTheEncodersOwnSettings) {
    for (const char* model : {"RVX84", "RVX86"}) {
        SCOPED_TRACE(model);
        addEncoder(model, {{"fw", "0x10"}, {"res", "360"}, {"poles", "10"}, {"ccw", "1"}});
        const auto index = static_cast<std::uint32_t>(bench->size() - 1);
        const auto encoder = RVX::create_encoder(model, index);
        encoder->update_firmware(record);
        const auto& running = device(index).firmware();
        ASSERT_TRUE(running);
        EXPECT_EQ(running->resolution, 360);
        EXPECT_EQ(running->poles, 10);
        EXPECT_TRUE(running->counterClockwise);
        EXPECT_EQ(running->version, encoder->latest_firmware_version());
    }
}

TEST_F(ReflashProcedure, IdentifiesEachCommutationPartWithItsPicture) {
    const struct {
        const char* model;
        const char* code;
        const char* part;
        const char* picture;
    } parts[] = {{"RVX84", "0xE6", "RVX842Q", "RVX84-2"},
                 {"RVX84", "0xE8", "RVX842C", "RVX84"},
                 {"RVX86", "0xA7", "RVX863D", "RVX86-2"}};
    for (const auto& part : parts) {
        addEncoder(part.model, {{"code", part.code}});
        const auto encoder = RVX::create_encoder(part.model, static_cast<std::uint32_t>(bench->size() - 1));
        EXPECT_STREQ(encoder->part_number, part.part);
        const auto expected = RVX::model_picture(part.picture);
        EXPECT_TRUE(std::ranges::equal(encoder->picture, expected)) << part.code;
    }
}

} // namespace
