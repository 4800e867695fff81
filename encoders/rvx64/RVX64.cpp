#include "encoders/rvx64/RVX64.h"

#include "encoders/AsciiCommands.h"
#include "encoders/Pictures.h"
#include "encoders/Registry.h"
#include "encoders/UartLine.h"
#include "encoders/rvx64/Base64.h"
#include "encoders/rvx64/Variants.h"

#include <fmt/format.h>

#include <array>
#include <exception>

namespace RVX {

namespace {
constexpr std::uint32_t lineBaud = 2000000;
constexpr std::uint8_t modelId = 0x35;
constexpr std::uint8_t defaultModel = 0xB3;
constexpr std::uint8_t terminationBit = 0x20;
// The program-memory block that holds the node address, and the cell of the
// bootloader's block buffer the address lands in.
constexpr std::uint16_t addressBlock = 0x0E00;
constexpr std::uint8_t addressCell = 0x21;
constexpr std::string_view acknowledged = "*\n";

bool acknowledges(const ascii::Reply& reply) {
    return reply.size() == acknowledged.size() && ascii::holds(reply, 0, acknowledged);
}

// Switchable termination came with firmware 7 on parts made from week 33 of
// 2025 (the date code is week and year, WWYY).
bool offers_termination(std::uint8_t firmware, std::uint16_t datecode) {
    const auto year = datecode % 100;
    return (firmware & 0x0F) >= 7 && (year >= 26 || (year == 25 && datecode >= 3300));
}
} // namespace

RVX64::RVX64(std::uint32_t moduleIndex)
    : RecordEncoder(defaultModel), link(moduleIndex),
      reflash_(link, "RVX64",
               {[this] { save_settings(); }, {}, {}, [this] { connect(); }, [this] { restore_settings(); }}) {
    picture = model_picture("RVX64");
    read_position = [this] { return position(); };
    get_address = [this] { return read_address(); };
    set_address = [this](std::uint8_t address) {
        if (address % 4 != 0) throw Exception("Unable to set RVX64 RS-485 address. Invalid address", address);
        write_address(address);
    };
    update_firmware = [this](StatusCallback status) { reflash_.program(image_, status); };

    set_up_line(link, lineBaud, false);
    connect();

    const auto id = identification();
    if (id >> 8 != modelId) throw Exception("Invalid RVX64 model ID", 0);
    const auto code = rvx64::variant_code(id);
    const auto& variant = rvx64::variants[code];
    part_number = variant.part_number;
    position_bits = variant.position_bits;
    if (variant.zero) zero = [this] { link.write("0\n"); };
    image_ = firmware::binary(name(), code);

    // A corrupt record must not keep the encoder from being connected: the
    // window then offers to write the defaults. It offers no termination.
    std::optional<std::uint16_t> datecode;
    try {
        datecode = read_record().datecode();
    } catch (const EEPROMInvalid&) {
    }
    const auto firmware = static_cast<std::uint8_t>(identification());
    if (datecode && offers_termination(firmware, *datecode)) {
        get_termination = [this] { return termination(); };
        set_termination = [this](bool on) { write_termination(on); };
    }
}

const char* RVX64::datasheet_url() {
    return datasheet_of(name());
}

void RVX64::connect() {
    reset_pulse(link);
}

std::uint16_t RVX64::identification() {
    const auto reply = ascii::exchange(link, "i\n", 5);
    if (!ascii::line_ended(reply, 5)) throw Exception("Unable to read RVX64 ID", 0);
    return ascii::parse_word(reply, 0, 16);
}

std::uint8_t RVX64::firmware_version() {
    return static_cast<std::uint8_t>(identification() & 0x0F);
}

std::uint16_t RVX64::model_code() {
    const auto id = identification();
    return static_cast<std::uint16_t>((id & 0xFF00) |
                                      rvx64::variants[rvx64::variant_code(id)].model_code_low);
}

void RVX64::unlock() {
    if (!acknowledges(ascii::exchange(link, "XQW\n", 2))) throw Exception("Unable to unlock RVX64", 0);
}

ConfigRecord RVX64::read_record() {
    unlock();
    link.purge(FTDI::PURGE_RX);
    const auto reply = ascii::exchange(link, "c\n", 11);
    if (reply.size() < 11) throw Exception("Unable to read RVX64 EEPROM", 0);
    const auto bytes = rvx64::decode_base64(std::string_view(reinterpret_cast<const char*>(&reply[1]), 8));
    if (!bytes || bytes->size() != 6) throw EEPROMInvalid("RVX64 EEPROM corrupt", 0);
    const auto& b = *bytes;
    return {b[0], b[1], b[2], b[3], static_cast<std::uint16_t>(b[4] | b[5] << 8)};
}

void RVX64::write_record(const ConfigRecord& record) {
    unlock();
    const std::array<std::uint8_t, 6> bytes = {record.model,
                                               record.datecode_high,
                                               record.datecode_low,
                                               record.station,
                                               static_cast<std::uint8_t>(record.days),
                                               static_cast<std::uint8_t>(record.days >> 8)};
    const auto reply = ascii::exchange(link, "C" + rvx64::encode_base64(bytes) + "\n", 2);
    if (!acknowledges(reply)) throw Exception("Unable to write RVX64 EEPROM", 0);
}

std::uint16_t RVX64::position() {
    const auto reply = ascii::exchange(link, "p\n", 5);
    if (!ascii::line_ended(reply, 5))
        throw Exception("Invalid RVX64 position response", ascii::first_bytes_code(reply));
    const auto value = ascii::parse_word(reply, 0, 16);
    return *position_bits == 12 ? static_cast<std::uint16_t>(value >> 2) : value;
}

bool RVX64::termination() {
    const auto reply = ascii::exchange(link, "o\n", 3);
    if (!ascii::line_ended(reply, 3))
        throw Exception("Invalid RVX64 response when reading options", ascii::first_bytes_code(reply));
    return (ascii::parse_byte(reply, 0, 16) & terminationBit) != 0;
}

void RVX64::write_termination(bool on) {
    link.write(on ? "S1\n" : "S0\n");
    FTDI::sleepMs(100);
}

void RVX64::write_address(std::uint8_t address) {
    link.write(fmt::format("A{:02X}\n", address));
    FTDI::sleepMs(100);
}

std::uint8_t RVX64::read_address() {
    std::uint8_t address = 0;
    try {
        address = address_from_bootloader();
    } catch (...) {
        // The first failure is the one to report; a second one while
        // restarting the encoder would only hide it.
        try {
            link.setBreak(false); // a break still held would keep it in its bootloader
            connect();
        } catch (...) {
        }
        throw;
    }
    connect();
    return address;
}

std::uint8_t RVX64::address_from_bootloader() {
    bool breakHeld = false; // read_address ends a break in any case
    hexldr::enterBootloader(link, breakHeld);

    auto reply = ascii::exchange(link, "KVB\n", 2);
    if (!acknowledges(reply)) throw Exception("Unlock failed", static_cast<std::uint32_t>(reply.size()));
    reply = ascii::exchange(link, fmt::format("R{:04X}\n", addressBlock), 2);
    if (!acknowledges(reply)) throw Exception("Set block failed", static_cast<std::uint32_t>(reply.size()));
    reply = ascii::exchange(link, fmt::format("j01{:02X}01\n", addressCell), 4);
    if (reply.size() != 4 || reply[2] != ' ' || reply[3] != '\n')
        throw Exception("Read RS485 address failed", static_cast<std::uint32_t>(reply.size()));
    return ascii::parse_byte(reply, 0, 16);
}

void RVX64::save_settings() {
    keep_record();
    kept_address_ = read_address();
}

void RVX64::restore_settings() {
    // The fresh image brings its own default address. The encoder's own is
    // written back as it was read, whatever the choices the window offers;
    // both it and the record are attempted, so that one failing does not
    // leave the other unwritten, and the first failure is reported.
    std::exception_ptr first;
    try {
        write_address(kept_address_);
    } catch (...) {
        first = std::current_exception();
    }
    try {
        write_kept_record();
    } catch (...) {
        if (!first) first = std::current_exception();
    }
    if (first) std::rethrow_exception(first);
}

void RVX64::diagnostics(std::ostream& out, std::function<void()>) {
    write_diagnostics_header(out);
    out << fmt::format("Resolution: {:d}\n", *position_bits);
}

} // namespace RVX
