#include "encoders/rvx84_86/RVX84_86.h"

#include "encoders/FirmwareSet.h"

namespace RVX {

RVX84_86::RVX84_86(std::uint32_t moduleIndex, const LineModel& model) : RVX46_47(moduleIndex, model) {
    get_poles = [this] { return dialect.read_eeprom_hex(line_eeprom::poles); };
    get_direction = [this] { return dialect.read_eeprom_hex(line_eeprom::direction) == 1; };
    identify();
    // The whole commutation set is re-flashed, and stored, together.
    set_commutation = [this](std::uint16_t resolution, std::uint8_t poles, bool counterClockwise,
                             StatusCallback status) {
        program_commutation([=] { return Settings{resolution, poles, counterClockwise}; }, status);
    };
    update_firmware = [this](StatusCallback status) {
        program_commutation([this] { return present_settings(); }, status);
    };
}

RVX46_47::Settings RVX84_86::settings_for(std::uint16_t resolution) {
    // Without an application to ask, the pole count and direction are those
    // of the interrupted re-flash.
    if (reflash_interrupted()) return {resolution, flashing().poles, flashing().counter_clockwise};
    const bool counterClockwise = get_direction();
    return {resolution, get_poles(), counterClockwise};
}

RVX46_47::Settings RVX84_86::present_settings() {
    if (reflash_interrupted()) return flashing();
    const auto resolution = get_resolution();
    const auto poles = get_poles();
    return {resolution, poles, get_direction()};
}

FirmwareImage RVX84_86::image_for(const Settings& settings) {
    // Poles past 127 would alias another key; they are never valid.
    const auto image = settings.poles > 127
                           ? FirmwareImage{}
                           : firmware::hex(name(), commutation_key(settings.resolution, settings.poles,
                                                                   settings.counter_clockwise));
    if (image.empty()) throw Exception("Unsupported resolution/poles/direction combination", 0);
    return image;
}

void RVX84_86::program_commutation(const std::function<Settings()>& target, const StatusCallback& status) {
    Settings flashed;
    program_an1310(
        [&] {
            flashed = target();
            return flashed;
        },
        status);
    dialect.write_eeprom_word(line_eeprom::resolution, flashed.resolution);
    dialect.write_eeprom_hex(line_eeprom::poles, flashed.poles);
    dialect.write_eeprom_hex(line_eeprom::direction, flashed.counter_clockwise ? 1 : 0);
}

RVX84::RVX84(std::uint32_t moduleIndex) : RVX84_86(moduleIndex, rvx84Model) {}

RVX86::RVX86(std::uint32_t moduleIndex) : RVX84_86(moduleIndex, rvx86Model) {}

} // namespace RVX
