#include "Rvx46Line.h"

#include "Rvx46Firmware.h"
#include "sim/Recent.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <numbers>
#include <stdexcept>

namespace sim {

namespace {
using namespace std::chrono_literals;

// EEPROM map of the firmware.
enum : std::uint8_t {
    STATION = 0x78,
    MODEL_CODE = 0x79,
    KEPT_7A = 0x7A,
    DATECODE = 0x7B, // two bytes of two BCD-like digits each
    KEPT_7D = 0x7D,
    PROGRAM_DATE = 0x7E,
    FIRMWARE_VERSION = 0x81,
    RESOLUTION = 0x82,
    POLES = 0x84,
    DIRECTION = 0x85,
    ZERO_OFFSET = 0x86, // the firmware's own: where "Q" "0" keeps the zero
    ERROR_FLAGS = 0x8B,
    BLOCK_FLAGS = 0x8C,
    CHECK_ENABLES = 0xF1,
};
constexpr const char* trailer = "\r\n$";
constexpr std::uint16_t noPosition = 0xFFAF;
// The firmware's own times to answer.
constexpr auto commandTime = 200us;
constexpr auto eepromWriteTime = 4ms;
constexpr auto acquisitionTime = 15ms;

} // namespace

const Rvx46LineModel Rvx46Line::rvx46{
    "RVX46", {{"RVX462Q", 0xE2}, {"RVX462S", 0xE0}, {"RVX463S", 0xE1}, {"RVX463Q", 0xE3}}, 0x15, false};
const Rvx46LineModel Rvx46Line::rvx47{
    "RVX47", {{"RVX472Q", 0xA2}, {"RVX472S", 0xA0}, {"RVX473S", 0xA1}, {"RVX473Q", 0xA3}}, 0x19, false};
const Rvx46LineModel Rvx46Line::rvx84{"RVX84",
                                      {{"RVX842S", 0xE4},
                                       {"RVX843S", 0xE5},
                                       {"RVX842Q", 0xE6},
                                       {"RVX843Q", 0xE7},
                                       {"RVX842C", 0xE8},
                                       {"RVX842D", 0xE9}},
                                      0x15,
                                      true};
const Rvx46LineModel Rvx46Line::rvx86{
    "RVX86", {{"RVX862S", 0xA4}, {"RVX863S", 0xA5}, {"RVX862D", 0xA6}, {"RVX863D", 0xA7}}, 0x19, true};

namespace {
std::uint8_t modelCodeOf(const Rvx46LineModel& model, const ModelOptions& options) {
    std::uint8_t code = model.parts.front().modelCode;
    if (options.has("part")) {
        const auto part = options.get("part");
        const auto it = std::find_if(model.parts.begin(), model.parts.end(),
                                     [&](const Rvx46LinePart& p) { return part == p.partNumber; });
        if (it == model.parts.end())
            throw std::invalid_argument("option part: " + part + " is not a part of the " + model.name);
        code = it->modelCode;
    }
    return static_cast<std::uint8_t>(options.number("code", code));
}
} // namespace

Rvx46Line::Rvx46Line(const Rvx46LineModel& model, const ModelOptions& options)
    : BootloadedApplication(rvx46LinePart(), {}, options), model_(model) {
    RunningFirmware factory;
    factory.model = model.name;
    factory.version = static_cast<std::uint8_t>(options.number("fw", model.latestFirmware));
    factory.resolution = static_cast<std::uint16_t>(options.number("res", 1024));
    factory.poles = static_cast<std::uint8_t>(model.commutation ? options.number("poles", 8) : 0);
    factory.counterClockwise = model.commutation && options.number("ccw", 0) != 0;
    installFirmware(chip_, bootloader_.bootloaderStart(), factory);

    // What the factory station writes after flashing.
    const auto datecode = options.number("datecode", 2024);
    chip_.setEeprom(STATION, static_cast<std::uint8_t>(options.number("station", 0x10)));
    chip_.setEeprom(MODEL_CODE, modelCodeOf(model, options));
    chip_.setEeprom(KEPT_7A, 0x5A);
    chip_.setEeprom(DATECODE, bcd(static_cast<unsigned>(datecode / 100 % 100)));
    chip_.setEeprom(DATECODE + 1, bcd(static_cast<unsigned>(datecode % 100)));
    chip_.setEeprom(KEPT_7D, 0xA5);
    const unsigned packed = (24u << 9) | (3u << 5) | 15u; // 2024-03-15
    chip_.setEeprom(PROGRAM_DATE, static_cast<std::uint8_t>(packed >> 8));
    chip_.setEeprom(PROGRAM_DATE + 1, static_cast<std::uint8_t>(packed));
    chip_.setEeprom(FIRMWARE_VERSION, factory.version);
    chip_.setEeprom(RESOLUTION, static_cast<std::uint8_t>(factory.resolution >> 8));
    chip_.setEeprom(RESOLUTION + 1, static_cast<std::uint8_t>(factory.resolution));
    chip_.setEeprom(POLES, factory.poles);
    chip_.setEeprom(DIRECTION, factory.counterClockwise ? 1 : 0);
    chip_.setEeprom(ZERO_OFFSET, 0);
    chip_.setEeprom(ZERO_OFFSET + 1, 0);
    chip_.setEeprom(ERROR_FLAGS, static_cast<std::uint8_t>(options.number("errors", 0x00)));
    chip_.setEeprom(BLOCK_FLAGS, static_cast<std::uint8_t>(options.number("blocks", 0x00)));
    chip_.setEeprom(CHECK_ENABLES, static_cast<std::uint8_t>(options.number("checks", 0x1F)));
    noPositionPolls_ = static_cast<int>(options.number("nopos", 3));
    rpm_ = options.rpm(30);
    shaft_ = static_cast<std::uint16_t>(options.number("shaft", 0) % countsPerTurn);
    sineOffsetMv_ = static_cast<int>(options.number("offset", 0));

    bootloader_.powerOn();
    firmware_ = readFirmware(chip_);
    pollsSinceReset_ = noPositionPolls_; // powered long ago: the position is there
}

void Rvx46Line::opened(Port&) {
    input_.clear();
}

bool Rvx46Line::applicationRunning() const {
    return bootloader_.mode() == An1310Bootloader::Mode::Application && firmware_ &&
           firmware_->model == model_.name;
}

void Rvx46Line::applicationStarted() {
    firmware_ = readFirmware(chip_);
    zeroArmed_ = false;
    pollsSinceReset_ = 0;
    ram_[0][0x1D] = 0;
}

void Rvx46Line::handle(Port& port) {
    while (!input_.empty()) {
        const char c = input_[0];
        std::size_t length = 1;
        switch (c) {
        case 'e':
        case 'u':
            length = 5;
            break;
        case 'j':
            length = 7;
            break;
        default:
            break;
        }
        if (input_.size() < length) return;
        const std::string command = input_.substr(0, length);
        input_.erase(0, length);
        keepRecent(commands_, command);
        const auto now = port.now();
        switch (c) {
        case 'q':
            answer(port, command, fmt::format("q{}", trailer), commandTime);
            break;
        case 'r':
            latched_ = positionAt(now);
            answer(port, command, fmt::format("r{:04X}{}", latched_, trailer), commandTime);
            break;
        case 'p': {
            const bool ready = pollsSinceReset_ >= noPositionPolls_;
            ++pollsSinceReset_;
            answer(port, command, fmt::format("p{:04X}{}", ready ? positionAt(now) : noPosition, trailer),
                   commandTime);
            break;
        }
        case 'd':
            acquire(now);
            answer(port, command, fmt::format("d{}", trailer), acquisitionTime);
            break;
        case 'Q':
            zeroArmed_ = true;
            break;
        case '0':
            if (zeroArmed_) {
                const auto offset = shaftAt(now);
                chip_.setEeprom(ZERO_OFFSET, static_cast<std::uint8_t>(offset >> 8));
                chip_.setEeprom(ZERO_OFFSET + 1, static_cast<std::uint8_t>(offset));
            }
            zeroArmed_ = false;
            break;
        case 'e': {
            const int address = hexByte(command, 1), count = hexByte(command, 3);
            if (address < 0 || (count != 1 && count != 2)) break;
            std::string values = fmt::format("{:02X}", chip_.eeprom(static_cast<std::uint32_t>(address)));
            if (count == 2)
                values +=
                    fmt::format(" {:02X}", chip_.eeprom(static_cast<std::uint32_t>(address + 1) & 0xFF));
            answer(port, command, command + "= " + values + trailer, commandTime);
            break;
        }
        case 'u': {
            // Digits are stored as they come: "u7B20" keeps 0x20, read back as "20".
            const int address = hexByte(command, 1), value = hexByte(command, 3);
            if (address < 0 || value < 0) break;
            chip_.setEeprom(static_cast<std::uint32_t>(address), static_cast<std::uint8_t>(value));
            answer(port, command, command + trailer, eepromWriteTime);
            break;
        }
        case 'j': {
            const int bank = hexByte(command, 1), address = hexByte(command, 3), count = hexByte(command, 5);
            if (bank < 0 || bank >= static_cast<int>(ram_.size()) || address < 0 ||
                (count != 1 && count != 2))
                break;
            const auto& ram = ram_[static_cast<std::size_t>(bank)];
            std::string values = fmt::format("{:02X}", ram[static_cast<std::size_t>(address)]);
            if (count == 2)
                values += fmt::format(" {:02X}", ram[static_cast<std::size_t>(address + 1) & 0xFF]);
            answer(port, command, command + "= " + values + trailer, commandTime);
            break;
        }
        default:
            commands_.pop_back();
            break; // noise on the line
        }
    }
}

std::uint16_t Rvx46Line::shaftAt(Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now.time_since_epoch()).count();
    const double turns = seconds * rpm_ / 60.0;
    const auto counts = static_cast<long long>(std::floor((turns - std::floor(turns)) * countsPerTurn));
    return static_cast<std::uint16_t>((counts + shaft_) % countsPerTurn);
}

