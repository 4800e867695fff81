#include "encoders/rvx63/RVX63.h"

#include "encoders/Pictures.h"
#include "encoders/Registry.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <iterator>

namespace RVX {

namespace {

// What the encoder understands, byte for byte.
namespace command {
constexpr std::uint8_t nop = 0x00; // clocks out the encoder's answers
constexpr std::uint8_t readPosition = 0x10;
constexpr std::uint8_t calibrationMode = 0x50;
constexpr std::uint8_t restart = 0x60;
constexpr std::uint8_t setZero = 0x70;
constexpr std::uint8_t writeEeprom = 0x80;
constexpr std::uint8_t readEeprom = 0x90;
constexpr std::uint8_t readOneByte = 0x01;
} // namespace command

constexpr std::uint8_t busyOrReady = 0xA5;
constexpr std::uint8_t zeroDone = 0x80;

namespace eeprom {
constexpr std::uint8_t station = 0x78;
constexpr std::uint8_t modelCode = 0x79;
constexpr std::uint8_t datecodeHigh = 0x7B;
constexpr std::uint8_t datecodeLow = 0x7C;
constexpr std::uint8_t programDateHigh = 0x7E;
constexpr std::uint8_t programDateLow = 0x7F;
constexpr std::uint8_t firmwareVersion = 0x81;
constexpr std::uint8_t resolutionCode = 0xFA;
} // namespace eeprom

// Written as 0xE0 plus the index; only the low four bits count when read.
constexpr std::uint8_t resolutionCodeBase = 0xE0;

struct Model {
    const char* name;
    const char* partNumber;
    std::uint8_t positionBits;
    std::uint8_t latestFirmware;
    // Resolution of each index of the resolution code.
    std::array<std::uint16_t, 16> resolutionByIndex;
    // What the user is offered; the four highest of the index table are left out.
    std::array<std::uint64_t, 12> offeredResolutions;
    std::uint32_t readyPolls;
    std::uint32_t readyPollMs;
    std::uint32_t operationPolls;
    std::uint32_t operationPollMs;
    std::uint32_t restartSettleMs;
};

constexpr Model rvx63 = {
    "RVX63",
    "RVX633",
    12,
    0x15,
    {96, 200, 250, 512, 192, 400, 500, 1024, 384, 800, 1000, 2048, 768, 1600, 2000, 4096},
    {96, 192, 200, 250, 384, 400, 500, 512, 768, 800, 1000, 1024},
    20,
    100,
    20,
    2,
    250,
};

} // namespace

RVX63::RVX63(std::uint32_t channelIndex) : link_(channelIndex) {
    part_number = rvx63.partNumber;
    resolutions = rvx63.offeredResolutions;
    position_bits = rvx63.positionBits;
    picture = model_picture(rvx63.name);
    get_resolution = [this] { return read_resolution(); };
    set_resolution = [this](std::uint16_t resolution, StatusCallback) { write_resolution(resolution); };
    zero = [this] { set_zero(); };
    read_position = [this] { return position(); };
    // A throw from here on destroys link_, which closes the channel.
    wait_until_ready();
    wait_until_ready();
}

const char* RVX63::name() {
    return rvx63.name;
}
const char* RVX63::datasheet_url() {
    return datasheet_of(rvx63.name);
}
std::uint8_t RVX63::latest_firmware_version() {
    return rvx63.latestFirmware;
}

void RVX63::fail(const char* message, std::uint32_t code) {
    throw Exception(fmt::format(fmt::runtime(message), name()), code);
}

void RVX63::connect() {
    transfer(command::restart);
    FTDI::sleepMs(rvx63.restartSettleMs);
    wait_until_ready();
    FTDI::sleepMs(rvx63.restartSettleMs);
    wait_until_ready();
}

void RVX63::wait_until_ready() {
    if (transfer(command::nop) == busyOrReady) return;
    for (std::uint32_t poll = 0; poll < rvx63.readyPolls; ++poll) {
        FTDI::sleepMs(rvx63.readyPollMs);
        if (transfer(command::nop) == busyOrReady) return;
    }
    fail("Timeout waiting for {} to be ready", 0);
}

void RVX63::poll_for(std::uint8_t answer, const char* timeoutMessage) {
    if (transfer(command::nop) == answer) return;
    for (std::uint32_t poll = 0; poll < rvx63.operationPolls; ++poll) {
        FTDI::sleepMs(rvx63.operationPollMs);
        if (transfer(command::nop) == answer) return;
    }
    fail(timeoutMessage, 0);
}

void RVX63::enter_calibration_mode() {
    transfer(command::calibrationMode);
    poll_for(command::calibrationMode, "Timeout waiting for {} calibration mode");
}

void RVX63::write_eeprom(std::uint8_t address, std::uint8_t value) {
    transfer(command::writeEeprom);
    transfer(address);
    transfer(value);
    poll_for(command::writeEeprom, "Timeout waiting for {} EEPROM write");
}

std::uint8_t RVX63::read_eeprom(std::uint8_t address) {
    transfer(command::readEeprom);
    transfer(address);
    transfer(command::readOneByte);
    for (std::uint32_t poll = 0; poll < rvx63.operationPolls; ++poll) {
        const std::uint8_t answer = transfer(command::nop);
        if (answer == command::readEeprom) return transfer(command::nop);
        if (answer != busyOrReady) fail("Unable to read {} EEPROM", answer);
        // No wait after the last busy answer: nothing would follow it.
        if (poll + 1 < rvx63.operationPolls) FTDI::sleepMs(rvx63.operationPollMs);
    }
    fail("Timeout waiting for {} EEPROM read", 0);
}

std::uint16_t RVX63::read_resolution() {
    enter_calibration_mode();
    return rvx63.resolutionByIndex[read_eeprom(eeprom::resolutionCode) & 0x0F];
}

void RVX63::write_resolution(std::uint16_t resolution) {
    enter_calibration_mode();
    const auto& table = rvx63.resolutionByIndex;
    const auto found = std::find(table.begin(), table.end(), resolution);
    if (found == table.end()) fail("Unable to set {} resolution", resolution);
    const auto index = static_cast<std::uint8_t>(std::distance(table.begin(), found));
    write_eeprom(eeprom::resolutionCode, static_cast<std::uint8_t>(resolutionCodeBase + index));
}

void RVX63::set_zero() {
    transfer(command::setZero);
    poll_for(zeroDone, "Timeout waiting for {} zero");
    connect();
}

std::uint16_t RVX63::position() {
    const std::uint8_t first = transfer(command::readPosition);
    if (first != busyOrReady) fail("Invalid response to {} read-position command", first);
    std::uint8_t answer = busyOrReady;
    for (std::uint32_t polls = 0; answer == busyOrReady; ++polls) {
        if (polls == rvx63.operationPolls) fail("Timeout waiting for {} position", 0);
        FTDI::sleepMs(rvx63.operationPollMs);
        answer = transfer(command::nop);
    }
    if (answer != command::readPosition) fail("Encoder did not respond with read-position command", answer);
    const std::uint8_t high = transfer(command::nop);
    const std::uint8_t low = transfer(command::nop);
    return static_cast<std::uint16_t>(high << 8 | low);
}

std::uint16_t RVX63::model_code() {
    return read_eeprom(eeprom::modelCode);
}
std::uint8_t RVX63::firmware_version() {
    return read_eeprom(eeprom::firmwareVersion);
}
std::uint8_t RVX63::last_programmed_by() {
    return read_eeprom(eeprom::station);
}

std::uint16_t RVX63::datecode() {
    // A plain 16-bit number here, not two decimal halves.
    const std::uint16_t high = read_eeprom(eeprom::datecodeHigh);
    return static_cast<std::uint16_t>(high << 8 | read_eeprom(eeprom::datecodeLow));
}

void RVX63::set_datecode(std::uint16_t datecode) {
    write_eeprom(eeprom::datecodeHigh, static_cast<std::uint8_t>(datecode >> 8));
    write_eeprom(eeprom::datecodeLow, static_cast<std::uint8_t>(datecode & 0xFF));
}

TimePoint RVX63::last_program_date() {
    const std::uint16_t high = read_eeprom(eeprom::programDateHigh);
    return unpack_program_date(static_cast<std::uint16_t>(high << 8 | read_eeprom(eeprom::programDateLow)));
}

void RVX63::diagnostics(std::ostream& out, std::function<void()>) {
    write_diagnostics_header(out);
}

} // namespace RVX
