#pragma once
// The device side of the AN1310 serial bootloader running on a PicChip: it
// takes the host's bytes, answers the sync STX, unframes and checks requests,
// carries them out on the chip and frames its replies. It also follows the
// reset (RTS) and break lines: a reset released while the break holds the
// receive line low stays in the bootloader; a reset released without break
// starts the application when the flash holds a valid start jump.
//
// An encoder model embeds one: it forwards receive() while mode() is
// Bootloader, forwards every lineChanged(), and handles its own firmware's
// bytes while mode() is Application (see onApplicationStart).
#include "PicChip.h"
#include "sim/Device.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace sim {

struct BootloaderOptions {
    std::uint8_t major = 1;
    std::uint8_t minor = 5;
    bool sendDeviceId = false; // information block of 12 bytes instead of 10
    bool eraseCommand = true;  // capability bit 0 (PIC16 bootloaders may lack it)
    bool blockExtras = false;  // capability bit 8: write blocks may carry 16 extra bytes each
    bool timing = true;        // replies wait for the chip's erase and write times
    std::uint32_t bootloaderStart = 0xFFFFFFFF; // default: the part's own placement
    std::uint32_t bootloaderSize = 0xFFFFFFFF;
};

// What the bootloader saw; tests assert on it.
struct BootloaderStats {
    std::uint64_t syncs = 0;           // STX answered
    std::uint64_t packets = 0;         // well-formed requests carried out
    std::uint64_t badChecksums = 0;    // dropped: checksum mismatch or too short
    std::uint64_t overflows = 0;       // dropped: longer than the receive buffer
    std::uint64_t malformed = 0;       // dropped: wrong length or alignment for the code
    std::uint64_t unknownCommands = 0; // dropped: code not implemented
    std::uint64_t protectedHits = 0;   // blocks of the bootloader, vector page or configuration refused
    std::uint64_t outOfRange = 0;      // blocks or bytes outside the memory, refused
    std::uint64_t junk = 0;            // bytes outside a packet
    std::map<std::uint8_t, std::uint64_t> requests; // carried-out requests by code
};

class An1310Bootloader {
public:
    enum class Mode { Reset, Bootloader, Application };

    An1310Bootloader(PicChip& chip, BootloaderOptions options = {});

    // Decides what runs at power-on (application when valid, else bootloader).
    void powerOn();
    // Host bytes while mode() is Bootloader; ignored otherwise.
    void receive(std::span<const std::uint8_t> bytes, Port& port);
    // RTS holds the chip in reset; break while the reset ends enters the bootloader.
    void lineChanged(const LineState& before, Port& port);

    Mode mode() const { return mode_; }
    PicChip& chip() { return chip_; }
    const PicChip& chip() const { return chip_; }
    const BootloaderOptions& options() const { return options_; }
    std::uint32_t bootloaderStart() const { return start_; }
    std::uint32_t bootloaderEnd() const { return start_ + size_; }
    std::uint32_t capabilities() const;
    // The information block's payload (without checksum), 10 or 12 bytes.
    std::vector<std::uint8_t> infoBlock() const;
    // Extra bytes received with each write block (capability bit 8), by block address.
    const std::map<std::uint32_t, std::array<std::uint8_t, 16>>& blockExtras() const { return extras_; }

    BootloaderStats& stats() { return stats_; }
    const BootloaderStats& stats() const { return stats_; }

    // Called when a reset without break (or power-on) starts the application,
    // so that the embedding firmware model can read its parameters from the chip.
    std::function<void(PicChip&)> onApplicationStart;
    // Called when the chip enters reset.
    std::function<void()> onReset;

private:
    void startAfterReset(bool breakHeld);
    void sync(Port& port);
    void handlePacket(Port& port);
    void reply(Port& port, std::span<const std::uint8_t> payload, bool withChecksum,
               std::chrono::microseconds delay = std::chrono::microseconds{0});
    bool isProtected(std::uint32_t start, std::uint32_t end, bool erasing) const;
    bool blockAllowed(std::uint32_t start, std::uint32_t end, bool erasing);
    std::uint32_t physical(std::uint32_t address) const;

    void readFlash(std::span<const std::uint8_t> p, Port& port);
    void checksumBlocks(std::span<const std::uint8_t> p, Port& port);
    // These return false when they refuse the whole request (and send nothing).
    bool eraseBlocks(std::span<const std::uint8_t> p, Port& port);
    bool writeBlocks(std::span<const std::uint8_t> p, Port& port);
    bool readEeprom(std::span<const std::uint8_t> p, Port& port);
    bool writeEeprom(std::span<const std::uint8_t> p, Port& port);
    void eraseProgramFlash(Port& port);
    bool eepromOffset(std::uint32_t address, std::uint32_t count, std::uint32_t& offset);

    PicChip& chip_;
    BootloaderOptions options_;
    std::uint32_t start_ = 0;
    std::uint32_t size_ = 0;
    Mode mode_ = Mode::Bootloader;
    bool inPacket_ = false;
    bool escaped_ = false;
    bool discarding_ = false; // skipping the rest of an overlong packet
    std::vector<std::uint8_t> buffer_;
    Clock::time_point busyUntil_{}; // end of the erase or write under way
    std::map<std::uint32_t, std::array<std::uint8_t, 16>> extras_;
    BootloaderStats stats_;
};

} // namespace sim
