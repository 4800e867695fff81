#include "RVX84_86.h"

#include "FirmwareSet.h"
#include "WebHost.h"

namespace RVX {

namespace {
const PartEntry rvx84Parts[] = {
    {0xE4, "RVX842S", "RVX84"},   {0xE5, "RVX843S", "RVX84-2"}, {0xE6, "RVX842Q", "RVX84-2"},
    {0xE7, "RVX843Q", "RVX84-2"}, {0xE8, "RVX842C", "RVX84"},   {0xE9, "RVX842D", "RVX84-2"},
};
const PartEntry rvx86Parts[] = {
    {0xA4, "RVX862S", "RVX86"},
    {0xA5, "RVX863S", "RVX86-2"},
    {0xA6, "RVX862D", "RVX86"},
    {0xA7, "RVX863D", "RVX86-2"},
};
} // namespace

RVX84_86::RVX84_86(std::uint32_t moduleIndex) : RVX46_47(moduleIndex) {
    get_poles = [this] { return dialect.read_eeprom_hex(POLES); };
    get_direction = [this] { return dialect.read_eeprom_hex(DIRECTION) == 1; };
}

void RVX84_86::identify_commutation(std::span<const PartEntry> parts) {
    identify(parts);
    set_commutation = [this](std::uint16_t resolution, std::uint8_t poles, bool counterClockwise,
                             StatusCallback status) {
        program_commutation({resolution, poles, counterClockwise}, status);
    };
    update_firmware = [this](StatusCallback status) {
        check_firmware_may_be_sent();
        auto target = unfinished_settings();
        if (!target) {
            const auto resolution = get_resolution();
            const auto poles = get_poles();
            target = Settings{resolution, poles, get_direction()};
        }
        program_commutation(*target, status);
    };
}

RVX46_47::Settings RVX84_86::settings_for(std::uint16_t resolution) {
    if (const auto& unfinished = unfinished_settings())
        return {resolution, unfinished->poles, unfinished->counter_clockwise};
    const bool counterClockwise = get_direction();
    return {resolution, get_poles(), counterClockwise};
}

FirmwareImage RVX84_86::image_for(const Settings& settings) {
    const auto image = firmware::find(
        name(), firmware::commutation_key(settings.resolution, settings.poles, settings.counter_clockwise));
    // Poles past 127 would alias another key; they are never valid.
    if (image.empty() || settings.poles > 127)
        throw Exception("Unsupported resolution/poles/direction combination", 0);
    return image;
}

void RVX84_86::program_commutation(const Settings& target, const StatusCallback& status) {
    check_firmware_may_be_sent();
    reflash(image_for(target), target, status);
    dialect.write_eeprom_word(RESOLUTION, target.resolution);
    dialect.write_eeprom_hex(POLES, target.poles);
    dialect.write_eeprom_hex(DIRECTION, target.counter_clockwise ? 1 : 0);
}

RVX84::RVX84(std::uint32_t moduleIndex) : RVX84_86(moduleIndex) {
    identify_commutation(rvx84Parts);
}

const char* RVX84::datasheet_url() {
    return RVX_MAKER_WEB_HOST "/product/resource/rvx84.pdf";
}

RVX86::RVX86(std::uint32_t moduleIndex) : RVX84_86(moduleIndex) {
    identify_commutation(rvx86Parts);
}

const char* RVX86::datasheet_url() {
    return RVX_MAKER_WEB_HOST "/product/resource/rvx86.pdf";
}

} // namespace RVX
