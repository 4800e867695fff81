#pragma once
// An encoder whose chip carries the block bootloader, as the bench's RVX48
// and RVX64 models share it. The bootloader takes the line while it runs (see
// BlockBootloader.h); otherwise the application runs what program memory
// holds: it answers only when that is its own model's firmware, a moment
// after each start, at its own line rate (other rates reach it as garbage).
// It takes lines ended by a line feed; each model says what a line does.
//
// Options every such model takes, beside the bootloader's (BLOCK_BOOT_OPTIONS):
// chatter=1, an application that sends without pause from each start (three
// seconds of line time: far longer than any read of the host's should wait).
#include "BlockBootloader.h"
#include "BlockChip.h"
#include "sim/Device.h"
#include "tools/lib/FirmwareParameters.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace sim {

#define BLOCK_ENCODER_OPTIONS "chatter, " BLOCK_BOOT_OPTIONS

class BlockEncoder : public UartDevice {
public:
    void receive(std::span<const std::uint8_t> bytes, Port& port) override;
    void lineChanged(const LineState& before, Port& port) override;

    // Scripting for tests: the next line starting with `command` (any line
    // when empty) is answered with this text instead of being carried out.
    void scriptReply(const std::string& command, const std::string& reply) {
        scripted_.push_back({command, reply});
    }

    BlockChip& chip() { return chip_; }
    BlockBootloader& bootloader() { return bootloader_; }
    // The lines the application took, in order (the most recent: sim/Recent.h).
    const std::vector<std::string>& commands() const { return commands_; }
    // The application is running its own model's firmware.
    bool applicationRunning() const;
    // The parameters of the firmware in program memory; empty when none is intact.
    const std::optional<fwparams::Parameters>& firmware() const { return firmware_; }
    std::uint32_t applicationStarts() const { return starts_; }

protected:
    struct Reply {
        std::string text;
        std::chrono::microseconds delay{100};
    };
    struct Line {
        std::uint32_t baud;
        bool hearsOnlyWithDtr; // DTR enables the application's command receiver
    };

    // `model` names the firmware the application runs (the parameter table's model).
    BlockEncoder(const char* model, Line line, const ModelOptions& options);
    // The factory's flash of an application carrying `parameters`, then power-on.
    void manufacture(const fwparams::Parameters& parameters, std::uint64_t seed);

    // One line for the running application; the reply to send, if any.
    virtual std::optional<Reply> command(const std::string& line, Port& port) = 0;
    // The application starts afresh (power-on, reset, or the bootloader's "Q").
    virtual void started() {}

    std::uint32_t version() const { return firmware_ ? firmware_->get("version") : 0; }
    // The firmware hears nothing for a while (writing its EEPROM, say).
    void busyFor(std::chrono::microseconds time, Port& port) { readyAt_ = port.now() + time; }
    // `digits` hexadecimal digits of `text` from `at`, or nothing.
    static std::optional<unsigned> hexAt(const std::string& text, std::size_t at, std::size_t digits);

private:
    void handle(const std::string& line, Port& port);
    void send(Port& port, const std::string& text, std::chrono::microseconds delay);
    // The text as the host's receiver makes it out at its own line rate.
    Bytes asHeard(const std::string& text, const Port& port) const;
    void startChattering(Port& port);

    const char* model_;
    Line line_;
    BlockChip chip_;
    BlockBootloader bootloader_;
    std::optional<fwparams::Parameters> firmware_;
    std::string input_;
    std::deque<std::pair<std::string, std::string>> scripted_;
    std::vector<std::string> commands_;
    std::uint32_t starts_ = 0;
    bool justStarted_ = false;
    Clock::time_point readyAt_{};
    bool chatter_ = false;
};

} // namespace sim
