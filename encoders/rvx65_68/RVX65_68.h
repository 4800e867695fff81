#pragma once
// The RVX65 (RS-485, node address, some parts with a choice of baud rate) and
// RVX68 absolute encoders: terse ASCII commands over UART, a zero offset the
// driver subtracts itself, turns on the multi-turn parts, and firmware images
// through the AN1310 bootloader (a baud-rate change is a re-flash).
#include "encoders/TerseLine.h"
#include "encoders/rvx65_68/PartTable.h"

namespace RVX {

class RVX65_68 : public TerseLine {
public:
    // "Q", 200 ms, and the zero offset read again.
    void connect() override;

    // The encoder's stored zero position, as last read.
    std::uint16_t zero_offset() const { return zero_offset_; }

protected:
    RVX65_68(std::uint32_t moduleIndex, const char* name);

    // The image for the settings; throws "Invalid resolution" for bits other
    // than 12 or 14, or `missing` when the program carries none.
    FirmwareImage image(std::uint32_t key, std::uint8_t bits, const char* missing);
    // What a single-turn and a multi-turn part have.
    void offer_zero();
    void offer_turns();

    void restart_after_flash() override { connect(); }
    void write_back(const Kept& kept) override;

private:
    std::uint16_t position();

    std::uint16_t zero_offset_ = 0;
};

class RVX65 final : public RVX65_68 {
public:
    explicit RVX65(std::uint32_t moduleIndex);
    std::uint8_t latest_firmware_version() override { return latest_; }

private:
    FirmwareImage image_for_rate(std::uint32_t baud);

    const Rvx65Part* part_ = nullptr;
    std::uint8_t latest_ = 0;
};

class RVX68 final : public RVX65_68 {
public:
    explicit RVX68(std::uint32_t moduleIndex);
    std::uint8_t latest_firmware_version() override { return rvx68LatestFirmware; }
};

} // namespace RVX
