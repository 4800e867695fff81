#include "Rvx63.h"

#include "sim/Recent.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace sim {

namespace {

constexpr std::uint8_t cmdNop = 0x00;
constexpr std::uint8_t cmdPosition = 0x10;
constexpr std::uint8_t cmdCalibrate = 0x50;
constexpr std::uint8_t cmdRestart = 0x60;
constexpr std::uint8_t cmdZero = 0x70;
constexpr std::uint8_t cmdWrite = 0x80;
constexpr std::uint8_t cmdRead = 0x90;

constexpr std::uint8_t zeroDone = 0x80;
constexpr std::uint8_t writeDone = 0x80;
// The answer to a write of the resolution code outside calibration mode.
constexpr std::uint8_t writeRefused = 0xEE;
// What the encoder shifts out while it boots.
constexpr std::uint8_t bootingAnswer = 0x00;

constexpr std::uint8_t addrStation = 0x78;
constexpr std::uint8_t addrModelCode = 0x79;
constexpr std::uint8_t addrDatecode = 0x7B;
constexpr std::uint8_t addrProgramDate = 0x7E;
constexpr std::uint8_t addrFirmware = 0x81;
constexpr std::uint8_t addrResolution = 0xFA;

// The encoder's resolution code: 0xE0 plus the index into this table.
constexpr std::array<long long, 16> resolutionByIndex = {96,  200, 250,  512,  192, 400,  500,  1024,
                                                         384, 800, 1000, 2048, 768, 1600, 2000, 4096};

void putWord(std::array<std::uint8_t, 256>& eeprom, std::uint8_t address, std::uint16_t word) {
    eeprom[address] = static_cast<std::uint8_t>(word >> 8);
    eeprom[address + 1] = static_cast<std::uint8_t>(word & 0xFF);
}

} // namespace

Rvx63::Rvx63(const ModelOptions& options) {
    eeprom_.fill(0xFF); // blank cells
    eeprom_[addrFirmware] = options.byte("fw", 0x15);
    eeprom_[addrModelCode] = options.byte("code", 0x63);
    eeprom_[addrStation] = options.byte("station", 0x30);
    putWord(eeprom_, addrDatecode, options.word("datecode", 2025));
    // 2025-03-14: year 25, month 3, day 14.
    putWord(eeprom_, addrProgramDate, options.word("date", (25 << 9) | (3 << 5) | 14));

    const long long resolution = options.number("resolution", 1024);
    const auto found = std::find(resolutionByIndex.begin(), resolutionByIndex.end(), resolution);
    if (found == resolutionByIndex.end())
        throw std::invalid_argument("RVX63: resolution " + std::to_string(resolution) +
                                    " is not one it supports");
    eeprom_[addrResolution] = static_cast<std::uint8_t>(0xE0 + (found - resolutionByIndex.begin()));

    const long long busy = options.number("waits", defaultBusy_);
    if (busy < 0 || busy > 1000) throw std::invalid_argument("RVX63: waits must be 0 to 1000");
    defaultBusy_ = static_cast<std::uint32_t>(busy);
    // Beyond these the shaft's count would lose all meaning (or be nan).
    rpm_ = options.rpm(5);
    startCounts_ = static_cast<double>(options.word("position", 0) % countsPerTurn);
    // An hour is longer than any wait of the host; more would overflow the clock.
    bootTime_ = std::chrono::milliseconds(options.number("boot", bootTime_.count(), 0, 3600000));
}

long long Rvx63::resolution() const {
    return resolutionByIndex[eeprom_[addrResolution] & 0x0F];
}

void Rvx63::setBusyAnswers(std::uint32_t count) {
    defaultBusy_ = count;
    busyAnswers_.clear();
}

void Rvx63::hangOnRestart(bool now) {
    hangOnRestart_ = true;
    if (now) readyAt_ = Clock::time_point::max();
}

void Rvx63::opened(Clock::time_point now) {
    if (!start_) start_ = now;
}

