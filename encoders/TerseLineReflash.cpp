// What the terse-line encoders keep across a re-flash, which rewrites the
// whole EEPROM with the image's defaults: the identity bytes, and also the
// zero offset and the RS-485 node address, which are the user's settings.
// Everything written back is read back: the RVX62/69 line's writes are not
// answered, so only the read-back can tell that one was lost.
#include "encoders/TerseLine.h"

#include <fmt/format.h>

namespace RVX {

void TerseLine::program_an1310(const std::function<FirmwareImage()>& choose, const StatusCallback& status) {
    reflash_.program(choose, status);
}

void TerseLine::keep() {
    Kept kept;
    kept.model_code = static_cast<std::uint8_t>(model_code());
    kept.byte7A = dialect.read_eeprom(terse_eeprom::kept7A, 16);
    kept.datecode = datecode();
    kept.byte7D = dialect.read_eeprom(terse_eeprom::kept7D, 16);
    kept.zero_offset = dialect.read_eeprom_word(terse_eeprom::zeroOffset, 16);
    if (get_address) kept.node_address = dialect.read_eeprom(terse_eeprom::nodeAddress, 16);
    kept_ = kept;
}

void TerseLine::store(std::uint8_t address, std::uint8_t value, int base) {
    dialect.write_eeprom(address, value, base);
    if (storing_) storing_->push_back({address, value, base});
}

void TerseLine::restore() {
    storing_.emplace();
    try {
        write_back(kept_);
    } catch (...) {
        storing_.reset();
        throw;
    }
    const auto stored = std::move(*storing_);
    storing_.reset();
    // Read back as the two digits that were sent: a decimal byte that did not
    // arrive then shows as a mismatch, not as digits of the wrong base.
    for (const auto& byte : stored) {
        const auto sent = byte.base == 10 ? (byte.value / 10) * 16 + byte.value % 10 : byte.value;
        if (dialect.read_eeprom(byte.address, 16) != sent)
            throw Exception(fmt::format("Unable to write {} EEPROM", name()), byte.address);
    }
}

} // namespace RVX
