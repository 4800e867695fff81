#pragma once
// The device side of the block bootloader running on a BlockChip. It follows
// the reset (RTS) and break lines: a reset released while the break holds the
// receive line low enters the bootloader; a reset released without break
// starts the application when the application vector is intact, and otherwise
// stays in the bootloader. The bootloader takes lines ended by a line feed at
// its own line rate (other rates reach it as garbage) and answers each with
// one line:
//   "i"                identification, four characters
//   "KVB"              access code; every command but "i" and "Q" is refused
//                      ("!") until it came
//   "mAA" + 32 digits  16 bytes into RAM at 0x01AA, inside the row buffer
//                      0x0120..0x015F
//   "bAAAA", "uAAAA"   erase, program the row at word address AAAA from the buffer
//   "RAAAA"            copy the row into the buffer
//   "jAAAACC"          CC bytes of RAM from AAAA, each as "HH "
//   "Q"                start the application, when intact (no answer)
// "*" acknowledges, "?" answers what it cannot parse or place. Erasing row 0
// erases the application vector; programming row 0 keeps the application's
// start jump (the row's first four bytes, where the bootloader keeps its own
// vectors), and programming the last row writes it as the application vector,
// so a re-flash cut short leaves no application to start.
//
// An encoder model embeds one: it forwards receive() while mode() is
// Bootloader, forwards every lineChanged(), and runs its application from the
// chip's program memory while mode() is Application (see onApplicationStart).
#include "BlockChip.h"
#include "sim/Device.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// Faults the bootloader can be given. Commands count from 1 in each stay in
// the bootloader. With `once`, all of them clear after the first one struck.
struct BlockBootFaults {
    std::uint32_t lateFrom = 0; // replies from this command on come `lateBy` late
    std::chrono::milliseconds lateBy{150};
    bool carriageReturn = false;        // acknowledgements read "*\r"
    std::optional<std::size_t> nakRow;  // this row's `nakCommand` is answered "E" and not carried out
    char nakCommand = 'u';              // 'b', 'u' or 'R'
    std::optional<std::uint16_t> stuck; // a RAM cell that keeps `stuckValue` whatever is written
    std::uint8_t stuckValue = 0;
    std::optional<std::size_t> shortReadBack; // "j" replies cut to this many characters
    bool nonHexReadBack = false;              // "j" replies of 16 bytes carry one cell "XX"
    std::uint32_t babbleFrom = 0;             // from this command on it sends without end, until reset
    std::optional<std::size_t> powerLossRow;  // power fails halfway through programming this row
    bool once = false;
};

struct BlockBootOptions {
    std::uint32_t baud = 2000000;
    std::string id = "5A13"; // device and revision
    BlockBootFaults faults;
};

// The option names blockBootOptions() reads, for the catalogue's summaries.
#define BLOCK_BOOT_OPTIONS                                                                                   \
    "baud, id, late, lateby, cr, nak, nakcmd, stuck, stuckvalue, shortread, nonhex, babble, powerloss, once"
// Reads those options; throws std::invalid_argument.
BlockBootOptions blockBootOptions(const ModelOptions& options);

class BlockBootloader {
public:
    enum class Mode { Off, Reset, Bootloader, Application };
    static constexpr std::uint16_t bufferStart = 0x0120, bufferEnd = 0x0160;
    // Power comes back this long after it failed.
    static constexpr std::chrono::milliseconds powerOffTime{50};

    explicit BlockBootloader(BlockChip& chip, BlockBootOptions options = {});

    // Decides what runs at power-on: the application when intact.
    void powerOn();
    void receive(std::span<const std::uint8_t> bytes, Port& port);
    void lineChanged(const LineState& before, Port& port);

    Mode mode() const { return mode_; }
    BlockChip& chip() { return chip_; }
    const BlockBootOptions& options() const { return options_; }
    BlockBootFaults& faults() { return options_.faults; }
    // A byte of RAM as the chip reads it (a stuck cell reads its stuck value).
    std::uint8_t ramAt(std::uint16_t address) const;

    // The command lines the bootloader took, in order (the most recent: sim/Recent.h).
    const std::vector<std::string>& commands() const { return commands_; }
    // Resets the device went through (RTS raised and released, or power back).
    struct Reset {
        bool breakHeld = false; // when it ended
        bool fromPowerLoss = false;
    };
    const std::vector<Reset>& resets() const { return resets_; }

    // Called when the application starts, so that the embedding model can
    // read what it runs from the chip.
    std::function<void(BlockChip&)> onApplicationStart;
    // Called when the chip enters reset or loses power.
    std::function<void()> onReset;

private:
    void start(bool breakHeld);
    void catchUp(Port& port);
    void handle(const std::string& line, Port& port);
    // These return false when nothing is to be answered.
    bool carryOut(const std::string& line, Port& port, std::chrono::microseconds& delay, std::string& reply);
    bool rowCommand(char command, std::size_t row, Port& port, std::chrono::microseconds& delay,
                    std::string& reply);
    std::string acknowledgement();
    std::string readBack(std::uint16_t address, std::size_t count);
    void send(Port& port, const std::string& text, std::chrono::microseconds delay);
    void babble(Port& port);
    void powerFail(Port& port);
    void struck();

    BlockChip& chip_;
    BlockBootOptions options_;
    Mode mode_ = Mode::Bootloader;
    std::array<std::uint8_t, 0x200> ram_{};
    std::string input_;
    bool unlocked_ = false;
    std::uint32_t sessionCommands_ = 0;
    std::optional<BlockChip::Vector> entry_; // the start jump of the row 0 just programmed
    bool babbling_ = false;
    Clock::time_point babbleQueuedUntil_{};
    Clock::time_point powerBack_{};
    std::vector<std::string> commands_;
    std::vector<Reset> resets_;
};

} // namespace sim
