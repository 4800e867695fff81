#include "encoders/rvx48/RVX48.h"

#include "encoders/AsciiCommands.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Registry.h"
#include "encoders/UartLine.h"
#include "encoders/rvx48/ResolutionCodes.h"

#include <fmt/format.h>

namespace RVX {

namespace {
constexpr std::uint32_t applicationBaud = 115200, bootloaderBaud = 2000000;
constexpr std::uint32_t readTimeoutMs = 300;
// The longest reply worth reading; more from one drain is a device gone wrong.
constexpr std::size_t maxReply = 256;
constexpr std::uint8_t defaultModel = 0xA5;
constexpr std::uint8_t firstResolutionCode = 0xF0;
// Firmware from this version on reports its resolution.
constexpr std::uint8_t reportsResolution = 4;
} // namespace

RVX48::RVX48(std::uint32_t moduleIndex)
    : RecordEncoder(defaultModel), link(moduleIndex),
      reflash_(link, "RVX48",
               {[this] { keep_record(); }, [this] { set_line(false); }, [this] { set_line(true); },
                [this] { connect(); }, [this] { write_kept_record(); }}) {
    set_up_line(link, applicationBaud, true);
    connect();
    identify();

    part_number = "RVX48";
    resolutions = rvx48::offeredResolutions;
    get_resolution = [this] { return read_resolution(); };
    set_resolution = [this](std::uint16_t resolution, StatusCallback) { write_resolution(resolution); };
    update_firmware = [this](StatusCallback status) { update(status); };
}

const char* RVX48::datasheet_url() {
    return datasheet_of(name());
}

void RVX48::connect() {
    reset_pulse(link, 50);
}

void RVX48::drain() {
    const auto deadline = FTDI::now() + std::chrono::milliseconds(readTimeoutMs);
    for (std::size_t bytes = 0; bytes < maxReply && FTDI::now() <= deadline; ++bytes)
        if (link.read(1).empty()) return;
}

std::vector<std::uint8_t> RVX48::identify() {
    drain();
    const auto reply = ascii::exchange(link, "i\n", 5);
    if (!ascii::line_ended(reply, 5)) throw Exception("Unable to read RVX48 device ID", 0);
    ascii::parse_byte(reply, 0, 16); // the device, not used further
    ascii::parse_byte(reply, 2, 16);
    return reply;
}

std::uint8_t RVX48::firmware_version() {
    return ascii::parse_byte(identify(), 2, 16);
}

ConfigRecord RVX48::read_record() {
    drain();
    const auto reply = ascii::exchange(link, "CR\n", 13);
    if (reply.size() < 13)
        throw EEPROMInvalid("Unable to read RVX48 EEPROM", static_cast<std::uint32_t>(reply.size()));
    ConfigRecord record;
    record.model = ascii::parse_byte(reply, 0, 16);
    record.datecode_high = ascii::parse_byte(reply, 2, 16);
    record.datecode_low = ascii::parse_byte(reply, 4, 16);
    record.station = ascii::parse_byte(reply, 6, 16);
    record.days = ascii::parse_word(reply, 8, 16);
    return record;
}

void RVX48::write_record(const ConfigRecord& record) {
    link.write(fmt::format("CW{:02X}{:02X}{:02X}{:02X}{:04X}\n", record.model, record.datecode_high,
                           record.datecode_low, record.station, record.days));
    FTDI::sleepMs(50);
    link.purge(FTDI::PURGE_RX);
}

std::uint16_t RVX48::read_resolution() {
    if (firmware_version() < reportsResolution) return 0;
    link.purge(FTDI::PURGE_RX);
    const auto reply = ascii::exchange(link, "r\n", 3);
    if (!ascii::line_ended(reply, 3))
        throw Exception("Unable to read RVX48 resolution, invalid response",
                        static_cast<std::uint32_t>(reply.size()));
    const auto code = ascii::parse_byte(reply, 0, 16);
    if (code < firstResolutionCode) throw Exception("Unknown RVX48 resolution", code);
    return rvx48::resolutionOfCode[code - firstResolutionCode];
}

void RVX48::write_resolution(std::uint16_t resolution) {
    const auto code = rvx48::codeOfResolution(resolution);
    if (!code) throw Exception("Invalid RVX48 resolution", resolution);
    link.write(fmt::format("RF{:X}\n", *code));
    FTDI::sleepMs(50);
    connect();
}

void RVX48::set_line(bool application) {
    link.setDtr(application);
    link.setBaudRate(application ? applicationBaud : bootloaderBaud);
}

void RVX48::update(const StatusCallback& status) {
    reflash_.program(firmware::binary(name(), 0), status);
}

void RVX48::diagnostics(std::ostream& out, std::function<void()>) {
    write_diagnostics_header(out);
    out << "Resolution: " << read_resolution() << "\n";
}

} // namespace RVX
