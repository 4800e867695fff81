#include "TerseEncoder.h"

#include "sim/Recent.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

namespace sim {

namespace {
using namespace std::chrono_literals;

// EEPROM map of the firmware.
enum : std::uint8_t {
    STATION = 0x78,
    MODEL_CODE = 0x79,
    KEPT_7A = 0x7A,
    DATECODE_UNITS = 0x7B, // two digits stored as they come: "u7B25" keeps 0x25
    DATECODE_HUNDREDS = 0x7C,
    KEPT_7D = 0x7D,
    PROGRAM_DATE = 0x7E,
    FIRMWARE_VERSION = 0x81,
    BAUD_INDEX = 0x83,
    NODE_ADDRESS = 0xC0,
    ZERO_OFFSET = 0xF8,
};
// The firmware's own times to answer.
constexpr auto commandTime = 200us;

PicPart chipOf(const TerseModel& model) {
    const PicPart* part = findPicPart(model.chip);
    if (!part) throw std::logic_error(std::string("the bench lacks the ") + model.chip);
    return *part;
}

// Mid-range bootloaders report the device ID in their information block.
BootloaderOptions bootloaderFor(const PicPart& chip) {
    BootloaderOptions options;
    options.sendDeviceId = chip.family == PicFamily::PIC16;
    return options;
}

const TersePart& partOf(const TerseModel& model, const ModelOptions& options) {
    if (!options.has("part")) return model.parts.front();
    const auto name = options.get("part");
    const auto it = std::find_if(model.parts.begin(), model.parts.end(),
                                 [&](const TersePart& p) { return name == p.partNumber; });
    if (it == model.parts.end())
        throw std::invalid_argument("option part: " + name + " is not a part of the " + model.name);
    return *it;
}

// The two check bits of a 14-bit position: 11 XOR its seven bit pairs.
unsigned checkBits(unsigned position) {
    unsigned check = 3;
    for (int pair = 0; pair < 7; ++pair)
        check ^= (position >> (2 * pair)) & 3;
    return check;
}
} // namespace

const std::vector<std::uint32_t> TerseEncoder::baudRates = {2000000, 115200, 38400, 19200, 9600};

TerseEncoder::TerseEncoder(const TerseModel& model, const ModelOptions& options)
    : BootloadedApplication(chipOf(model), bootloaderFor(chipOf(model)), options), model_(model) {
    const TersePart& part = partOf(model, options);
    TerseFirmware factory{model.images, static_cast<std::uint8_t>(options.number("fw", part.version)),
                          part.bits,    part.multiTurn,
                          part.zero,    part.baud};
    installTerseFirmware(chip_, bootloader_.bootloaderStart(), factory);

    // What the factory station writes after flashing, unless the EEPROM was never written.
    if (options.number("blank", 0) == 0) {
        const auto datecode = static_cast<unsigned>(options.number("datecode", 2024));
        chip_.setEeprom(STATION, static_cast<std::uint8_t>(options.number("station", 0x10)));
        chip_.setEeprom(MODEL_CODE, static_cast<std::uint8_t>(options.number("code", part.modelCode)));
        chip_.setEeprom(KEPT_7A, 0x5A);
        chip_.setEeprom(DATECODE_UNITS, bcd(datecode % 100));
        chip_.setEeprom(DATECODE_HUNDREDS, bcd(datecode / 100 % 100));
        chip_.setEeprom(KEPT_7D, 0xA5);
        const unsigned packed = (24u << 9) | (3u << 5) | 15u; // 2024-03-15
        chip_.setEeprom(PROGRAM_DATE, static_cast<std::uint8_t>(packed >> 8));
        chip_.setEeprom(PROGRAM_DATE + 1, static_cast<std::uint8_t>(packed));
        chip_.setEeprom(FIRMWARE_VERSION, factory.version);
        const auto rate = std::find(baudRates.begin(), baudRates.end(), part.baud);
        const auto index = rate == baudRates.end() ? 0xFF : rate - baudRates.begin();
        chip_.setEeprom(BAUD_INDEX, static_cast<std::uint8_t>(options.number("baudindex", index)));
        chip_.setEeprom(NODE_ADDRESS,
                        static_cast<std::uint8_t>(options.number("address", part.baud ? 0x10 : 0)));
        const auto zero = static_cast<unsigned>(options.number("zero", 0));
        chip_.setEeprom(ZERO_OFFSET, static_cast<std::uint8_t>(zero >> 8));
        chip_.setEeprom(ZERO_OFFSET + 1, static_cast<std::uint8_t>(zero));
    }
    rpm_ = options.rpm(30);
    shaft_ = static_cast<std::uint16_t>(options.number("shaft", 0) % countsPerTurn);
    turns_ = options.number("turns", 0);
    ack_ = static_cast<std::uint8_t>(options.number("ack", '\n'));
    badCheck_ = options.number("badcheck", 0) != 0;
    storeTime_ = std::chrono::microseconds(options.number("eewrite", chip_.part().eepromByteMicros));

    bootloader_.powerOn();
    firmware_ = readTerseFirmware(chip_);
}

void TerseEncoder::opened(Port& port) {
    input_.clear();
    // The shaft's turns count from the first time the module is opened.
    if (!epoch_) epoch_ = port.now();
}

bool TerseEncoder::applicationRunning() const {
    return bootloader_.mode() == An1310Bootloader::Mode::Application && firmware_ &&
           firmware_->model == model_.images;
}

std::uint32_t TerseEncoder::rs485Baud() const {
    if (!firmware_) return 0;
    if (firmware_->baud != 0) return firmware_->baud;
    const auto index = chip_.eeprom(BAUD_INDEX);
    return index < baudRates.size() ? baudRates[index] : 0;
}

void TerseEncoder::applicationStarted() {
    firmware_ = readTerseFirmware(chip_);
}

void TerseEncoder::answer(Port& port, const std::string& command, const std::string& reply,
                          Clock::time_point at) {
    BootloadedApplication::answer(port, command, reply,
                                  std::chrono::duration_cast<std::chrono::microseconds>(at - port.now()));
}

Clock::time_point TerseEncoder::idleAt(Clock::time_point now) const {
    return storing_.empty() ? now : std::max(now, storing_.back());
}

std::optional<Clock::time_point> TerseEncoder::store(std::uint8_t address, std::uint8_t value,
                                                     Clock::time_point now) {
    while (!storing_.empty() && storing_.front() <= now)
        storing_.pop_front();
    // One byte is being stored and one waits: the receive buffer has no room.
    if (storing_.size() >= 2) {
        ++lostWrites_;
        return std::nullopt;
    }
    const auto start = storing_.empty() ? now : storing_.back();
    const auto done = start + storeTime_;
    storing_.push_back(done);
    const std::uint8_t bytes[] = {value};
    chip_.programEeprom(address, bytes);
    return done;
}

double TerseEncoder::turnsSinceOpened(Clock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - epoch_.value_or(now)).count();
    return seconds * rpm_ / 60.0;
}

