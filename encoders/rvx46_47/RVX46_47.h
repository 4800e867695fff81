#pragma once
// The RVX46/RVX47 incremental encoders, and the base of the RVX84/RVX86
// commutation line: echoing ASCII commands over UART, resolution changes by
// re-flashing through the AN1310 bootloader.
#include "encoders/An1310Reflash.h"
#include "encoders/EchoingDialect.h"
#include "encoders/Encoder.h"
#include "encoders/rvx46_47/PartTable.h"
#include "transport/UartLink.h"

#include <array>
#include <optional>

namespace RVX {

class RVX46_47 : public Encoder {
protected:
    FTDI::UartLink link;

public:
    // The resolutions, in pulses per revolution, these encoders offer.
    static const std::array<std::uint64_t, 22> allowed_resolutions;

    bool is_absolute() override { return false; }
    void connect() override;
    const char* name() override { return model_.name; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return model_.counter_clockwise; }
    void restore_defaults() override {}
    std::uint8_t firmware_version() override;
    std::uint8_t latest_firmware_version() override { return model_.latest_firmware; }
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
    FirmwareImage firmware_image(std::uint16_t resolution);

    // Echoing EEPROM and RAM commands on this encoder.
    EchoingDialect dialect;

protected:
    RVX46_47(std::uint32_t moduleIndex, const LineModel& model);

    // The leaf constructors' identification: connect, read the model code,
    // set part number, picture and update_firmware; throws "Encoder does not
    // appear to be an {}".
    void identify();

    // The settings a firmware image is made for.
    struct Settings {
        std::uint16_t resolution = 0;
        std::uint8_t poles = 0;
        bool counter_clockwise = false;
    };
    // The model's image for the settings; throws when it carries none.
    virtual FirmwareImage image_for(const Settings& settings);
    // The settings a change to `resolution` keeps the rest of.
    virtual Settings settings_for(std::uint16_t resolution) { return {resolution}; }
    // The settings to flash again for a firmware update: the encoder's own, or
    // after an interrupted re-flash (no application may be left to ask) those
    // that were being flashed.
    virtual Settings present_settings();

    // Re-flashes the image for target settings; the identity survives.
    void program_an1310(const std::function<Settings()>& target, const StatusCallback& status);
    // An earlier re-flash began to erase and none has completed since.
    bool reflash_interrupted() const { return reflash_.interrupted(); }
    // What that interrupted re-flash was flashing.
    const Settings& flashing() const { return flashing_; }

    const LineModel& model_;

private:
    std::uint16_t read_position_value();
    // "r": prepares a position reading (and the acquisition's read-out).
    void prepare_position();
    void save_identity();
    void restore_identity();

    struct Identity {
        std::uint8_t model_code;
        std::uint16_t datecode;
        std::uint8_t byte7A;
        std::uint8_t byte7D;
    };
    Identity identity_{};
    Settings flashing_{};
    An1310Reflash reflash_;
};

class RVX46 final : public RVX46_47 {
public:
    explicit RVX46(std::uint32_t moduleIndex);
};

class RVX47 final : public RVX46_47 {
public:
    explicit RVX47(std::uint32_t moduleIndex);
};

} // namespace RVX
