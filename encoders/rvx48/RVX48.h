#pragma once
// Driver of the RVX48 incremental encoder: its own short command language over
// UART at 115200 baud, a six-byte configuration record, sixteen resolutions
// set by command, and firmware updates through the block bootloader at
// 2000000 baud.
#include "encoders/BlockReflash.h"
#include "encoders/RecordEncoder.h"
#include "transport/UartLink.h"

#include <vector>

namespace RVX {

class RVX48 final : public RecordEncoder {
public:
    explicit RVX48(std::uint32_t moduleIndex);

    bool is_absolute() override { return false; }
    void connect() override;
    const char* name() override { return "RVX48"; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return false; }
    std::uint8_t firmware_version() override;
    std::uint8_t latest_firmware_version() override { return 4; }
    std::uint16_t model_code() override { return read_record().model; }
    void diagnostics(std::ostream& out, std::function<void()> step) override;

private:
    // Reads and drops what is waiting, within bounds: a device that never
    // stops sending must not hold the program here.
    void drain();
    // "i": the checked five-byte reply.
    std::vector<std::uint8_t> identify();
    ConfigRecord read_record() override;
    void write_record(const ConfigRecord& record) override;
    std::uint16_t read_resolution();
    void write_resolution(std::uint16_t resolution);
    // The application's line (115200 baud, DTR on) or the bootloader's (2000000 baud, DTR off).
    void set_line(bool application);
    void update(const StatusCallback& status);

    FTDI::UartLink link;
    BlockReflash reflash_;
};

} // namespace RVX
