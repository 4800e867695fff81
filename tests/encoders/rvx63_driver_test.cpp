// The RVX63 driver against the RVX63 encoder model on the simulated bench.
#include "encoders/RVX63.h"
#include "sim/Bench.h"
#include "sim/models/Rvx63.h"
#include "transport/FtdiException.h"
#include "transport/FtdiPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>

namespace {

using sim::Bytes;

// Runs `action` and returns the RVX::Exception it throws, failing the test if none.
template <class Action> RVX::Exception thrownBy(Action&& action) {
    try {
        action();
    } catch (const RVX::Exception& e) {
        return e;
    }
    ADD_FAILURE() << "no RVX::Exception thrown";
    return RVX::Exception("", 0);
}

class Rvx63Bench : public ::testing::Test {
protected:
    // A still shaft, so that positions are exact.
    sim::Module& addEncoder(std::map<std::string, std::string> options = {}) {
        options.emplace("rpm", "0");
        return bench->add("RVX63", sim::ModelOptions(std::move(options)));
    }
    sim::Rvx63& device(std::size_t index = 0) { return bench->module(index).device<sim::Rvx63>(); }
    // The host's bytes from `from` on.
    Bytes sentSince(std::size_t from, std::size_t index = 0) {
        const auto& all = device(index).received();
        return Bytes(all.begin() + static_cast<long>(from), all.end());
    }
    std::vector<Bytes> commandsSince(std::size_t from) {
        const auto& all = device().commands();
        return std::vector<Bytes>(all.begin() + static_cast<long>(from), all.end());
    }
    std::uint64_t sleepsSince(std::uint64_t from) { return bench->totals().sleeps - from; }

    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
};

TEST_F(Rvx63Bench, ConnectsWithTwoReadinessPollsAndOffersResolutionZeroAndPosition) {
    addEncoder();
    RVX::RVX63 encoder(0);

    // Nothing but two no-operation bytes: the model is not checked.
    EXPECT_EQ(device().received(), (Bytes{0x00, 0x00}));
    EXPECT_STREQ(encoder.part_number, "RVX633");
    EXPECT_STREQ(encoder.name(), "RVX63");
    EXPECT_EQ(encoder.position_bits, 12);
    EXPECT_FALSE(encoder.picture.empty());
    EXPECT_TRUE(encoder.is_absolute());
    EXPECT_TRUE(encoder.counts_counter_clockwise());
    EXPECT_TRUE(std::string(encoder.datasheet_url()).ends_with("/product/resource/rvx63.pdf"));
    EXPECT_EQ(std::vector<std::uint64_t>(encoder.resolutions.begin(), encoder.resolutions.end()),
              (std::vector<std::uint64_t>{96, 192, 200, 250, 384, 400, 500, 512, 768, 800, 1000, 1024}));
    EXPECT_TRUE(encoder.get_resolution && encoder.set_resolution && encoder.zero && encoder.read_position);
    EXPECT_FALSE(encoder.update_firmware || encoder.set_address || encoder.set_commutation ||
                 encoder.read_turns || encoder.get_baud_rate || encoder.set_termination);
}

TEST_F(Rvx63Bench, AnEncoderThatNeverGetsReadyTimesOutAndLeavesTheChannelClosed) {
    addEncoder();
    device().hangOnRestart(true);
    const auto sleeps = bench->totals().sleeps;

    const auto e = thrownBy([] { RVX::RVX63 encoder(0); });

    EXPECT_STREQ(e.what(), "Timeout waiting for RVX63 to be ready");
    EXPECT_EQ(e.code(), 0u);
    // One poll, then twenty more, each after 100 ms.
    EXPECT_EQ(device().received().size(), 21u);
    EXPECT_EQ(sleepsSince(sleeps), 20u);
    EXPECT_FALSE(bench->module(0).isOpen());
}

TEST_F(Rvx63Bench, SeveralModulesEachCarryTheirOwnEncoder) {
    addEncoder();
    addEncoder({{"position", "1000"}});
    RVX::RVX63 encoder(1);

    EXPECT_EQ(encoder.read_position(), 1000);
    EXPECT_TRUE(device(0).received().empty());
    EXPECT_NE(std::string(bench->module(1).info().description).find("RVX63"), std::string::npos);
}

// ---------------------------------------------------------------- resolution

TEST_F(Rvx63Bench, ResolutionsBeyondTheOfferedOnesAreStillWritten) {
    addEncoder();
    RVX::RVX63 encoder(0);
    const auto from = device().commands().size();

    ASSERT_EQ(std::count(encoder.resolutions.begin(), encoder.resolutions.end(), 1600u), 0);
    encoder.set_resolution(1600, nullptr);

    EXPECT_EQ(commandsSince(from), (std::vector<Bytes>{{0x50}, {0x80, 0xFA, 0xED}}));
    EXPECT_EQ(device().eeprom()[0xFA], 0xED);
}

TEST_F(Rvx63Bench, AnUnknownResolutionFailsAfterCalibrationModeWithoutWriting) {
    addEncoder();
    RVX::RVX63 encoder(0);
    const auto from = device().commands().size();

    const auto e = thrownBy([&] { encoder.set_resolution(1023, nullptr); });

    EXPECT_STREQ(e.what(), "Unable to set RVX63 resolution");
    EXPECT_EQ(e.code(), 1023u);
    EXPECT_EQ(commandsSince(from), (std::vector<Bytes>{{0x50}}));
    EXPECT_TRUE(device().inCalibrationMode());
    EXPECT_EQ(device().eeprom()[0xFA], 0xE7); // still 1024
}

TEST_F(Rvx63Bench, EveryResolutionOfTheIndexTableIsUnderstoodByTheEncoder) {
    const std::uint16_t all[] = {96,  200, 250,  512,  192, 400,  500,  1024,
                                 384, 800, 1000, 2048, 768, 1600, 2000, 4096};
    addEncoder();
    for (auto resolution : all)
        addEncoder({{"resolution", std::to_string(resolution)}});
    RVX::RVX63 encoder(0);

    for (auto resolution : all) {
        encoder.set_resolution(resolution, nullptr);
        EXPECT_EQ(device().resolution(), resolution);
    }
    for (std::size_t i = 0; i < std::size(all); ++i)
        EXPECT_EQ(RVX::RVX63(static_cast<std::uint32_t>(i + 1)).get_resolution(), all[i]);
}

TEST_F(Rvx63Bench, OnlyTheLowFourBitsOfTheResolutionCodeCount) {
    addEncoder();
    device().eeprom()[0xFA] = 0x37;
    RVX::RVX63 encoder(0);
    const auto from = device().commands().size();

    EXPECT_EQ(encoder.get_resolution(), 1024);
    EXPECT_EQ(commandsSince(from), (std::vector<Bytes>{{0x50}, {0x90, 0xFA, 0x01}}));
}

// ---------------------------------------------------------------- EEPROM

TEST_F(Rvx63Bench, EepromReadsWaitOutBusyAnswersAndRejectOddOnes) {
    addEncoder();
    RVX::RVX63 encoder(0);
    const auto from = device().received().size();

    device().scriptReply({0xA5, 0xA5, 0x90, 0x42});
    EXPECT_EQ(encoder.firmware_version(), 0x42);
    EXPECT_EQ(sentSince(from), (Bytes{0x90, 0x81, 0x01, 0x00, 0x00, 0x00, 0x00}));

    device().scriptReply({0x33});
    const auto e = thrownBy([&] { encoder.firmware_version(); });
    EXPECT_STREQ(e.what(), "Unable to read RVX63 EEPROM");
    EXPECT_EQ(e.code(), 0x33u);
}

TEST_F(Rvx63Bench, EepromReadGivesUpAfterTwentyBusyAnswers) {
    addEncoder();
    RVX::RVX63 encoder(0);

    device().setBusyAnswers(0x90, 19);
    EXPECT_EQ(encoder.firmware_version(), 0x15);

    device().setBusyAnswers(0x90, 20);
    const auto from = device().received().size();
    const auto e = thrownBy([&] { encoder.firmware_version(); });
    EXPECT_STREQ(e.what(), "Timeout waiting for RVX63 EEPROM read");
    EXPECT_EQ(e.code(), 0u);
    EXPECT_EQ(sentSince(from).size(), 3u + 20u);
}

TEST_F(Rvx63Bench, IdentityBytesComeFromTheirAddresses) {
    addEncoder({{"datecode", "0x07E9"}, {"station", "0x2C"}, {"code", "0x63"}, {"date", "0x3221"}});
    RVX::RVX63 encoder(0);

    EXPECT_EQ(encoder.datecode(), 2025); // binary, not two decimal halves
    EXPECT_EQ(encoder.last_programmed_by(), 0x2C);
    EXPECT_EQ(encoder.model_code(), 0x63);
    EXPECT_EQ(encoder.last_program_date(), RVX::unpack_program_date(0x3221));
}

TEST_F(Rvx63Bench, DatecodeIsWrittenHighByteFirst) {
    addEncoder();
    RVX::RVX63 encoder(0);
    const auto from = device().commands().size();

    encoder.set_datecode(0x0801);

    EXPECT_EQ(commandsSince(from), (std::vector<Bytes>{{0x80, 0x7B, 0x08}, {0x80, 0x7C, 0x01}}));
    EXPECT_EQ(encoder.datecode(), 0x0801);
}

TEST_F(Rvx63Bench, DiagnosticsIsTheHeaderAlone) {
    addEncoder({{"fw", "0x15"}, {"datecode", "2025"}, {"station", "0x30"}, {"date", "0x3221"}});
    RVX::RVX63 encoder(0);
    std::ostringstream out;
    int steps = 0;

    encoder.diagnostics(out, [&] { ++steps; });

    EXPECT_EQ(out.str(), "RVX Vantix\x99 diagnostics data\n"
                         "Model: RVX633\n"
                         "Firmware revision: 15\n"
                         "Datecode: 2025\n"
                         "Last programmed by: 30\n"
                         "Last program date: 2025-01-01\n");
    EXPECT_EQ(steps, 0);
}

// ---------------------------------------------------------------- position

TEST_F(Rvx63Bench, PositionIsTheTwoBytesAfterTheEcho) {
    addEncoder({{"position", "3000"}});
    RVX::RVX63 encoder(0);
    const auto from = device().received().size();

    EXPECT_EQ(encoder.read_position(), 3000);
    // Command, three busy answers and the echo, then the two position bytes.
    EXPECT_EQ(sentSince(from), (Bytes{0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(Rvx63Bench, PositionCommandNotAcceptedFailsAtOnce) {
    addEncoder();
    RVX::RVX63 encoder(0);
    const auto from = device().received().size();

    device().scriptFrames({0x33});
    const auto e = thrownBy([&] { encoder.read_position(); });

    EXPECT_STREQ(e.what(), "Invalid response to RVX63 read-position command");
    EXPECT_EQ(e.code(), 0x33u);
    EXPECT_EQ(sentSince(from), (Bytes{0x10}));
}

TEST_F(Rvx63Bench, PositionGivesUpAfterTwentyBusyPolls) {
    addEncoder({{"position", "77"}});
    RVX::RVX63 encoder(0);

    device().setBusyAnswers(0x10, 19);
    EXPECT_EQ(encoder.read_position(), 77);

    device().setBusyAnswers(0x10, 20);
    const auto from = device().received().size();
    const auto sleeps = bench->totals().sleeps;
    const auto e = thrownBy([&] { encoder.read_position(); });
    EXPECT_STREQ(e.what(), "Timeout waiting for RVX63 position");
    EXPECT_EQ(e.code(), 0u);
    EXPECT_EQ(sentSince(from).size(), 1u + 20u);
    EXPECT_EQ(sleepsSince(sleeps), 20u);
}

TEST_F(Rvx63Bench, PositionAnswerOtherThanTheEchoFails) {
    addEncoder();
    RVX::RVX63 encoder(0);

    device().scriptReply({0xA5, 0x11, 0x01, 0x02});
    const auto e = thrownBy([&] { encoder.read_position(); });

    EXPECT_STREQ(e.what(), "Encoder did not respond with read-position command");
    EXPECT_EQ(e.code(), 0x11u);
}

TEST_F(Rvx63Bench, TheShaftTurnsBetweenReadings) {
    addEncoder({{"rpm", "6"}}); // one turn in 10 s
    RVX::RVX63 encoder(0);

    const auto first = encoder.read_position();
    FTDI::sleepMs(1000);
    const auto second = encoder.read_position();

    const int moved = (second - first + 4096) % 4096;
    EXPECT_NEAR(moved, 410, 20);
}

// ---------------------------------------------------------------- busy encoder

TEST_F(Rvx63Bench, OperationsTimeOutWithTheirOwnMessageWhenTheEncoderStaysBusy) {
    addEncoder();
    RVX::RVX63 encoder(0);
    device().setBusyAnswers(1000);

    EXPECT_STREQ(thrownBy([&] { encoder.get_resolution(); }).what(),
                 "Timeout waiting for RVX63 calibration mode");
    EXPECT_STREQ(thrownBy([&] { encoder.set_datecode(2026); }).what(),
                 "Timeout waiting for RVX63 EEPROM write");
    EXPECT_STREQ(thrownBy([&] { encoder.zero(); }).what(), "Timeout waiting for RVX63 zero");
    EXPECT_STREQ(thrownBy([&] { encoder.model_code(); }).what(), "Timeout waiting for RVX63 EEPROM read");
    EXPECT_STREQ(thrownBy([&] { encoder.read_position(); }).what(), "Timeout waiting for RVX63 position");

    // The driver stays usable once the encoder answers again.
    device().setBusyAnswers(1);
    EXPECT_EQ(encoder.firmware_version(), 0x15);
}

TEST_F(Rvx63Bench, OperationPollsWaitTwoMillisecondsTwentyTimes) {
    addEncoder();
    RVX::RVX63 encoder(0);
    device().setBusyAnswers(0x80, 1000);
    const auto slept = bench->totals().slept;

    thrownBy([&] { encoder.set_datecode(1); });

    EXPECT_EQ(bench->totals().slept - slept, std::chrono::milliseconds(40));
}

// ---------------------------------------------------------------- zero

TEST_F(Rvx63Bench, ZeroIsFollowedByTheFullConnect) {
    addEncoder({{"position", "1234"}, {"boot", "300"}});
    RVX::RVX63 encoder(0);
    encoder.get_resolution(); // leaves the encoder in calibration mode
    const auto from = device().commands().size();
    const auto slept = bench->totals().slept;

    encoder.zero();

    EXPECT_EQ(commandsSince(from), (std::vector<Bytes>{{0x70}, {0x60}}));
    EXPECT_EQ(device().restarts(), 1u);
    EXPECT_FALSE(device().inCalibrationMode());
    // Two 250 ms settles; the 300 ms boot costs one 100 ms readiness poll more.
    EXPECT_GE(bench->totals().slept - slept, std::chrono::milliseconds(500));
    EXPECT_EQ(encoder.read_position(), 0);
}

TEST_F(Rvx63Bench, ConnectFailsWhenTheEncoderDoesNotComeBack) {
    addEncoder();
    RVX::RVX63 encoder(0);
    device().hangOnRestart();

    const auto e = thrownBy([&] { encoder.connect(); });

    EXPECT_STREQ(e.what(), "Timeout waiting for RVX63 to be ready");
    EXPECT_EQ(e.code(), 0u);
}

// ---------------------------------------------------------------- bad line

TEST_F(Rvx63Bench, LinkFailuresReachTheCallerAndTheDriverRecovers) {
    auto& module = addEncoder();
    RVX::RVX63 encoder(0);

    // The command byte itself is lost: the encoder never saw the read begin.
    module.failCalls(FTDI::IO_ERROR);
    try {
        encoder.firmware_version();
        ADD_FAILURE() << "no FTDI::Exception";
    } catch (const FTDI::Exception& e) {
        EXPECT_STREQ(e.what(), "Unable to transfer to FTDI SPI device: SPI_ReadWrite failed");
        EXPECT_EQ(e.status(), FTDI::IO_ERROR);
    }
    EXPECT_EQ(encoder.firmware_version(), 0x15);

    module.faults.drop = 1;
    try {
        encoder.read_position();
        ADD_FAILURE() << "no FTDI::Exception";
    } catch (const FTDI::Exception& e) {
        EXPECT_EQ(e.status(), FTDI::OTHER_ERROR);
    }
}

TEST_F(Rvx63Bench, GarbledAnswersEndInAnErrorNeverInAHang) {
    auto& module = addEncoder({{"position", "2222"}});
    RVX::RVX63 encoder(0);
    module.faults.flip = 0.2;
    module.reseed(63);

    int good = 0, failed = 0;
    for (int i = 0; i < 200; ++i) {
        try {
            const auto position = encoder.read_position();
            // A flip may hit the position bytes themselves; nothing in the protocol can tell.
            good += position == 2222;
        } catch (const RVX::Exception& e) {
            ++failed;
            EXPECT_TRUE(std::string(e.what()).find("RVX63") != std::string::npos ||
                        std::string(e.what()) == "Encoder did not respond with read-position command")
                << e.what();
        }
    }
    EXPECT_GT(good, 0);
    EXPECT_GT(failed, 0);
}

} // namespace
