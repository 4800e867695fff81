#pragma once
// The RVX62 and RVX69 absolute encoders: terse reads and silent writes over
// UART, a position reply with check bits, zero on some parts, and one firmware
// update through the AN1310 bootloader with the image for the part's bits and
// zero.
#include "encoders/TerseLine.h"
#include "encoders/UartLine.h"
#include "encoders/rvx62_69/PartTable.h"

#include <span>

namespace RVX {

class RVX62_69 : public TerseLine {
public:
    // "Q" and 200 ms.
    void connect() override { wake(); }
    std::uint8_t latest_firmware_version() override { return rvx62LatestFirmware; }

protected:
    // Identifies the part in `parts`; an unknown code throws `unknown` with the code.
    RVX62_69(std::uint32_t moduleIndex, const char* name, bool counterClockwise,
             std::span<const Rvx62Part> parts, const char* unknown);

    // A reset pulse: the new firmware starts without a word from the host.
    void restart_after_flash() override { reset_pulse(link); }
    // The writes are not answered: 20 ms after each item for the encoder to
    // store it, and whatever it says meanwhile is dropped.
    void write_back(const Kept& kept) override;

private:
    std::uint16_t position();
    FirmwareImage image();
};

class RVX62 final : public RVX62_69 {
public:
    explicit RVX62(std::uint32_t moduleIndex);
};

class RVX69 final : public RVX62_69 {
public:
    explicit RVX69(std::uint32_t moduleIndex);
};

} // namespace RVX
