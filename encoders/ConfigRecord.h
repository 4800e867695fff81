#pragma once
// The six-byte configuration record of the models with the block bootloader
// (RVX48, RVX64): a model byte, the date code in two bytes, the station that
// last programmed the encoder, and the programming date as a count of days
// since 2000-01-01. Each model carries it in its own form on the wire.
#include "encoders/Encoder.h"

#include <cstdint>

namespace RVX {

struct ConfigRecord {
    std::uint8_t model = 0;
    std::uint8_t datecode_high = 0; // date code = 100 x high + low
    std::uint8_t datecode_low = 0;
    std::uint8_t station = 0;
    std::uint16_t days = 0;

    // The record `restore_defaults` writes: the model byte, no date code,
    // station 1, today.
    static ConfigRecord defaults(std::uint8_t model);

    std::uint16_t datecode() const { return static_cast<std::uint16_t>(100 * datecode_high + datecode_low); }
    void set_datecode(std::uint16_t datecode);
    // 00:00 UTC of the stored day.
    TimePoint program_date() const;
    // Stores the whole days from 2000-01-01 00:00 UTC to `date`; throws
    // boost::numeric::negative_overflow before 2000 and
    // boost::numeric::positive_overflow past 65535 days.
    void set_program_date(TimePoint date);
};

} // namespace RVX