double TerseEncoder::countsAt(Clock::time_point now) const {
    const double turns = turnsSinceOpened(now);
    return (turns - std::floor(turns)) * countsPerTurn + shaft_;
}

std::uint16_t TerseEncoder::shaftAt(Clock::time_point now) const {
    return static_cast<std::uint16_t>(static_cast<long long>(std::floor(countsAt(now))) % countsPerTurn);
}

std::int64_t TerseEncoder::turnsAt(Clock::time_point now) const {
    return turns_ + static_cast<std::int64_t>(std::floor(turnsSinceOpened(now))) +
           static_cast<std::int64_t>(std::floor(countsAt(now) / countsPerTurn));
}

std::uint16_t TerseEncoder::positionReply(Clock::time_point now) const {
    // A 12-bit firmware reads the two lowest bits as 0.
    const unsigned resolution = firmware_->bits == 12 ? 0x3FFC : 0x3FFF;
    const unsigned raw = shaftAt(now);
    if (!model_.checkedPosition) return static_cast<std::uint16_t>(raw & resolution);
    const unsigned offset = eepromWord(ZERO_OFFSET) % countsPerTurn;
    const unsigned position = ((raw + countsPerTurn - offset) % countsPerTurn) & resolution;
    const unsigned check = checkBits(position) ^ (badCheck_ ? 1u : 0u);
    return static_cast<std::uint16_t>(check << 14 | position);
}

void TerseEncoder::handle(Port& port) {
    while (!input_.empty()) {
        const char c = input_[0];
        const std::size_t length = c == 'e' || c == 'u' ? 5 : 1;
        if (input_.size() < length) return;
        const std::string command = input_.substr(0, length);
        input_.erase(0, length);
        keepRecent(commands_, command);
        const auto now = port.now();
        switch (c) {
        case 'e': {
            const int address = hexByte(command, 1), count = hexByte(command, 3);
            if (address < 0 || (count != 1 && count != 2)) break;
            std::string values = fmt::format("{:02X}", chip_.eeprom(static_cast<std::uint32_t>(address)));
            if (count == 2)
                values += fmt::format("{:02X}", chip_.eeprom(static_cast<std::uint32_t>(address + 1) & 0xFF));
            answer(port, command, values + "\n", idleAt(now) + commandTime);
            break;
        }
        case 'u': {
            const int address = hexByte(command, 1), value = hexByte(command, 3);
            if (address < 0 || value < 0) break;
            const auto stored =
                store(static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(value), now);
            if (!stored) break;
            answer(port, command, model_.acknowledgesWrites ? std::string(1, static_cast<char>(ack_)) : "",
                   *stored);
            break;
        }
        case 'x':
            answer(port, command, fmt::format("{:04X}\n", positionReply(now)), idleAt(now) + commandTime);
            break;
        case 'z':
            if (firmware_->multiTurn)
                answer(port, command, fmt::format("{:04X}\n", static_cast<std::uint16_t>(turnsAt(now))),
                       idleAt(now) + commandTime);
            break;
        case '0':
            if (firmware_->zero) {
                const auto offset = shaftAt(now);
                store(ZERO_OFFSET, static_cast<std::uint8_t>(offset >> 8), now);
                store(ZERO_OFFSET + 1, static_cast<std::uint8_t>(offset), now);
            }
            break;
        case 'Q':
            break;
        default:
            commands_.pop_back();
            break; // noise on the line
        }
    }
}

} // namespace sim
