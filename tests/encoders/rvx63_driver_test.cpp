// The RVX63 driver against the RVX63 encoder model on the simulated bench.
#include "encoder_bench.h"
#include "encoders/rvx63/RVX63.h"
#include "sim/models/rvx63/Rvx63.h"

#include <chrono>
#include <functional>
#include <tuple>

namespace {

using sim::Bytes;
using Commands = std::vector<Bytes>;
using namespace std::chrono;

class Rvx63Bench : public EncoderBench<sim::Rvx63> {
protected:
    Bytes sentSince(std::size_t from) {
        return Bytes(device().received().begin() + long(from), device().received().end());
    }
    milliseconds slept() { return bench->totals().slept; }
};

TEST_F(Rvx63Bench, ConnectsWithTwoReadinessPollsOrTimesOut) {
    addEncoder("RVX63");
    device().hangOnRestart(true);
    const auto encoder = open("RVX63");
    // Nothing but two no-operation bytes: the model is not checked.
    EXPECT_EQ(device(1).received(), (Bytes{0x00, 0x00}));

    const auto sleeps = bench->totals().sleeps;
    EXPECT_TRUE(failsWith([] { RVX::RVX63 encoder(0); }, "Timeout waiting for RVX63 to be ready", 0u));
    // One poll, then twenty more, each after 100 ms; the channel is closed again.
    EXPECT_EQ(device(0).received().size(), 21u);
    EXPECT_EQ(bench->totals().sleeps - sleeps, 20u);
    EXPECT_FALSE(bench->module(0).isOpen());
}

TEST_F(Rvx63Bench, ResolutionGoesThroughTheIndexTableInCalibrationMode) {
    const auto encoder = open("RVX63");
    // Each of the sixteen both ways, the four not offered included.
    for (std::uint16_t resolution :
         {96, 200, 250, 512, 192, 400, 500, 1024, 384, 800, 1000, 2048, 768, 1600, 2000, 4096}) {
        encoder->set_resolution(resolution, nullptr);
        EXPECT_EQ(device().resolution(), resolution);
        EXPECT_EQ(encoder->get_resolution(), resolution);
    }

    EXPECT_EQ(sentBy([&] { encoder->set_resolution(1600, nullptr); }),
              (Commands{{0x50}, {0x80, 0xFA, 0xED}}));
    EXPECT_EQ(sentBy([&] {
                  EXPECT_TRUE(failsWith([&] { encoder->set_resolution(1023, nullptr); },
                                        "Unable to set RVX63 resolution", 1023u));
              }),
              (Commands{{0x50}}));

    // Only the low four bits of the code count.
    device().eeprom()[0xFA] = 0x37;
    EXPECT_EQ(sentBy([&] { EXPECT_EQ(encoder->get_resolution(), 1024); }),
              (Commands{{0x50}, {0x90, 0xFA, 0x01}}));
}

TEST_F(Rvx63Bench, IdentityBytesComeFromTheirEepromAddresses) {
    // The window's report shows the date code, station and program date.
    const auto encoder = open("RVX63", {{"code", "0x63"}});
    EXPECT_EQ(encoder->model_code(), 0x63);

    EXPECT_EQ(sentBy([&] { encoder->set_datecode(0x0801); }),
              (Commands{{0x80, 0x7B, 0x08}, {0x80, 0x7C, 0x01}}));
    EXPECT_EQ(encoder->datecode(), 0x0801);

    // Reads wait out busy answers and reject odd ones.
    const auto sent = device().received().size();
    device().scriptReply({0xA5, 0xA5, 0x90, 0x42});
    EXPECT_EQ(encoder->firmware_version(), 0x42);
    EXPECT_EQ(sentSince(sent), (Bytes{0x90, 0x81, 0x01, 0x00, 0x00, 0x00, 0x00}));

    device().scriptReply({0x33});
    EXPECT_TRUE(failsWith([&] { encoder->firmware_version(); }, "Unable to read RVX63 EEPROM", 0x33u));
}

TEST_F(Rvx63Bench, PositionIsTheTwoBytesAfterTheEchoUntilZeroResetsIt) {
    const auto encoder = open("RVX63", {{"position", "3000"}});
    auto from = device().received().size();
    EXPECT_EQ(encoder->read_position(), 3000);
    // Command, three busy answers and the echo, then the two position bytes.
    EXPECT_EQ(sentSince(from), (Bytes{0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));

    // The command not accepted: no polls.
    from = device().received().size();
    device().scriptFrames({0x33});
    EXPECT_TRUE(failsWith([&] { encoder->read_position(); },
                          "Invalid response to RVX63 read-position command", 0x33u));
    EXPECT_EQ(sentSince(from), (Bytes{0x10}));

    device().scriptReply({0xA5, 0x11, 0x01, 0x02});
    EXPECT_TRUE(failsWith([&] { encoder->read_position(); },
                          "Encoder did not respond with read-position command", 0x11u));

    // Zero is followed by the full connect, which also ends calibration mode: positions read again.
    encoder->get_resolution();
    const auto waited = slept();
    EXPECT_EQ(sentBy([&] { encoder->zero(); }), (Commands{{0x70}, {0x60}}));
    EXPECT_GE(slept() - waited, milliseconds(500)); // two settles of 250 ms
    EXPECT_EQ(encoder->read_position(), 0);
}

// Each operation polls a limited number of times, 2 ms apart, then gives up
// with its own message; the driver is usable again once the encoder answers.
// (An answer that comes too late is still due and spoils the next position
// command, which checks its very first answer; so position goes first.)
TEST_F(Rvx63Bench, OperationsTimeOutWithTheirOwnMessageWhenTheEncoderStaysBusy) {
    const auto encoder = open("RVX63");
    // The command, the operation, its message, the most busy answers it waits out and its wait.
    const std::tuple<std::uint8_t, std::function<void()>, const char*, std::uint32_t, int> cases[] = {
        {0x10, [&] { encoder->read_position(); }, "Timeout waiting for RVX63 position", 19, 40},
        {0x50, [&] { encoder->get_resolution(); }, "Timeout waiting for RVX63 calibration mode", 20, 40},
        {0x80, [&] { encoder->set_datecode(2026); }, "Timeout waiting for RVX63 EEPROM write", 20, 40},
        {0x70, [&] { encoder->zero(); }, "Timeout waiting for RVX63 zero", 20, 40},
        {0x90, [&] { encoder->model_code(); }, "Timeout waiting for RVX63 EEPROM read", 19, 38},
    };
    for (const auto& [command, run, message, busyAccepted, waitedMs] : cases) {
        SCOPED_TRACE(message);
        device().setBusyAnswers(command, busyAccepted);
        EXPECT_NO_THROW(run());

        device().setBusyAnswers(command, busyAccepted + 1);
        const auto waited = slept();
        EXPECT_TRUE(failsWith(run, message, 0u));
        EXPECT_EQ(slept() - waited, milliseconds(waitedMs));
        device().setBusyAnswers(command, 3);
    }
    EXPECT_EQ(encoder->firmware_version(), 0x15);
}

// Any other error than the driver's own escapes and fails the test.
TEST_F(Rvx63Bench, GarbledAnswersEndInAnErrorNeverInAHang) {
    auto& module = addEncoder("RVX63", {{"position", "2222"}});
    RVX::RVX63 encoder(0);
    module.faults.flip = 0.2;
    module.reseed(63);
    int good = 0, failed = 0;
    for (int i = 0; i < 200; ++i) {
        try {
            // A flip may hit the position bytes themselves; nothing in the protocol can tell.
            good += encoder.read_position() == 2222;
        } catch (const RVX::Exception&) {
            ++failed;
        }
    }
    EXPECT_GT(good, 0);
    EXPECT_GT(failed, 0);
}

// What one position poll costs on the bench's wire line model (on its virtual
// clock): a transfer per byte the protocol needs, a 2 ms sleep before each poll
// of the answer, one USB round trip per transfer, and nothing else.
TEST(Rvx63PollCost, APositionPollTakesOnlyTheTransfersAndSleepsTheProtocolNeeds) {
    auto shared = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    shared->setVirtualClock(true);
    sim::BenchGuard bench(shared);
    auto& module = bench->add("RVX63");
    RVX::RVX63 encoder(0);
    module.device<sim::Rvx63>().setBusyAnswers(0x10, 5);
    const auto before = bench->totals();
    const auto start = bench->now();
    encoder.read_position();
    const auto after = bench->totals();
    // The command, five busy answers and the echo, two position bytes; a sleep before each poll.
    EXPECT_EQ(after.spiTransfers - before.spiTransfers, 1 + 5 + 1 + 2u);
    EXPECT_EQ(after.sleeps - before.sleeps, 6u);
    EXPECT_EQ(after.slept - before.slept, 12ms);
    // One USB round trip and eight 1 MHz clocks per transfer, and the sleeps.
    EXPECT_EQ(bench->now() - start, 9 * (bench->usbLatency() + 8us) + 12ms);
}

} // namespace
