#include "encoders/rvx62_69/RVX62_69.h"

#include "encoders/FirmwareSet.h"
#include "encoders/PartLookup.h"
#include "encoders/Pictures.h"

#include <fmt/format.h>

namespace RVX {

namespace {
constexpr std::uint8_t thisStation = 0x30;
constexpr std::uint32_t storeWaitMs = 20;

// The check bits in the top two bits of a position reply: 11 XOR the seven
// bit pairs of the 14-bit position.
unsigned check_bits(unsigned raw) {
    unsigned check = 3;
    for (int pair = 0; pair < 7; ++pair)
        check ^= (raw >> (2 * pair)) & 3;
    return check;
}
} // namespace

RVX62_69::RVX62_69(std::uint32_t moduleIndex, const char* name, bool counterClockwise,
                   std::span<const Rvx62Part> parts, const char* unknown)
    : TerseLine(moduleIndex, name, counterClockwise, TerseDialect::Writes::Silent) {
    update_firmware = [this](StatusCallback status) { program_an1310([this] { return image(); }, status); };
    read_position = [this] { return position(); };

    const auto code = static_cast<std::uint8_t>(model_code());
    const auto* part = find_part(parts, code);
    if (!part) throw Exception(unknown, code);
    part_number = part->part_number;
    picture = model_picture(part->picture);
    position_bits = part->position_bits;
    if (part->zero) zero = [this] { zero_here(); };
}

std::uint16_t RVX62_69::position() {
    const unsigned raw = read_reply("x", "position");
    if (check_bits(raw) != raw >> 14) throw Exception(fmt::format("Invalid {} checksum", name()), raw);
    return static_cast<std::uint16_t>((raw & 0x3FFF) >> (14 - position_bits.value_or(14)));
}

FirmwareImage RVX62_69::image() {
    const auto bits = position_bits.value_or(0);
    if (bits != 12 && bits != 14) throw Exception("Unknown resolution", 0);
    const auto found = firmware::hex(rvx62_69Images, rvx62_69_image_key(bits, static_cast<bool>(zero)));
    if (found.empty()) throw Exception("Unknown resolution", 0);
    return found;
}

void RVX62_69::write_back(const Kept& kept) {
    const auto item = [](auto&& write) {
        write();
        FTDI::sleepMs(storeWaitMs);
    };
    item([&] { store(terse_eeprom::modelCode, kept.model_code, 16); });
    item([&] { store(terse_eeprom::kept7A, kept.byte7A, 16); });
    item([&] { set_datecode(kept.datecode); });
    item([&] { store(terse_eeprom::kept7D, kept.byte7D, 16); });
    item([&] { set_last_program_date(std::chrono::system_clock::now()); });
    item([&] { store(terse_eeprom::station, thisStation, 16); });
    item([&] {
        store(terse_eeprom::zeroOffset, static_cast<std::uint8_t>(kept.zero_offset >> 8), 16);
        store(terse_eeprom::zeroOffset + 1, static_cast<std::uint8_t>(kept.zero_offset & 0xFF), 16);
    });
    // The firmware version comes with the image; the encoder's answers, if
    // any, are dropped.
    link.purge(FTDI::PURGE_RX);
}

RVX62::RVX62(std::uint32_t moduleIndex)
    : RVX62_69(moduleIndex, "RVX62", true, rvx62Parts, "Unknown RVX62 encoder detected") {}

RVX69::RVX69(std::uint32_t moduleIndex)
    : RVX62_69(moduleIndex, "RVX69", false, rvx69Parts, "Unknown RVX69 encoder configuration") {}

} // namespace RVX
