#pragma once
// The interface every encoder driver implements, the driver errors, and the
// small types shared by drivers, loaders and the main window.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>

using StatusCallback = std::function<void(const std::string&)>;

// A whole Intel HEX file kept in the program's constant data.
using FirmwareImage = std::span<const char>;

namespace RVX {

class Exception : public std::exception {
public:
    Exception(std::string message, std::uint32_t code) : message_(std::move(message)), code_(code) {}
    const char* what() const noexcept override { return message_.c_str(); }
    std::uint32_t code() const noexcept { return code_; }

private:
    std::string message_;
    std::uint32_t code_;
};

// The settings stored in the encoder cannot be used; the main window offers
// to write the defaults.
class EEPROMInvalid : public Exception {
public:
    using Exception::Exception;
};

using TimePoint = std::chrono::system_clock::time_point;

class Encoder {
public:
    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    virtual ~Encoder() = default;

    virtual bool is_absolute() = 0;
    virtual void connect() = 0;
    virtual const char* name() = 0;
    virtual const char* datasheet_url() = 0;
    virtual bool counts_counter_clockwise() = 0;
    virtual void restore_defaults() = 0;
    virtual std::uint8_t firmware_version() = 0;
    virtual std::uint8_t latest_firmware_version() = 0;
    virtual std::uint16_t model_code() = 0;
    virtual std::uint8_t last_programmed_by() = 0;
    virtual std::uint16_t datecode() = 0;
    virtual void set_datecode(std::uint16_t datecode) = 0;
    virtual TimePoint last_program_date() = 0;
    virtual void set_last_program_date(TimePoint date) = 0;
    virtual void diagnostics(std::ostream& out, std::function<void()> step) = 0;

    // Optional accessors: filled only by a driver's constructor, for what its
    // part supports; an empty one means the encoder does not offer it.
    const char* part_number = nullptr;
    std::span<const std::uint64_t> resolutions;
    std::function<void(std::uint16_t, StatusCallback)> set_resolution;
    std::function<std::uint16_t()> get_resolution;
    std::optional<std::uint8_t> position_bits;
    std::span<const unsigned char> picture;
    std::function<std::uint32_t()> get_baud_rate;
    std::function<void(std::uint32_t, StatusCallback)> set_baud_rate;
    std::function<std::uint8_t()> get_address;
    std::function<void(std::uint8_t)> set_address;
    std::function<std::uint8_t()> get_poles;
    std::function<bool()> get_direction;
    std::function<void(std::uint16_t, std::uint8_t, bool, StatusCallback)> set_commutation;
    std::function<void()> zero;
    std::function<std::uint16_t()> read_position;
    std::function<std::int16_t()> read_turns;
    std::function<void(StatusCallback)> update_firmware;
    std::function<bool()> get_termination;
    std::function<void(bool)> set_termination;

protected:
    // The report header every driver's diagnostics starts with.
    void write_diagnostics_header(std::ostream& out);
};

// Packed programming date: bits 15-9 year - 2000, 8-5 month, 4-0 day.
TimePoint unpack_program_date(std::uint16_t word);

} // namespace RVX
