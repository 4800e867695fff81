#pragma once
// The RVX46/RVX47 incremental encoders, and the base of the RVX84/RVX86
// commutation line: echoing ASCII commands over UART, resolution changes by
// re-flashing through the AN1310 bootloader.
#include "EchoingDialect.h"
#include "Encoder.h"
#include "transport/UartLink.h"

#include <array>
#include <optional>
#include <span>

namespace RVX {

// One row of a model's identification table.
struct PartEntry {
    std::uint8_t model_code;
    const char* part_number;
    const char* picture; // name for model_picture()
};

class RVX46_47 : public Encoder {
protected:
    FTDI::UartLink link;

public:
    // The resolutions, in pulses per revolution, these encoders offer.
    static const std::array<std::uint64_t, 22> allowed_resolutions;

    bool is_absolute() override { return false; }
    void connect() override;
    void restore_defaults() override {}
    std::uint8_t firmware_version() override;
    std::uint16_t model_code() override;
    std::uint8_t last_programmed_by() override;
    std::uint16_t datecode() override;
    void set_datecode(std::uint16_t datecode) override;
    TimePoint last_program_date() override;
    void set_last_program_date(TimePoint date) override;
    void diagnostics(std::ostream& out, std::function<void()> step) override;

    // The firmware image for a resolution (on the commutation models also for
    // the encoder's pole count and direction); throws before anything is sent
    // when there is none.
    virtual FirmwareImage firmware_image(std::uint16_t resolution);

    // Echoing EEPROM and RAM commands on this encoder.
    EchoingDialect dialect;

protected:
    explicit RVX46_47(std::uint32_t moduleIndex);

    // EEPROM map of the line.
    enum Eeprom : std::uint8_t {
        STATION = 0x78,
        MODEL_CODE = 0x79,
        KEPT_7A = 0x7A, // kept across a re-flash, not interpreted
        DATECODE_HUNDREDS = 0x7B,
        DATECODE_UNITS = 0x7C,
        KEPT_7D = 0x7D, // kept across a re-flash, not interpreted
        PROGRAM_DATE = 0x7E,
        FIRMWARE_VERSION = 0x81,
        RESOLUTION = 0x82,
        POLES = 0x84,     // commutation models
        DIRECTION = 0x85, // commutation models; 1 = counter-clockwise
        ERROR_FLAGS = 0x8B,
        BLOCK_FLAGS = 0x8C,
        CHECK_ENABLES = 0xF1,
    };

    // The leaf constructors' identification: connect, read the model code,
    // set part number and picture; throws "Encoder does not appear to be an {}".
    void identify(std::span<const PartEntry> parts);

    // Re-flashes the encoder with `image` and restores its identity.
    void program_an1310(FirmwareImage image, const StatusCallback& status);

    // The settings a firmware image is made for.
    struct Settings {
        std::uint16_t resolution = 0;
        std::uint8_t poles = 0;
        bool counter_clockwise = false;
    };
    // The model's image for the settings; throws when it carries none.
    virtual FirmwareImage image_for(const Settings& settings) = 0;
    // The settings a change to `resolution` keeps the rest of.
    virtual Settings settings_for(std::uint16_t resolution) { return {resolution}; }
    // Re-flashes the image for the encoder's present settings.
    void reflash_present_settings(const StatusCallback& status);
    // Refuses, before anything is sent, to re-flash a real encoder when the
    // program carries only the simulated bench's firmware images.
    void check_firmware_may_be_sent();
    // Runs `program_an1310` for target settings. Until a re-flash completes
    // the driver remembers what it was flashing, since an interrupted flash
    // leaves the encoder's EEPROM holding the image's defaults (or nothing).
    void reflash(FirmwareImage image, const Settings& target, const StatusCallback& status);
    // The settings of an interrupted re-flash, if one is pending.
    const std::optional<Settings>& unfinished_settings() const { return unfinishedSettings_; }

private:
    std::uint16_t read_position_value();
    void save_identity();
    // "r": prepares a position reading (and the acquisition's read-out).
    void prepare_position();

    struct Identity {
        std::uint16_t model_code;
        std::uint16_t datecode;
        std::uint8_t byte7A;
        std::uint8_t byte7D;
    };
    std::optional<Identity> unfinishedIdentity_;
    std::optional<Settings> unfinishedSettings_;
};

class RVX46 final : public RVX46_47 {
public:
    explicit RVX46(std::uint32_t moduleIndex);
    const char* name() override { return "RVX46"; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return true; }
    std::uint8_t latest_firmware_version() override { return 0x15; }

protected:
    FirmwareImage image_for(const Settings& settings) override;
};

class RVX47 final : public RVX46_47 {
public:
    explicit RVX47(std::uint32_t moduleIndex);
    const char* name() override { return "RVX47"; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return false; }
    std::uint8_t latest_firmware_version() override { return 0x19; }

protected:
    FirmwareImage image_for(const Settings& settings) override;
};

} // namespace RVX
