#pragma once
// A PIC behind the AN1310 bootloader whose application takes text commands on
// the UART, as the encoder lines of the bench built that way are. While the
// bootloader runs it answers (unless it is a damaged one that never does);
// the application listens once it has booted after a reset, collects what
// comes, and a test may replace its next replies with scripted ones.
//
// Options such an encoder takes besides its own: boot=0 (a bootloader that
// never answers), worn=ADDR and wornee=OFFSET (a flash word or EEPROM byte
// that no longer takes a write, though the bootloader acknowledges it).
#include "sim/Device.h"
#include "sim/pic/An1310Bootloader.h"
#include "sim/pic/PicChip.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace sim {

class BootloadedApplication : public UartDevice {
public:
    void receive(std::span<const std::uint8_t> bytes, Port& port) final;
    void lineChanged(const LineState& before, Port& port) final;

    // Scripting for tests: the next command (or the next `command` when one is
    // given) is answered with these bytes instead of its own reply.
    void scriptReply(const std::string& reply) { scripted_.push_back({{}, reply}); }
    void scriptReply(const std::string& command, const std::string& reply) {
        scripted_.push_back({command, reply});
    }
    void setBootloaderAnswers(bool answers) { bootloaderAnswers_ = answers; }

    PicChip& chip() { return chip_; }
    An1310Bootloader& bootloader() { return bootloader_; }
    std::uint8_t eeprom(std::uint8_t address) const { return chip_.eeprom(address); }
    void setEeprom(std::uint8_t address, std::uint8_t value) { chip_.setEeprom(address, value); }
    // The complete commands the application received, in order (the most recent: sim/Recent.h).
    const std::vector<std::string>& commands() const { return commands_; }
    std::uint32_t resets() const { return resets_; }
    // True while the flash holds this model's firmware and it runs.
    virtual bool applicationRunning() const = 0;

protected:
    BootloadedApplication(const PicPart& part, BootloaderOptions bootloader, const ModelOptions& options);

    // The application takes what has come in `input_`.
    virtual void handle(Port& port) = 0;
    // The bootloader has started the application (input is already cleared).
    virtual void applicationStarted() = 0;
    // The chip was reset (input is already cleared).
    virtual void chipReset() {}

    // Sends the scripted reply waiting for `command`, else `reply` (nothing
    // when it is empty), after `delay`.
    void answer(Port& port, const std::string& command, const std::string& reply,
                std::chrono::microseconds delay);

    // Two hexadecimal digits of a command at `at`, or -1.
    static int hexByte(const std::string& text, std::size_t at);
    // Two decimal digits as the firmware stores them: 25 as 0x25.
    static std::uint8_t bcd(unsigned value);

    PicChip chip_;
    An1310Bootloader bootloader_;
    std::string input_;
    std::vector<std::string> commands_;

private:
    std::deque<std::pair<std::string, std::string>> scripted_;
    std::uint32_t resets_ = 0;
    std::uint32_t applicationStarts_ = 0;
    Clock::time_point readyAt_{};
    bool bootloaderAnswers_ = true;
};

} // namespace sim
