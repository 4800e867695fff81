#pragma once
// Driver of the RVX64 absolute single-turn encoder with RS-485: its own short
// command language at 2000000 baud, a six-byte configuration record in base64
// behind an unlock code, four variants (12 or 14 bits, with or without zero),
// switchable termination on recent parts, and the node address kept in program
// memory, read through the block bootloader and written back after each update.
#include "encoders/BlockReflash.h"
#include "encoders/FirmwareSet.h"
#include "encoders/RecordEncoder.h"
#include "transport/UartLink.h"

#include <vector>

namespace RVX {

class RVX64 final : public RecordEncoder {
public:
    explicit RVX64(std::uint32_t moduleIndex);

    bool is_absolute() override { return true; }
    void connect() override;
    const char* name() override { return "RVX64"; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return false; }
    std::uint8_t firmware_version() override;
    std::uint8_t latest_firmware_version() override { return 7; }
    std::uint16_t model_code() override;
    void diagnostics(std::ostream& out, std::function<void()> step) override;

private:
    // "i": the identification word, after the reply's checks.
    std::uint16_t identification();
    void unlock();
    ConfigRecord read_record() override;
    void write_record(const ConfigRecord& record) override;
    std::uint16_t position();
    bool termination();
    void write_termination(bool on);
    void write_address(std::uint8_t address);
    // Through the block bootloader; the application is restarted afterwards,
    // also when this fails.
    std::uint8_t read_address();
    std::uint8_t address_from_bootloader();
    // A record that cannot be read is replaced by the defaults.
    void save_settings();
    // The kept address, then the kept record programmed today.
    void restore_settings();

    FTDI::UartLink link;
    firmware::BinaryImage image_;
    std::uint8_t kept_address_ = 0;
    BlockReflash reflash_;
};

} // namespace RVX
