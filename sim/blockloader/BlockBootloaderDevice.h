#pragma once
// Bench model "block-bootloader": a bare chip with the block bootloader and an
// application that ignores the line, for testing the bootloader host.
// Options: rows=<count> (program memory, default 113 rows of 64 bytes),
// app=0|1 (leaves the factory with an application installed; default 1), and
// the bootloader's own (BLOCK_BOOT_OPTIONS, see BlockBootloader.h).
#include "BlockBootloader.h"
#include "sim/Device.h"

#include <memory>

namespace sim {

class BlockBootloaderDevice final : public UartDevice {
public:
    BlockBootloaderDevice(std::size_t rows, BlockBootOptions options, bool withApplication = true);
    static std::unique_ptr<UartDevice> create(const ModelOptions& options);
    // The application the factory installs: 14-bit words, starting with a jump.
    static Bytes factoryImage(std::size_t rows);

    void receive(std::span<const std::uint8_t> bytes, Port& port) override;
    void lineChanged(const LineState& before, Port& port) override;

    BlockChip& chip() { return chip_; }
    BlockBootloader& bootloader() { return bootloader_; }

private:
    BlockChip chip_;
    BlockBootloader bootloader_;
};

} // namespace sim
