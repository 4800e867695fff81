#pragma once
// The RVX64 absolute encoder as it behaves on its RS-485 line: a chip with
// the block bootloader, running firmware at the same 2000000 baud (see
// BlockEncoder.h) that takes short lines:
//   "i"         identification word, four hex digits: 0x35, then the variant
//               code in bits 6-7 and the firmware version in bits 0-3
//   "p"         position, four hex digits: 14-bit parts count 0 to 0x3FFF,
//               12-bit parts their count shifted left by two
//   "o"         options byte, two hex digits; bit 5: termination on
//   "S1", "S0"  termination on, off; no answer ("o" and "S" from firmware 7 on)
//   "0"         the present position becomes zero (variants A and B); no answer
//   "AHH"       RS-485 node address HH; no answer
//   "XQW"       "*": unlocks the next line for the record
//   "c"         the record: "c", its eight base64 characters, CR LF
//   "C" + 8     stores the record's eight characters, "*"
// A record line that was not unlocked gets "!". The record, the zero and the
// termination live in data EEPROM and survive a re-flash. The node address
// sits in program memory, a RETLW at word 0x0E00 (block 112), which the
// firmware rewrites itself and a re-flash replaces with the image's default.
// What runs (version, variant) comes from the image in program memory. The
// shaft turns at a set speed on the bench clock.
#include "sim/blockloader/BlockEncoder.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace sim {

#define RVX64_OPTIONS                                                                                        \
    "variant, fw, address, datecode, station, days, record, termination, rpm, shaft, " BLOCK_ENCODER_OPTIONS

class Rvx64 final : public BlockEncoder {
public:
    static constexpr std::uint16_t countsPerTurn = 16384;
    static constexpr std::uint16_t addressWord = 0x0E00;

    // Options: variant (A, B, C or D), fw (factory firmware version), address
    // (node address), datecode, station, days (the record's fields), record
    // (eight characters stored as the record instead, e.g. a corrupt one),
    // termination=0|1, rpm, shaft (counts at time 0), and those of every
    // block-bootloader encoder.
    explicit Rvx64(const ModelOptions& options = {});

    // The stored record decoded; empty when its text is not six bytes of base64.
    std::optional<std::array<std::uint8_t, 6>> record() const;
    const std::string& recordText() const { return recordText_; }
    std::uint8_t nodeAddress();
    bool termination() const { return (options_ & terminationBit) != 0; }
    std::uint16_t shaftAt(Clock::time_point now) const;

private:
    static constexpr std::uint8_t terminationBit = 0x20;

    std::optional<Reply> command(const std::string& line, Port& port) override;
    void started() override { unlocked_ = false; }
    std::uint8_t variant() const;
    void writeNodeAddress(std::uint8_t address);

    std::string recordText_;
    std::uint8_t options_ = 0;
    std::uint16_t zeroOffset_ = 0;
    bool unlocked_ = false;
    double rpm_ = 30;
    std::uint16_t shaft_ = 0;
};

} // namespace sim
