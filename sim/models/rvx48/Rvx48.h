#pragma once
// The RVX48 incremental encoder as it behaves on its UART: a chip with the
// block bootloader (at 2000000 baud), running firmware that listens at
// 115200 baud while DTR is on (see BlockEncoder.h) and takes short lines:
//   "i"            four hex digits: device (48) and firmware version
//   "CR"           the configuration record: eight hex digits for bytes 0-3,
//                  four for the date word (days since 2000), a line feed
//   "CW" + 12 hex  writes the record; no answer
//   "r"            the resolution code as two hex digits, 0xF0 + code
//                  (firmware before version 4 does not know it)
//   "RF" + digit   sets the resolution code; no answer
// The record and the resolution code live in the chip's data EEPROM, apart
// from program memory, so a re-flash keeps them; the firmware version is that
// of the image in program memory.
#include "sim/blockloader/BlockEncoder.h"

#include <cstdint>

namespace sim {

struct Rvx48Record {
    std::uint8_t modelCode = 0xA5;
    std::uint8_t datecodeHigh = 0; // date code = 100 x high + low
    std::uint8_t datecodeLow = 0;
    std::uint8_t station = 0x01;
    std::uint16_t days = 0; // programming date, days since 2000-01-01
    bool operator==(const Rvx48Record&) const = default;
};

#define RVX48_OPTIONS "fw, res, code, datecode, station, days, " BLOCK_ENCODER_OPTIONS

class Rvx48 final : public BlockEncoder {
public:
    static constexpr std::uint32_t applicationBaud = 115200;

    // Options: fw (factory firmware version), res (resolution code 0 to 15),
    // code (model code), datecode, station, days (the record's fields), and
    // those of every block-bootloader encoder.
    explicit Rvx48(const ModelOptions& options = {});

    const Rvx48Record& record() const { return record_; }
    std::uint8_t resolutionCode() const { return resolutionCode_; }

private:
    std::optional<Reply> command(const std::string& line, Port& port) override;

    Rvx48Record record_;
    std::uint8_t resolutionCode_ = 7;
};

} // namespace sim
