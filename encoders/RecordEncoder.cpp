#include "encoders/RecordEncoder.h"

#include <chrono>
#include <exception>

namespace RVX {

void RecordEncoder::set_datecode(std::uint16_t datecode) {
    auto record = read_record();
    record.set_datecode(datecode);
    write_record(record);
}

void RecordEncoder::set_last_program_date(TimePoint date) {
    auto record = read_record();
    record.set_program_date(date);
    write_record(record);
}

void RecordEncoder::keep_record() {
    try {
        kept_ = read_record();
    } catch (const std::exception&) {
        kept_ = ConfigRecord::defaults(default_model_);
    }
}

void RecordEncoder::write_kept_record() {
    kept_.set_program_date(std::chrono::system_clock::now());
    write_record(kept_);
}

} // namespace RVX
