#pragma once
// Driver of the RVX63, the absolute encoder reached over SPI. Every exchange is
// one single-byte transfer; the encoder answers a command in later transfers and
// says 0xA5 while it is busy (and when it is idle and ready).
#include "encoders/Encoder.h"
#include "transport/SpiLink.h"

#include <cstdint>

namespace RVX {

class RVX63 final : public Encoder {
public:
    // Opens the SPI channel and waits for the encoder to be ready; the model is
    // not checked, the RVX63 has no model code worth trusting.
    explicit RVX63(std::uint32_t channelIndex);

    bool is_absolute() override { return true; }
    void connect() override;
    const char* name() override;
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return true; }
    void restore_defaults() override {}
    std::uint8_t firmware_version() override;
    std::uint8_t latest_firmware_version() override;
    std::uint16_t model_code() override;
    std::uint8_t last_programmed_by() override;
    std::uint16_t datecode() override;
    void set_datecode(std::uint16_t datecode) override;
    TimePoint last_program_date() override;
    void set_last_program_date(TimePoint) override {}
    void diagnostics(std::ostream& out, std::function<void()> step) override;

private:
    std::uint8_t transfer(std::uint8_t byte) { return link_.transfer(byte); }
    void wait_until_ready();
    void poll_for(std::uint8_t answer, const char* timeoutMessage);
    void enter_calibration_mode();
    std::uint8_t read_eeprom(std::uint8_t address);
    void write_eeprom(std::uint8_t address, std::uint8_t value);
    std::uint16_t read_resolution();
    void write_resolution(std::uint16_t resolution);
    void set_zero();
    std::uint16_t position();
    [[noreturn]] void fail(const char* message, std::uint32_t code);

    SpiLink link_;
};

} // namespace RVX
