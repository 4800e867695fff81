#include "encoders/rvx46_47/RVX46_47.h"

#include "encoders/AsciiCommands.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Pictures.h"
#include "encoders/Registry.h"
#include "encoders/UartLine.h"

#include <boost/numeric/conversion/cast.hpp>
#include <fmt/format.h>

namespace RVX {

namespace {
// The encoder's answer to "p" while it has no position yet.
constexpr std::uint16_t noPositionYet = 0xFFAF;
constexpr int positionTries = 10;
// RAM of the data acquisition.
constexpr std::uint8_t acquisitionReady = 0xC0;
constexpr int samples = 128;

const char* flag(std::uint8_t bits, int bit) {
    return (bits >> bit) & 1 ? "True" : "False";
}
} // namespace

const std::array<std::uint64_t, 22> RVX46_47::allowed_resolutions = {
    48,  96,  100, 125, 192,  200,  250,  256,  360,  384,  400,
    500, 512, 768, 800, 1000, 1024, 1600, 2000, 2048, 2500, 4096};

RVX46_47::RVX46_47(std::uint32_t moduleIndex, const LineModel& model)
    : link(moduleIndex), dialect(link, [this] { return name(); }), model_(model),
      reflash_(link, [this] { return name(); },
               {[this] { save_identity(); }, [this] { connect(); }, [this] { restore_identity(); }}) {
    set_up_line(link, 115200, true);

    resolutions = allowed_resolutions;
    position_bits = 14;
    get_resolution = [this] { return dialect.read_eeprom_word(line_eeprom::resolution); };
    set_resolution = [this](std::uint16_t resolution, StatusCallback status) {
        program_an1310([&] { return settings_for(resolution); }, status);
        dialect.write_eeprom_word(line_eeprom::resolution, resolution);
    };
    zero = [this] {
        link.write("Q");
        FTDI::sleepMs(250);
        link.write("0");
        FTDI::sleepMs(50);
        connect();
    };
    read_position = [this] { return read_position_value(); };
}

FirmwareImage RVX46_47::firmware_image(std::uint16_t resolution) {
    return image_for(settings_for(resolution));
}

const char* RVX46_47::datasheet_url() {
    return datasheet_of(name());
}

RVX46_47::Settings RVX46_47::present_settings() {
    if (reflash_interrupted()) return flashing_;
    return settings_for(get_resolution());
}

void RVX46_47::program_an1310(const std::function<Settings()>& target, const StatusCallback& status) {
    Settings candidate;
    reflash_.program(
        [&] {
            candidate = target();
            return image_for(candidate);
        },
        status, [&] { flashing_ = candidate; });
}

FirmwareImage RVX46_47::image_for(const Settings& settings) {
    const auto image = firmware::hex(name(), resolution_key(settings.resolution));
    if (image.empty()) throw Exception(fmt::format("Invalid {} resolution", name()), settings.resolution);
    return image;
}

void RVX46_47::identify() {
    connect();
    const auto code = model_code();
    for (const auto& part : model_.parts) {
        if (part.model_code != code) continue;
        part_number = part.part_number;
        picture = model_picture(part.picture);
        update_firmware = [this](StatusCallback status) {
            program_an1310([this] { return present_settings(); }, status);
        };
        return;
    }
    throw Exception(fmt::format("Encoder does not appear to be an {}", name()), code);
}

void RVX46_47::connect() {
    reset_pulse(link);
    link.write("q");
    const auto reply = link.read(4);
    if (!ascii::holds(reply, 0, "q\r\n$"))
        throw Exception(
            fmt::format("Unable to connect to {} encoder. Failed to initialization calibration", name()),
            ascii::first_bytes_code(reply));
}

std::uint8_t RVX46_47::firmware_version() {
    return dialect.read_eeprom_hex(line_eeprom::firmwareVersion);
}

std::uint16_t RVX46_47::model_code() {
    return dialect.read_eeprom_hex(line_eeprom::modelCode);
}

std::uint8_t RVX46_47::last_programmed_by() {
    return dialect.read_eeprom_hex(line_eeprom::station);
}

std::uint16_t RVX46_47::datecode() {
    const std::uint16_t hundreds = dialect.read_eeprom_dec(line_eeprom::datecodeHundreds);
    return static_cast<std::uint16_t>(hundreds * 100 + dialect.read_eeprom_dec(line_eeprom::datecodeUnits));
}

void RVX46_47::set_datecode(std::uint16_t datecode) {
    dialect.write_eeprom_dec(line_eeprom::datecodeHundreds, static_cast<std::uint8_t>(datecode / 100));
    dialect.write_eeprom_dec(line_eeprom::datecodeUnits, static_cast<std::uint8_t>(datecode % 100));
}

TimePoint RVX46_47::last_program_date() {
    return unpack_program_date(dialect.read_eeprom_word(line_eeprom::programDate));
}

void RVX46_47::set_last_program_date(TimePoint date) {
    const std::chrono::year_month_day day{std::chrono::floor<std::chrono::days>(date)};
    const int year = static_cast<int>(day.year());
    if (year < 2000) throw Exception("Invalid year", 0);
    // Years from 2128 on do not fit the 7-bit field: the word overflows.
    const long word = (static_cast<long>(year - 2000) << 9) | (static_cast<unsigned>(day.month()) << 5) |
                      static_cast<unsigned>(day.day());
    dialect.write_eeprom_word(line_eeprom::programDate, boost::numeric_cast<std::uint16_t>(word));
}

void RVX46_47::prepare_position() {
    link.write("r");
    const auto reply = link.read(8);
    // Bytes 1 to 4 are not looked at.
    if (reply.size() < 8 || reply[0] != 'r' || !ascii::holds(reply, 5, ascii::trailer))
        throw Exception(fmt::format("Invalid {} response to read-position command", name()), 0);
}

std::uint16_t RVX46_47::read_position_value() {
    prepare_position();
    for (int attempt = 0; attempt < positionTries; ++attempt) {
        link.write("p");
        const auto reply = link.read(8);
        if (reply.size() < 8 || reply[0] != 'p' || !ascii::holds(reply, 5, ascii::trailer))
            throw Exception(fmt::format("Invalid {} position response", name()),
                            ascii::first_bytes_code(reply));
        const auto value = ascii::parse_word(reply, 1, 16);
        if (value != noPositionYet) return value;
    }
    throw Exception(fmt::format("Did not receive position response from {}", name()), 0);
}

void RVX46_47::diagnostics(std::ostream& out, std::function<void()> step) {
    const auto errors = dialect.read_eeprom_hex(line_eeprom::errorFlags);
    const auto checks = dialect.read_eeprom_hex(line_eeprom::checkEnables);
    const auto blocks = dialect.read_eeprom_hex(line_eeprom::blockFlags);
    write_diagnostics_header(out);
    out << "Resolution: " << dialect.read_eeprom_word(line_eeprom::resolution) << "\n";
    step();
    if (get_poles && get_direction) {
        out << "Pole count: " << unsigned{get_poles()} << "\n";
        out << "Direction: " << (get_direction() ? 0 : 1) << "\n";
    }
    step();
    const struct {
        const char* label;
        std::uint8_t bits;
        int bit;
    } lines[] = {
        {"High speed check enabled: ", checks, 2},
        {"Low speed check enabled: ", checks, 1},
        {"Residual check enabled: ", checks, 0},
        {"Startup delay enabled: ", checks, 3},
        {"SPI check enabled: ", checks, 4},
        {"High speed error: ", errors, 5},
        {"Low speed error: ", errors, 7},
        {"SPI error: ", errors, 4},
        {"Residual error: ", errors, 6},
        {"Block for high speed error: ", blocks, 5},
        {"Block for low speed error: ", blocks, 7},
        {"Block for residual error: ", blocks, 6},
        {"Block for SPI error: ", blocks, 4},
    };
    for (const auto& line : lines)
        out << line.label << flag(line.bits, line.bit) << "\n";
    out << "Coarse,Fine\n";

    link.write("d");
    if (!ascii::holds(link.read(4), 0, "d\r\n$"))
        throw Exception(fmt::format("Unable to do data acquisition on {}", name()), 0);
    prepare_position();
    const auto ready = dialect.read_ram(0x00, 0x1D);
    if (ready != acquisitionReady) throw Exception(fmt::format("Unable to get AO from {}", name()), ready);

    struct Channel {
        std::uint32_t sum = 0;
        std::uint16_t min = 65535;
        std::uint16_t max = 0;
        void add(std::uint16_t v) {
            sum += v;
            min = std::min(min, v);
            max = std::max(max, v);
        }
    } coarse, fine;
    for (int i = 0; i < samples; ++i) {
        const auto address = static_cast<std::uint8_t>(2 * i);
        const auto c = dialect.read_ram_word(0x03, address);
        const auto f = dialect.read_ram_word(0x04, address);
        out << c << "," << f << "\n";
        coarse.add(c);
        fine.add(f);
        step();
    }
    out << "Coarse amplitude: " << coarse.max - coarse.min << " mV\n";
    out << "Coarse DC offset: " << (coarse.sum >> 7) << " mV\n";
    out << "Fine amplitude: " << fine.max - fine.min << " mV\n";
    out << "Fine DC offset: " << (fine.sum >> 7) << " mV\n";
}

// --- RVX46 and RVX47 ----------------------------------------------------------

RVX46::RVX46(std::uint32_t moduleIndex) : RVX46_47(moduleIndex, rvx46Model) {
    identify();
}

RVX47::RVX47(std::uint32_t moduleIndex) : RVX46_47(moduleIndex, rvx47Model) {
    identify();
}

} // namespace RVX
