#include "encoders/rvx65_68/RVX65_68.h"

#include "encoders/FirmwareSet.h"
#include "encoders/PartLookup.h"
#include "encoders/Pictures.h"

#include <algorithm>
#include <fmt/format.h>
#include <stdexcept>

namespace RVX {

namespace {
constexpr unsigned countsPerTurn = 16384;
constexpr std::uint8_t thisStation = 0x30;
} // namespace

RVX65_68::RVX65_68(std::uint32_t moduleIndex, const char* name)
    : TerseLine(moduleIndex, name, true, TerseDialect::Writes::Acknowledged) {
    read_position = [this] { return position(); };
    zero_offset_ = dialect.read_eeprom_word(terse_eeprom::zeroOffset, 16);
}

void RVX65_68::connect() {
    wake();
    zero_offset_ = dialect.read_eeprom_word(terse_eeprom::zeroOffset, 16);
}

std::uint16_t RVX65_68::position() {
    const unsigned raw = read_reply("x", "position");
    // Modulo a whole turn, so that a raw value or an offset out of range (a
    // blank offset reads 0xFFFF) still gives a position on the dial.
    const auto turn = static_cast<std::uint16_t>(
        (raw % countsPerTurn + countsPerTurn - zero_offset_ % countsPerTurn) % countsPerTurn);
    return position_bits == 14 ? turn : static_cast<std::uint16_t>(turn >> 2);
}

void RVX65_68::offer_zero() {
    zero = [this] { zero_here(); };
}

void RVX65_68::offer_turns() {
    read_turns = [this] { return static_cast<std::int16_t>(read_reply("z", "turns")); };
}

FirmwareImage RVX65_68::image(std::uint32_t key, std::uint8_t bits, const char* missing) {
    if (bits != 12 && bits != 14) throw Exception("Invalid resolution", 0);
    const auto found = firmware::hex(name(), key);
    if (found.empty()) throw Exception(missing, 0);
    return found;
}

void RVX65_68::write_back(const Kept& kept) {
    store(terse_eeprom::modelCode, kept.model_code, 16);
    set_datecode(kept.datecode);
    store(terse_eeprom::kept7A, kept.byte7A, 16);
    store(terse_eeprom::kept7D, kept.byte7D, 16);
    store(terse_eeprom::station, thisStation, 16);
    store(terse_eeprom::firmwareVersion, latest_firmware_version(), 16);
    set_last_program_date(std::chrono::system_clock::now());
    if (kept.node_address) store(terse_eeprom::nodeAddress, *kept.node_address, 16);
    store(terse_eeprom::zeroOffset, static_cast<std::uint8_t>(kept.zero_offset >> 8), 16);
    store(terse_eeprom::zeroOffset + 1, static_cast<std::uint8_t>(kept.zero_offset & 0xFF), 16);
    zero_offset_ = kept.zero_offset;
}

// --- RVX65 ---------------------------------------------------------------------

RVX65::RVX65(std::uint32_t moduleIndex) : RVX65_68(moduleIndex, "RVX65") {
    get_address = [this] {
        return static_cast<std::uint8_t>(dialect.read_eeprom(terse_eeprom::nodeAddress, 16) & 0xFC);
    };
    set_address = [this](std::uint8_t address) {
        if (address % 4 != 0)
            throw Exception("Unable to set RVX65 RS-485 address. Invalid address. Must be multiple of 4",
                            address);
        dialect.write_eeprom(terse_eeprom::nodeAddress, address, 16);
    };

    const auto code = static_cast<std::uint8_t>(model_code());
    part_ = find_part(rvx65Parts, code);
    if (!part_) throw Exception("Encoder does not appear to be an RVX65", code);
    part_number = part_->part_number;
    picture = model_picture(part_->picture);
    position_bits = part_->position_bits;
    latest_ = part_->latest_firmware;
    if (part_->multi_turn)
        offer_turns();
    else
        offer_zero();

    if (part_->fixed_rate) {
        get_baud_rate = [] { return rvx65FixedRate; };
        update_firmware = [this](StatusCallback status) {
            program_an1310([this] { return image_for_rate(rvx65FixedRate); }, status);
        };
        return;
    }
    get_baud_rate = [this]() -> std::uint32_t {
        // After a flash cut short no firmware runs, so there is no rate to
        // read: any rate the user picks re-flashes.
        if (reflash_interrupted()) return 0;
        const auto index = dialect.read_eeprom(terse_eeprom::baudIndex, 16);
        if (index >= rvx65BaudRates.size()) throw std::out_of_range("invalid array<T, N> subscript");
        return rvx65BaudRates[index];
    };
    set_baud_rate = [this](std::uint32_t baud, StatusCallback status) {
        program_an1310([&] { return image_for_rate(baud); }, status);
        const auto index =
            std::find(rvx65BaudRates.begin(), rvx65BaudRates.end(), baud) - rvx65BaudRates.begin();
        dialect.write_eeprom(terse_eeprom::baudIndex, static_cast<std::uint8_t>(index), 16);
    };
}

FirmwareImage RVX65::image_for_rate(std::uint32_t baud) {
    const auto bits = part_->position_bits;
    if (std::find(rvx65BaudRates.begin(), rvx65BaudRates.end(), baud) == rvx65BaudRates.end())
        throw Exception("Invalid baud rate", 0);
    return image(rvx65_image_key(bits, part_->multi_turn, baud), bits, "Invalid baud rate");
}

// --- RVX68 ---------------------------------------------------------------------

RVX68::RVX68(std::uint32_t moduleIndex) : RVX65_68(moduleIndex, "RVX68") {
    const auto code = static_cast<std::uint8_t>(model_code());
    const auto* part = find_part(rvx68Parts, code);
    if (!part) throw Exception("Encoder does not appear to be an RVX68", code);
    part_number = part->part_number;
    picture = model_picture(part->picture);
    position_bits = part->position_bits;
    offer_zero();
    update_firmware = [this, bits = part->position_bits](StatusCallback status) {
        program_an1310([this, bits] { return image(rvx68_image_key(bits), bits, "Invalid resolution"); },
                       status);
    };
}

} // namespace RVX
