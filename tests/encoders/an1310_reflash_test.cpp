// Re-flashing the encoders behind the AN1310 bootloader on the bench, end to
// end through the AN1310 host and the bench chip's bootloader: the one
// procedure every family runs, the image each family's settings select, and
// the identity (and node address and zero offset) each keeps, also when an
// attempt fails and the user tries again.
#include "AN1310/Exceptions.h"
#include "encoder_bench.h"
#include "encoders/An1310Reflash.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Registry.h"
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx84_86/RVX84_86.h"
#include "sim/models/rvx46_47/Rvx46Line.h"
#include "sim/models/rvx65_68/TerseEncoder.h"

#include <algorithm>
#include <fmt/format.h>
#include <functional>
#include <optional>
#include <utility>

namespace {

using namespace std::chrono;

class An1310Reflash : public ReflashBench<sim::BootloadedApplication> {
protected:
    sim::TerseEncoder& terse(std::size_t index) { return bench->module(index).device<sim::TerseEncoder>(); }
    // The identity bytes 0x79 to 0x7D, and on the terse line the node address and zero offset.
    std::vector<unsigned> kept(std::size_t index = 0) {
        std::vector<unsigned> bytes;
        for (std::uint8_t address = 0x79; address <= 0x7D; ++address)
            bytes.push_back(device(index).eeprom(address));
        if (const auto* line = dynamic_cast<sim::TerseEncoder*>(&device(index)))
            bytes.insert(bytes.end(), {line->eeprom(0xC0), line->eepromWord(0xF8)});
        return bytes;
    }
    // This station, today and the latest version are written after the flash.
    void expectStamped(RVX::Encoder& encoder, std::size_t index = 0) {
        EXPECT_EQ(device(index).eeprom(0x78), 0x30);
        EXPECT_EQ(encoder.last_program_date(), floor<days>(system_clock::now()));
        EXPECT_EQ(encoder.firmware_version(), encoder.latest_firmware_version());
        EXPECT_NO_THROW(encoder.read_position());
    }
    long completions() const {
        return std::count(status.begin(), status.end(), "Programming complete. Resetting encoder...");
    }
    // The image the RVX46 line encoder runs: its model, resolution, poles and direction.
    std::string running() {
        const auto& image = bench->module(0).device<sim::Rvx46Line>().firmware();
        if (!image) return "none";
        return fmt::format("{} {} {} {}", image->model, image->resolution, unsigned{image->poles},
                           image->counterClockwise ? "ccw" : "cw");
    }
};

TEST_F(An1310Reflash, TheProcedureStartsTheFlashedApplicationWithoutTheFamilysHelp) {
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
    EXPECT_EQ(running(), "RVX46 2048 0 cw");
    EXPECT_EQ((std::vector{saves, restarts, restores}), (std::vector{1, 1, 1}));
    EXPECT_EQ(status.back(), "Programming complete. Resetting encoder...");
    EXPECT_FALSE(reflash.interrupted());
}

// Every write is acknowledged; only the checks against the image can tell
// that the chip did not take one (the AN1310 tests check each kind of memory).
TEST_F(An1310Reflash, AFlashTheChipDoesNotHoldFailsInsteadOfRestoringTheIdentity) {
    const auto encoder = open("RVX46", {{"worn", "0x2000"}});
    const auto e = thrownBy<AN1310::OtherException>([&] { encoder->set_resolution(2048, record); });
    EXPECT_STREQ(e.what(), "Writing flash failed");
    EXPECT_EQ(completions(), 0);
}

// An RVX84 at 6 poles, clockwise: a commutation change that fails before
// anything is erased leaves the encoder as it was, and the next change keeps
// the encoder's own pole count and direction, not those of the failed attempt.
TEST_F(An1310Reflash, AnAttemptThatFailsBeforeErasingIsForgotten) {
    const auto encoder = open("RVX84", {{"poles", "6"}, {"ccw", "0"}, {"boot", "0"}});
    const auto e =
        thrownBy<AN1310::OtherException>([&] { encoder->set_commutation(2048, 12, true, record); });
    EXPECT_STREQ(e.what(), "Bootloader not found");

    device().setBootloaderAnswers(true);
    encoder->connect();
    encoder->set_resolution(512, record);
    EXPECT_EQ(running(), "RVX84 512 6 cw");
}

// The commutation set selects the image; a new resolution, and an update,
// keep the poles and direction the encoder has.
TEST_F(An1310Reflash, Rvx46LineFlashesTheImageOfItsSettingsAndKeepsItsIdentity) {
    const auto encoder = open("RVX86", {{"poles", "6"}, {"datecode", "2319"}});
    const auto before = kept();
    encoder->set_commutation(1024, 8, true, record);
    EXPECT_EQ(running(), "RVX86 1024 8 ccw");

    encoder->set_resolution(2500, record);
    EXPECT_EQ(running(), "RVX86 2500 8 ccw");
    device().setEeprom(0x84, 6); // the update flashes what the encoder says it has
    encoder->update_firmware(record);
    EXPECT_EQ(running(), "RVX86 2500 6 ccw");
    EXPECT_EQ(encoder->get_resolution(), 2500);
    EXPECT_EQ(encoder->get_poles(), 6);
    EXPECT_TRUE(encoder->get_direction());
    EXPECT_EQ(kept(), before);
    expectStamped(*encoder);
    EXPECT_EQ(completions(), 3);
    device().setEeprom(0x85, 2); // only 1 is counter-clockwise
    EXPECT_FALSE(encoder->get_direction());
}

// A re-flash overwrites the EEPROM with the image's blank identity. When an
// attempt fails, the user's retry must leave a working encoder that runs the
// image for its part with what it had before, not the blanks it might read
// now; with no application left to answer, the retry works from what the
// driver kept. A selectable RVX65 changes its baud rate, the RVX47 its
// resolution, and the others update their firmware.
TEST_F(An1310Reflash, ARetryAfterAFailedReflashLeavesAWorkingEncoderWithWhatItHad) {
    const auto lostBytes = [](std::uint32_t seed) {
        return
            [seed](sim::Module& m) { m.reseed(seed), m.faults.drop = 0.002, m.faults.armAfterBytes = 400; };
    };
    const auto deadLine = [](sim::Module& m) { m.faults.drop = 1.0, m.faults.armAfterBytes = 2000; };
    const struct {
        const char* part;
        const char* what;
        std::function<void(sim::Module&)> inject;
        std::optional<bool> applicationLeft;
        bool onceFlashed = false;      // injected when the flash has completed
        const char* message = nullptr; // the driver's own, with the replies or the address as code
        std::uint32_t code = 0;
    } failures[] = {
        {"RVX473S", "the handshake after the restart fails",
         [](sim::Module& m) { m.device<sim::Rvx46Line>().scriptReply("q", "q\r\n#"); }, true, false,
         "Unable to connect to RVX47 encoder. Failed to initialization calibration", 0x230A0D71},
        {"RVX473S", "the line goes dead in the middle of the flash", deadLine, false},
        {"RVX473S", "reply bytes are lost here and there (seed 3)", lostBytes(3), {}},
        {"RVX473S", "reply bytes are lost here and there (seed 17)", lostBytes(17), {}},
        {"RVX653F", "the line goes dead in the middle of the flash", deadLine, false},
        {"RVX653B", "the zero offset cannot be read after the restart",
         [](sim::Module& m) { m.device<sim::TerseEncoder>().scriptReply("eF802", "00"); }, true, true,
         "Unable to read RVX65 EEPROM", 0xF8},
        {"RVX683A", "reply bytes are lost here and there (seed 3)", lostBytes(3), {}},
        {"RVX622C", "the line goes dead in the middle of the flash", deadLine, false},
        {"RVX622C", "a slow EEPROM loses a write that nothing answers",
         [](sim::Module& m) { m.device<sim::TerseEncoder>().setStoreTime(milliseconds(30)); }, true, true,
         "Unable to write RVX62 EEPROM", 0x7C},
        {"RVX693B", "reply bytes are lost here and there (seed 17)", lostBytes(17), {}},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(std::string(failure.part) + ": " + failure.what);
        const std::string part = failure.part, model = part.substr(0, 5);
        const bool rvx47 = model == "RVX47";
        std::map<std::string, std::string> options{{"part", part}, {"fw", "0x01"}, {"datecode", "1907"}};
        if (!rvx47) options["zero"] = "0x0ABC";
        if (model == "RVX65") options["address"] = "0x24";
        auto& module = addEncoder(model, options);
        const auto index = lastIndex();
        auto encoder = RVX::create_encoder(model, index);
        const auto before = kept(index);
        bool injected = false;
        const StatusCallback watch = [&](const std::string& line) {
            record(line);
            const bool flashed = line == "Programming complete. Resetting encoder...";
            if (failure.onceFlashed && flashed && !std::exchange(injected, true)) failure.inject(module);
        };
        const auto reflash = [&](bool retry) {
            if (encoder->set_baud_rate)
                encoder->set_baud_rate(38400, watch);
            else if (rvx47 && !retry)
                encoder->set_resolution(100, watch);
            else
                encoder->update_firmware(watch);
        };

        if (!failure.onceFlashed) failure.inject(module);
        if (failure.message) {
            EXPECT_TRUE(failsWith([&] { reflash(false); }, failure.message, failure.code));
        } else {
            EXPECT_ANY_THROW(reflash(false));
        }
        module.faults = {};
        if (failure.applicationLeft) {
            ASSERT_EQ(device(index).applicationRunning(), *failure.applicationLeft);
        }
        if (failure.applicationLeft == true && rvx47) {
            ASSERT_EQ(device(index).eeprom(0x79), 0xFF); // the image's default
        }
        if (!rvx47) terse(index).setStoreTime(microseconds(device(index).chip().part().eepromByteMicros));
        if (encoder->set_baud_rate && !device(index).applicationRunning()) {
            // No firmware runs, so no rate: whichever the user picks re-flashes.
            EXPECT_EQ(encoder->get_baud_rate(), 0u);
        }
        const auto lost = rvx47 ? 0 : terse(index).lostWrites();

        const auto sent = sentBy([&] { reflash(true); });
        EXPECT_EQ(kept(index), before);
        expectStamped(*encoder, index);
        // Our own line stays at 115200 throughout.
        EXPECT_EQ(bench->module(index).line().baud, 115200u);
        if (rvx47) {
            EXPECT_EQ(encoder->get_resolution(), 100);
        } else {
            const auto& running = terse(index).firmware();
            ASSERT_TRUE(running);
            const bool silent = model == "RVX62" || model == "RVX69";
            EXPECT_EQ(running->model, silent ? "RVX62_69" : model);
            EXPECT_EQ(running->bits, encoder->position_bits);
            EXPECT_EQ(running->zero, static_cast<bool>(encoder->zero));
            EXPECT_EQ(terse(index).rs485Baud(), encoder->get_baud_rate ? encoder->get_baud_rate() : 0u);
            if (encoder->set_baud_rate) {
                EXPECT_EQ(sent.back(), "u8302"); // the rate's index, after the flash
                EXPECT_EQ(encoder->get_baud_rate(), 38400u);
            }
            // The silent line leaves the version to the image and gives each write its time.
            EXPECT_EQ(std::ranges::any_of(sent, [](const std::string& c) { return c.starts_with("u81"); }),
                      !silent);
            EXPECT_EQ(terse(index).lostWrites(), lost);
        }
        encoder.reset();
        EXPECT_EQ(RVX::create_encoder(model, index)->part_number, part);
    }
}

} // namespace
