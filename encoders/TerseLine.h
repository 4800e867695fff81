#pragma once
// What the absolute UART encoders of the RVX65/68 and RVX62/69 lines share:
// the line set-up and reset pulse, the identity bytes of their EEPROM in the
// terse dialect (the date code with its units first), the programming date
// without a year check, "Q" to connect, "0" to zero, the four-digit replies to
// "x" and "z", the short diagnostics report, and what a re-flash keeps.
#include "encoders/An1310Reflash.h"
#include "encoders/Encoder.h"
#include "encoders/TerseDialect.h"
#include "transport/UartLink.h"

#include <optional>
#include <vector>

namespace RVX {

// EEPROM map of both lines.
namespace terse_eeprom {
inline constexpr std::uint8_t station = 0x78;
inline constexpr std::uint8_t modelCode = 0x79;
inline constexpr std::uint8_t kept7A = 0x7A; // kept across a re-flash, not interpreted
inline constexpr std::uint8_t datecodeUnits = 0x7B;
inline constexpr std::uint8_t datecodeHundreds = 0x7C;
inline constexpr std::uint8_t kept7D = 0x7D; // kept across a re-flash, not interpreted
inline constexpr std::uint8_t programDate = 0x7E;
inline constexpr std::uint8_t firmwareVersion = 0x81;
inline constexpr std::uint8_t baudIndex = 0x83;   // RVX65 parts with a selectable rate
inline constexpr std::uint8_t nodeAddress = 0xC0; // RVX65; the lowest two bits are not part of it
inline constexpr std::uint8_t zeroOffset = 0xF8;  // two bytes, high first
} // namespace terse_eeprom

class TerseLine : public Encoder {
protected:
    FTDI::UartLink link;

public:
    const char* name() override { return name_; }
    bool is_absolute() override { return true; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return counter_clockwise_; }
    void restore_defaults() override {}
    std::uint8_t firmware_version() override;
    std::uint16_t model_code() override;
    std::uint8_t last_programmed_by() override;
    std::uint16_t datecode() override;
    void set_datecode(std::uint16_t datecode) override;
    TimePoint last_program_date() override;
    // The year is stored modulo 128, unchecked, as the encoders' station does.
    void set_last_program_date(TimePoint date) override;
    void diagnostics(std::ostream& out, std::function<void()> step) override;

    // Terse reads, and the line's writes (acknowledged or silent).
    TerseDialect dialect;

protected:
    // Opens the link, sets the line up (115200 8N1, 300 ms time-outs, DTR on)
    // and resets the encoder.
    TerseLine(std::uint32_t moduleIndex, const char* name, bool counterClockwise,
              TerseDialect::Writes writes);

    // "Q", and the 200 ms the encoder takes before it listens.
    void wake();
    // "0": the encoder stores the present position as its zero; 50 ms for
    // that, then connect.
    void zero_here();
    // A one-letter command answered by four hexadecimal digits and a line
    // feed; a bad reply throws "Invalid {} <what> response" with the first
    // four bytes that came back as code.
    std::uint16_t read_reply(const char* command, const char* what);

    // What a re-flash, which rewrites the whole EEPROM with the image's
    // defaults, must not lose.
    struct Kept {
        std::uint8_t model_code = 0;
        std::uint8_t byte7A = 0;
        std::uint16_t datecode = 0;
        std::uint8_t byte7D = 0;
        std::uint16_t zero_offset = 0;
        std::optional<std::uint8_t> node_address; // encoders with set_address
    };
    // Re-flashes `choose`'s image through the shared procedure; what was kept
    // is written back and read back. After a flash cut short the encoder
    // waits in its bootloader: the retry writes back what the first attempt
    // kept, without asking the encoder.
    void program_an1310(const std::function<FirmwareImage()>& choose, const StatusCallback& status);
    bool reflash_interrupted() const { return reflash_.interrupted(); }

    // The family's own steps after the flash: bring the application up, and
    // write back what was kept (through `store`, in the family's order and
    // with its waits).
    virtual void restart_after_flash() = 0;
    virtual void write_back(const Kept& kept) = 0;
    // One EEPROM byte of the identity; written back bytes are read back.
    void store(std::uint8_t address, std::uint8_t value, int base);

private:
    void keep();
    void restore();

    const char* name_;
    bool counter_clockwise_;
    Kept kept_;
    struct Stored {
        std::uint8_t address, value;
        int base;
    };
    std::optional<std::vector<Stored>> storing_; // set while writing back
    An1310Reflash reflash_;
};

} // namespace RVX
