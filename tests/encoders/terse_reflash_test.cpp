// Re-flashing the RVX65/68 and RVX62/69 encoders on the bench, end to end
// through the AN1310 host and the bench chip's bootloader: the encoder runs
// the image for the key and keeps its identity, node address and zero offset,
// also when an attempt fails and the user tries again.
#include "encoder_bench.h"
#include "encoders/Registry.h"
#include "sim/models/rvx65_68/TerseEncoder.h"

#include <algorithm>
#include <array>
#include <functional>

namespace {

using enctest::failsWith;
using enctest::thrownBy;
using namespace std::chrono;

class TerseReflash : public enctest::ReflashBench<sim::TerseEncoder> {
protected:
    // The identity bytes 0x79 to 0x7D, the node address and the zero offset.
    std::array<unsigned, 7> kept(std::size_t index = 0) {
        auto& d = device(index);
        return {d.eeprom(0x79), d.eeprom(0x7A), d.eeprom(0x7B),    d.eeprom(0x7C),
                d.eeprom(0x7D), d.eeprom(0xC0), d.eepromWord(0xF8)};
    }
    void expectStamped(RVX::Encoder& encoder, std::size_t index = 0) {
        EXPECT_EQ(device(index).eeprom(0x78), 0x30);
        EXPECT_EQ(encoder.last_program_date(), floor<days>(system_clock::now()));
        EXPECT_EQ(encoder.firmware_version(), encoder.latest_firmware_version());
        EXPECT_NO_THROW(encoder.read_position());
    }
    std::size_t completions() const {
        return static_cast<std::size_t>(
            std::count(status.begin(), status.end(), "Programming complete. Resetting encoder..."));
    }
    std::vector<std::string> sentSince(std::size_t from, std::size_t index = 0) {
        const auto& all = device(index).commands();
        return {all.begin() + static_cast<long>(from), all.end()};
    }
};

// A baud-rate change on a selectable RVX65, a firmware update on the others.
TEST_F(TerseReflash, EachFamilyRunsTheImageForItsKeyAndKeepsIdentityAddressAndZero) {
    const struct {
        const char* model;
        const char* part;
        std::uint32_t newRate; // 0: update the firmware
        int bits;
        bool zero;
        std::uint32_t baud;
        const char* images;
    } parts[] = {
        {"RVX65", "RVX653G", 9600, 12, false, 9600, "RVX65"},
        {"RVX65", "RVX653B", 0, 14, true, 2000000, "RVX65"},
        {"RVX68", "RVX683A", 0, 12, true, 0, "RVX68"},
        {"RVX62", "RVX622C", 0, 12, false, 0, "RVX62_69"},
        {"RVX69", "RVX693B", 0, 14, true, 0, "RVX62_69"},
    };
    for (const auto& p : parts) {
        SCOPED_TRACE(p.part);
        status.clear();
        std::map<std::string, std::string> options{
            {"part", p.part}, {"fw", "0x01"}, {"zero", "0x2345"}, {"datecode", "1811"}, {"turns", "5"}};
        if (p.model == std::string("RVX65")) options["address"] = "0x43";
        addEncoder(p.model, options);
        const auto index = bench->size() - 1;
        const auto encoder = RVX::create_encoder(p.model, static_cast<std::uint32_t>(index));
        const auto before = kept(index);
        const auto from = device(index).commands().size();
        if (p.newRate)
            encoder->set_baud_rate(p.newRate, record);
        else
            encoder->update_firmware(record);
        const auto sent = sentSince(from, index);

        const auto& running = device(index).firmware();
        ASSERT_TRUE(running);
        EXPECT_EQ(running->model, p.images);
        EXPECT_EQ(running->bits, p.bits);
        EXPECT_EQ(running->zero, p.zero);
        EXPECT_EQ(device(index).rs485Baud(), p.baud);
        EXPECT_EQ(kept(index), before);
        expectStamped(*encoder, index);
        EXPECT_EQ(completions(), 1u);
        if (encoder->read_turns) {
            EXPECT_EQ(encoder->read_turns(), 5);
        }
        if (p.newRate) {
            EXPECT_EQ(sent.back(), "u8304"); // the rate's index, after the flash
            EXPECT_EQ(encoder->get_baud_rate(), p.newRate);
        }
        // The silent line leaves the version to the image and gives each write its time.
        EXPECT_EQ(std::ranges::any_of(sent, [](const std::string& c) { return c.starts_with("u81"); }),
                  p.images != std::string("RVX62_69"));
        EXPECT_EQ(device(index).lostWrites(), 0u);
        // Our own line stays at 115200 throughout.
        EXPECT_EQ(bench->module(index).line().baud, 115200u);
    }
}

// A re-flash overwrites the EEPROM with the image's blank identity. When an
// attempt fails, the user's retry must leave a working encoder with what it
// had before; with no application left to answer, the retry works from what
// the driver kept.
TEST_F(TerseReflash, ARetryAfterAFailedReflashEndsTheSameWay) {
    const auto lostBytes = [](std::uint32_t seed) {
        return
            [seed](sim::Module& m) { m.reseed(seed), m.faults.drop = 0.002, m.faults.armAfterBytes = 400; };
    };
    const auto deadLine = [](sim::Module& m) { m.faults.drop = 1.0, m.faults.armAfterBytes = 2000; };
    const struct {
        const char* model;
        const char* what;
        std::function<void(sim::Module&)> inject;
        bool onceFlashed;              // injected when the flash has completed
        const char* message = nullptr; // the driver's own, with the address as code
        std::uint32_t code = 0;
    } failures[] = {
        {"RVX65", "the line goes dead in the middle of the flash", deadLine, false},
        {"RVX65", "the zero offset cannot be read after the restart",
         [](sim::Module& m) { m.device<sim::TerseEncoder>().scriptReply("eF802", "00"); }, true,
         "Unable to read RVX65 EEPROM", 0xF8},
        {"RVX68", "reply bytes are lost here and there (seed 3)", lostBytes(3), false},
        {"RVX62", "the line goes dead in the middle of the flash", deadLine, false},
        {"RVX62", "a slow EEPROM loses a write that nothing answers",
         [](sim::Module& m) { m.device<sim::TerseEncoder>().setStoreTime(milliseconds(30)); }, true,
         "Unable to write RVX62 EEPROM", 0x7C},
        {"RVX69", "reply bytes are lost here and there (seed 17)", lostBytes(17), false},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(std::string(failure.model) + ": " + failure.what);
        const bool rvx65 = failure.model == std::string("RVX65");
        // This RVX65 part has a selectable rate: its re-flash is a baud-rate change.
        std::map<std::string, std::string> options{{"zero", "0x0ABC"}, {"datecode", "1907"}};
        if (rvx65) options.insert({{"part", "RVX653F"}, {"address", "0x24"}});
        auto& module = addEncoder(failure.model, options);
        const auto index = bench->size() - 1;
        auto encoder = RVX::create_encoder(failure.model, static_cast<std::uint32_t>(index));
        const auto part = std::string(encoder->part_number);
        const auto before = kept(index);
        bool injected = false;
        const StatusCallback watch = [&](const std::string& line) {
            record(line);
            if (failure.onceFlashed && !injected && line == "Programming complete. Resetting encoder...") {
                failure.inject(module);
                injected = true;
            }
        };
        const auto reflash = [&] {
            if (rvx65)
                encoder->set_baud_rate(38400, watch);
            else
                encoder->update_firmware(watch);
        };

        if (!failure.onceFlashed) failure.inject(module);
        if (failure.message) {
            EXPECT_TRUE(failsWith(reflash, failure.message, failure.code));
        } else {
            EXPECT_ANY_THROW(reflash());
        }
        module.faults = {};
        device(index).setStoreTime(microseconds(device(index).chip().part().eepromByteMicros));
        if (rvx65 && !device(index).applicationRunning()) {
            // No firmware runs, so no rate: whichever the user picks re-flashes.
            EXPECT_EQ(encoder->get_baud_rate(), 0u);
        }

        reflash();
        EXPECT_EQ(kept(index), before);
        expectStamped(*encoder, index);
        if (rvx65) {
            EXPECT_EQ(encoder->get_baud_rate(), 38400u);
        }
        encoder.reset();
        EXPECT_STREQ(RVX::create_encoder(failure.model, static_cast<std::uint32_t>(index))->part_number,
                     part.c_str());
    }
}

} // namespace
