// What the RVX46 line keeps across a re-flash, which rewrites the whole
// EEPROM with the image's defaults: the model code, the date code and the
// two bytes beside them; afterwards this station, the new version and today.
#include "encoders/rvx46_47/RVX46_47.h"

#include <chrono>

namespace RVX {

namespace {
constexpr std::uint8_t thisStation = 0x30;
} // namespace

void RVX46_47::save_identity() {
    const auto code = static_cast<std::uint8_t>(model_code());
    const auto date = datecode();
    const auto kept7A = dialect.read_eeprom_hex(line_eeprom::kept7A);
    identity_ = Identity{code, date, kept7A, dialect.read_eeprom_hex(line_eeprom::kept7D)};
}

void RVX46_47::restore_identity() {
    dialect.write_eeprom_hex(line_eeprom::modelCode, identity_.model_code);
    set_datecode(identity_.datecode);
    dialect.write_eeprom_hex(line_eeprom::kept7A, identity_.byte7A);
    dialect.write_eeprom_hex(line_eeprom::kept7D, identity_.byte7D);
    dialect.write_eeprom_hex(line_eeprom::station, thisStation);
    dialect.write_eeprom_hex(line_eeprom::firmwareVersion, latest_firmware_version());
    set_last_program_date(std::chrono::system_clock::now());
}

} // namespace RVX