std::uint16_t Rvx46Line::positionAt(Clock::time_point now) const {
    const unsigned offset = chip_.eeprom(ZERO_OFFSET) << 8 | chip_.eeprom(ZERO_OFFSET + 1);
    return static_cast<std::uint16_t>((shaftAt(now) + countsPerTurn - offset % countsPerTurn) %
                                      countsPerTurn);
}

void Rvx46Line::acquire(Clock::time_point now) {
    // The sensor's sine (coarse channel) and cosine (fine channel), sampled
    // over one signal period from the shaft's angle. Both ride on a 2.5 V bias,
    // the sine shifted by the offset fault, with a little deterministic noise
    // so the rows differ like a real capture.
    const double angle = 2 * std::numbers::pi * shaftAt(now) / countsPerTurn;
    ++acquisitions_;
    for (std::size_t i = 0; i < 128; ++i) {
        const double step = 2 * std::numbers::pi * static_cast<double>(i) / 128;
        const double noise = std::sin(static_cast<double>(i * 7919 + acquisitions_ * 104729)) * 6;
        const auto coarse = static_cast<std::uint16_t>(
            std::lround(2500 + sineOffsetMv_ + 1100 * std::sin(angle + step) + noise));
        const auto fine =
            static_cast<std::uint16_t>(std::lround(2480 + 1050 * std::cos(angle + step) - noise));
        ram_[3][2 * i] = static_cast<std::uint8_t>(coarse >> 8);
        ram_[3][2 * i + 1] = static_cast<std::uint8_t>(coarse);
        ram_[4][2 * i] = static_cast<std::uint8_t>(fine >> 8);
        ram_[4][2 * i + 1] = static_cast<std::uint8_t>(fine);
    }
    ram_[0][0x1D] = 0xC0;
}

} // namespace sim
