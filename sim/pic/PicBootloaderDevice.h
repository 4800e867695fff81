#pragma once
// Bench model "pic-bootloader": a bare PIC running the AN1310 bootloader and
// an application that ignores the line, for testing the bootloader host.
// Options: part=<name> (default PIC18F2620), devid=0|1 (device ID in the
// information block; default 1 for PIC16, else 0), major=, minor=,
// erase=0|1 (capability bit 0), extras=0|1 (capability bit 8), timing=0|1,
// bs=<start>, bsize=<size> (bootloader range in address units), app=<entry>
// (starts with a small application at that address, running).
#include "An1310Bootloader.h"
#include "sim/Device.h"

#include <memory>

namespace sim {

class PicBootloaderDevice final : public UartDevice {
public:
    explicit PicBootloaderDevice(PicPart part, BootloaderOptions options = {}, std::uint32_t application = 0);
    static std::unique_ptr<UartDevice> create(const ModelOptions& options);

    void receive(std::span<const std::uint8_t> bytes, Port& port) override;
    void lineChanged(const LineState& before, Port& port) override;

    PicChip& chip() { return chip_; }
    An1310Bootloader& bootloader() { return bootloader_; }
    // Bytes that reached the application while it ran.
    const std::vector<std::uint8_t>& applicationBytes() const { return appBytes_; }
    std::uint64_t applicationStarts() const { return appStarts_; }

private:
    PicChip chip_;
    An1310Bootloader bootloader_;
    std::vector<std::uint8_t> appBytes_;
    std::uint64_t appStarts_ = 0;
};

} // namespace sim
