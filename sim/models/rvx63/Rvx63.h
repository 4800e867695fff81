#pragma once
// The RVX63 absolute encoder as it behaves on its SPI wire. Each chip-select
// frame shifts one byte each way; the byte going out was prepared before the
// incoming one is known, so a command is answered in later frames. The encoder
// says 0xA5 when idle and while it works on a command, then gives the command's
// result. After the restart command it says nothing useful (0x00) until it has
// booted. The shaft turns at a set speed on the bench clock.
#include "sim/Device.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>

namespace sim {

class Rvx63 final : public SpiDevice {
public:
    static constexpr std::uint8_t idleAnswer = 0xA5;
    static constexpr std::uint32_t countsPerTurn = 4096;

    // Options: fw, code (model code), station, datecode, date (packed), resolution
    // (a value of the index table), waits (busy answers per command), rpm, position
    // (counts at power-on), boot (ms after a restart until ready).
    explicit Rvx63(const ModelOptions& options = {});

    void opened(Clock::time_point now) override;
    std::uint8_t exchange(std::uint8_t mosi, Clock::time_point now) override;

    // Scripting for tests.
    // Busy answers before the result of one command byte (0x10, 0x50, 0x70, 0x80, 0x90).
    void setBusyAnswers(std::uint8_t command, std::uint32_t count) { busyAnswers_[command] = count; }
    void setBusyAnswers(std::uint32_t count);
    // The next completed command answers these bytes instead of its own result.
    void scriptReply(Bytes reply) { scriptedReplies_.push_back(std::move(reply)); }
    // The next frames shift these bytes out whatever the encoder would have said.
    void scriptFrames(const Bytes& answers) {
        scriptedFrames_.insert(scriptedFrames_.end(), answers.begin(), answers.end());
    }
    // Never becomes ready again after the next restart (or at once when `now` is true).
    void hangOnRestart(bool now = false);

    std::array<std::uint8_t, 256>& eeprom() { return eeprom_; }
    bool inCalibrationMode() const { return calibrating_; }
    // The resolution the encoder runs at, from the code in its EEPROM.
    long long resolution() const;
    // The bytes the host sent, and the commands with their arguments as completed
    // (the most recent of each: sim/Recent.h).
    const Bytes& received() const { return received_; }
    const std::vector<Bytes>& commands() const { return commands_; }
    std::uint32_t restarts() const { return restarts_; }
    // The position the encoder reports at `now`, after its zero offset.
    std::uint16_t positionAt(Clock::time_point now) const;

private:
    void complete(Clock::time_point now);
    void answer(std::uint8_t command, Bytes result);
    std::uint8_t argumentsOf(std::uint8_t command) const;
    std::uint16_t shaftAt(Clock::time_point now) const;
    bool booting(Clock::time_point now) const { return readyAt_ && now < *readyAt_; }

    std::array<std::uint8_t, 256> eeprom_{};
    std::map<std::uint8_t, std::uint32_t> busyAnswers_;
    std::uint32_t defaultBusy_ = 3;
    double rpm_ = 5;
    double startCounts_ = 0;
    std::optional<Clock::time_point> start_;
    std::uint16_t zeroOffset_ = 0;
    std::chrono::milliseconds bootTime_{120};
    std::optional<Clock::time_point> readyAt_; // set while restarting
    bool hangOnRestart_ = false;
    bool calibrating_ = false;

    Bytes current_; // the command being received, with its arguments so far
    std::deque<std::uint8_t> out_;
    std::deque<Bytes> scriptedReplies_;
    std::deque<std::uint8_t> scriptedFrames_;
    Bytes received_;
    std::vector<Bytes> commands_;
    std::uint32_t restarts_ = 0;
};

} // namespace sim