std::uint16_t Rvx63::shaftAt(Clock::time_point now) const {
    double counts = startCounts_;
    if (start_ && now > *start_) {
        const double seconds = std::chrono::duration<double>(now - *start_).count();
        counts += seconds * rpm_ / 60.0 * countsPerTurn;
    }
    const double wrapped = std::fmod(std::floor(counts), static_cast<double>(countsPerTurn));
    return static_cast<std::uint16_t>(wrapped < 0 ? wrapped + countsPerTurn : wrapped);
}

std::uint16_t Rvx63::positionAt(Clock::time_point now) const {
    return static_cast<std::uint16_t>((shaftAt(now) + countsPerTurn - zeroOffset_) % countsPerTurn);
}

std::uint8_t Rvx63::argumentsOf(std::uint8_t command) const {
    return command == cmdWrite || command == cmdRead ? 2 : 0;
}

std::uint8_t Rvx63::exchange(std::uint8_t mosi, Clock::time_point now) {
    if (!start_) start_ = now;
    keepRecent(received_, mosi);

    if (booting(now)) return bootingAnswer; // deaf and mute until booted
    readyAt_.reset();

    // The outgoing byte was loaded before this frame began.
    std::uint8_t miso = idleAnswer;
    if (!scriptedFrames_.empty()) {
        miso = scriptedFrames_.front();
        scriptedFrames_.pop_front();
    } else if (!out_.empty()) {
        miso = out_.front();
        out_.pop_front();
    }

    if (current_.empty()) {
        if (mosi == cmdNop) return miso;
        out_.clear(); // a new command drops what was left of the last answer
        current_.push_back(mosi);
    } else {
        current_.push_back(mosi);
    }
    if (current_.size() == 1u + argumentsOf(current_[0])) complete(now);
    return miso;
}

void Rvx63::answer(std::uint8_t command, Bytes result) {
    out_.clear();
    if (!scriptedReplies_.empty()) {
        out_.assign(scriptedReplies_.front().begin(), scriptedReplies_.front().end());
        scriptedReplies_.pop_front();
        return;
    }
    const auto it = busyAnswers_.find(command);
    out_.assign(it != busyAnswers_.end() ? it->second : defaultBusy_, idleAnswer);
    out_.insert(out_.end(), result.begin(), result.end());
}

void Rvx63::complete(Clock::time_point now) {
    const Bytes command = std::move(current_);
    current_.clear();
    keepRecent(commands_, command);
    switch (command[0]) {
    case cmdPosition: {
        const std::uint16_t position = positionAt(now);
        answer(cmdPosition, {cmdPosition, static_cast<std::uint8_t>(position >> 8),
                             static_cast<std::uint8_t>(position & 0xFF)});
        break;
    }
    case cmdCalibrate:
        calibrating_ = true;
        answer(cmdCalibrate, {cmdCalibrate});
        break;
    case cmdRestart:
        out_.clear();
        calibrating_ = false;
        ++restarts_;
        readyAt_ = hangOnRestart_ ? Clock::time_point::max() : now + bootTime_;
        break;
    case cmdZero:
        zeroOffset_ = shaftAt(now);
        answer(cmdZero, {zeroDone});
        break;
    case cmdWrite: {
        const std::uint8_t address = command[1];
        // The resolution code is factory calibration: locked outside calibration mode.
        if (address == addrResolution && !calibrating_) {
            answer(cmdWrite, {writeRefused});
            break;
        }
        eeprom_[address] = command[2];
        answer(cmdWrite, {writeDone});
        break;
    }
    case cmdRead: {
        // The third byte is the number of bytes to read.
        Bytes result{cmdRead};
        const unsigned count = std::max<unsigned>(1, command[2]);
        for (unsigned i = 0; i < count; ++i)
            result.push_back(eeprom_[(command[1] + i) & 0xFF]);
        answer(cmdRead, std::move(result));
        break;
    }
    default:
        break; // unknown commands are ignored
    }
}

} // namespace sim
