#pragma once
// What the models that keep their identity in a six-byte configuration record
// (RVX48, RVX64) share: the identity read from and written into the record,
// the record `restore_defaults` writes, and the record a re-flash keeps. Each
// model reads and writes the record in its own form on the wire.
#include "encoders/ConfigRecord.h"
#include "encoders/Encoder.h"

namespace RVX {

class RecordEncoder : public Encoder {
public:
    void restore_defaults() override { write_record(ConfigRecord::defaults(default_model_)); }
    std::uint8_t last_programmed_by() override { return read_record().station; }
    std::uint16_t datecode() override { return read_record().datecode(); }
    void set_datecode(std::uint16_t datecode) override;
    TimePoint last_program_date() override { return read_record().program_date(); }
    void set_last_program_date(TimePoint date) override;

protected:
    // `default_model`: the model byte of the defaults.
    explicit RecordEncoder(std::uint8_t default_model) : default_model_(default_model) {}

    virtual ConfigRecord read_record() = 0;
    virtual void write_record(const ConfigRecord& record) = 0;

    // Before a re-flash: the record, or the defaults when it cannot be read.
    void keep_record();
    // After it: the kept record, programmed today.
    void write_kept_record();

private:
    std::uint8_t default_model_;
    ConfigRecord kept_;
};

} // namespace RVX
