#include "BlockBootloader.h"

#include "LineRate.h"
#include "sim/Recent.h"

#include <fmt/format.h>
#include <stdexcept>

namespace sim {

namespace {
using namespace std::chrono_literals;

// The chip's own times: parsing a line, erasing and programming a row.
constexpr std::chrono::microseconds commandTime = 20us, eraseTime = 2000us, programTime = 2500us;
constexpr std::size_t maxLine = 64; // longer lines are cut and parse as nothing
constexpr std::uint16_t bufferBytes = BlockBootloader::bufferEnd - BlockBootloader::bufferStart;

std::optional<unsigned> hexNumber(const std::string& text, std::size_t at, std::size_t digits) {
    unsigned value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        const char c = text.at(i);
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
} // namespace

BlockBootOptions blockBootOptions(const ModelOptions& options) {
    BlockBootOptions o;
    BlockBootFaults& f = o.faults;
    const auto count = [&](const char* key, long long limit) {
        const auto value = options.number(key, 0);
        if (value < 0 || value > limit)
            throw std::invalid_argument(fmt::format("option {} must be from 0 to {}", key, limit));
        return value;
    };
    const auto baud = options.number("baud", o.baud);
    if (baud < 183 || baud > 3000000) throw std::invalid_argument("option baud must be from 183 to 3000000");
    o.baud = static_cast<std::uint32_t>(baud);
    o.id = options.get("id", o.id);
    f.lateFrom = static_cast<std::uint32_t>(count("late", 1000000));
    f.lateBy = std::chrono::milliseconds(options.number("lateby", f.lateBy.count()));
    f.carriageReturn = options.has("cr");
    if (options.has("nak")) f.nakRow = static_cast<std::size_t>(count("nak", 4095));
    const auto nakCommand = options.get("nakcmd", "u");
    if (nakCommand != "b" && nakCommand != "u" && nakCommand != "R")
        throw std::invalid_argument("option nakcmd must be b, u or R");
    f.nakCommand = nakCommand[0];
    if (options.has("stuck")) f.stuck = static_cast<std::uint16_t>(count("stuck", 0x1FF));
    f.stuckValue = static_cast<std::uint8_t>(count("stuckvalue", 0xFF));
    if (options.has("shortread")) f.shortReadBack = static_cast<std::size_t>(count("shortread", 255));
    f.nonHexReadBack = options.has("nonhex");
    f.babbleFrom = static_cast<std::uint32_t>(count("babble", 1000000));
    if (options.has("powerloss")) f.powerLossRow = static_cast<std::size_t>(count("powerloss", 4095));
    f.once = options.has("once");
    return o;
}

BlockBootloader::BlockBootloader(BlockChip& chip, BlockBootOptions options)
    : chip_(chip), options_(std::move(options)) {}

void BlockBootloader::powerOn() {
    start(false);
}

void BlockBootloader::start(bool breakHeld) {
    input_.clear();
    unlocked_ = false;
    sessionCommands_ = 0;
    entry_.reset();
    babbling_ = false;
    if (!breakHeld && chip_.applicationIntact()) {
        mode_ = Mode::Application;
        if (onApplicationStart) onApplicationStart(chip_);
    } else {
        mode_ = Mode::Bootloader;
    }
}

void BlockBootloader::catchUp(Port& port) {
    if (mode_ != Mode::Off || port.now() < powerBack_) return;
    const auto& line = port.line();
    resets_.push_back({line.breakOn, true});
    if (line.rts)
        mode_ = Mode::Reset;
    else
        start(line.breakOn);
}

void BlockBootloader::lineChanged(const LineState& before, Port& port) {
    catchUp(port);
    if (mode_ == Mode::Off) return;
    const auto& line = port.line();
    if (line.rts && !before.rts) {
        mode_ = Mode::Reset;
        port.discardPending();
        babbling_ = false;
        if (onReset) onReset();
    } else if (!line.rts && before.rts) {
        resets_.push_back({line.breakOn, false});
        start(line.breakOn);
    } else if (line.breakOn && !before.breakOn && mode_ == Mode::Bootloader) {
        input_.clear(); // a break is a framing error: the line under way is lost
    }
}

void BlockBootloader::receive(std::span<const std::uint8_t> bytes, Port& port) {
    catchUp(port);
    if (mode_ != Mode::Bootloader || port.line().breakOn) return;
    for (const auto byte : throughRate(bytes, port.line().baud, options_.baud)) {
        if (mode_ != Mode::Bootloader) return; // "Q" started the application, or the power failed
        if (byte != '\n') {
            if (input_.size() < maxLine) input_.push_back(static_cast<char>(byte));
            continue;
        }
        const std::string line = std::move(input_);
        input_.clear();
        handle(line, port);
    }
}

void BlockBootloader::struck() {
    if (options_.faults.once) options_.faults = {};
}

void BlockBootloader::handle(const std::string& line, Port& port) {
    keepRecent(commands_, line);
    ++sessionCommands_;
    const BlockBootFaults faults = options_.faults;
    if (!babbling_ && faults.babbleFrom != 0 && sessionCommands_ >= faults.babbleFrom) {
        babbling_ = true;
        struck();
    }
    if (babbling_) {
        babble(port); // it no longer listens; keep the stream going
        return;
    }
    std::chrono::microseconds delay = commandTime;
    if (faults.lateFrom != 0 && sessionCommands_ >= faults.lateFrom) {
        delay += faults.lateBy;
        struck();
    }
    std::string reply;
    if (carryOut(line, port, delay, reply)) send(port, reply, delay);
}

std::string BlockBootloader::acknowledgement() {
    if (!options_.faults.carriageReturn) return "*";
    struck();
    return "*\r";
}

bool BlockBootloader::carryOut(const std::string& line, Port& port, std::chrono::microseconds& delay,
                               std::string& reply) {
    if (line == "i") {
        reply = options_.id;
        return true;
    }
    if (line == "Q") {
        if (chip_.applicationIntact()) {
            mode_ = Mode::Application;
            if (onApplicationStart) onApplicationStart(chip_);
        }
        return false;
    }
    if (line == "KVB") {
        unlocked_ = true;
        reply = acknowledgement();
        return true;
    }
    reply = unlocked_ ? "?" : "!";
    if (!unlocked_ || line.empty()) return true;
    const char command = line[0];
    if (command == 'm' && line.size() == 3 + 2 * 16) {
        const auto low = hexNumber(line, 1, 2);
        if (!low || *low < bufferStart - 0x100 || *low + 16 > bufferEnd - 0x100) return true;
        std::array<std::uint8_t, 16> data{};
        for (std::size_t i = 0; i < data.size(); ++i) {
            const auto value = hexNumber(line, 3 + 2 * i, 2);
            if (!value) return true;
            data[i] = static_cast<std::uint8_t>(*value);
        }
        for (std::size_t i = 0; i < data.size(); ++i)
            ram_[0x100 + *low + i] = data[i];
        reply = acknowledgement();
    } else if ((command == 'b' || command == 'u' || command == 'R') && line.size() == 5) {
        const auto address = hexNumber(line, 1, 4);
        if (!address || *address % 32 != 0 || *address / 32 >= chip_.rows()) return true;
        return rowCommand(command, *address / 32, port, delay, reply);
    } else if (command == 'j' && line.size() == 7) {
        const auto address = hexNumber(line, 1, 4), count = hexNumber(line, 5, 2);
        if (!address || !count || *count == 0 || *count > bufferBytes || *address + *count > ram_.size())
            return true;
        reply = readBack(static_cast<std::uint16_t>(*address), *count);
    }
    return true;
}

bool BlockBootloader::rowCommand(char command, std::size_t row, Port& port, std::chrono::microseconds& delay,
                                 std::string& reply) {
    const BlockBootFaults faults = options_.faults;
    if (faults.nakRow == row && faults.nakCommand == command) {
        struck();
        reply = "E";
        return true;
    }
    std::array<std::uint8_t, BlockChip::rowBytes> buffer{};
    for (std::uint16_t i = 0; i < buffer.size(); ++i)
        buffer[i] = ramAt(bufferStart + i);
    switch (command) {
    case 'b':
        chip_.eraseRow(row);
        if (row == 0) chip_.eraseApplicationVector();
        delay += eraseTime;
        break;
    case 'u':
        if (faults.powerLossRow == row) {
            struck();
            chip_.programRow(row, std::span(buffer).first(buffer.size() / 2));
            powerFail(port);
            return false;
        }
        chip_.programRow(row, buffer);
        if (row == 0) entry_ = BlockChip::Vector{buffer[0], buffer[1], buffer[2], buffer[3]};
        if (row == chip_.rows() - 1 && entry_) chip_.setApplicationVector(*entry_);
        delay += programTime;
        break;
    default: {
        const auto bytes = chip_.row(row);
        std::copy(bytes.begin(), bytes.end(), ram_.begin() + bufferStart);
        break;
    }
    }
    reply = acknowledgement();
    return true;
}

std::uint8_t BlockBootloader::ramAt(std::uint16_t address) const {
    const auto& faults = options_.faults;
    return faults.stuck == address ? faults.stuckValue : ram_.at(address);
}

std::string BlockBootloader::readBack(std::uint16_t address, std::size_t count) {
    std::string reply;
    for (std::size_t i = 0; i < count; ++i)
        reply += fmt::format("{:02X} ", ramAt(static_cast<std::uint16_t>(address + i)));
    const BlockBootFaults faults = options_.faults;
    if (faults.nonHexReadBack && count == 16) {
        reply.replace(3 * 5, 2, "XX");
        struck();
    }
    if (faults.shortReadBack && reply.size() > *faults.shortReadBack) {
        reply.resize(*faults.shortReadBack);
        struck();
    }
    return reply;
}

void BlockBootloader::send(Port& port, const std::string& text, std::chrono::microseconds delay) {
    port.send(throughRate(bytesOf(text + "\n"), options_.baud, port.line().baud), delay);
}

void BlockBootloader::babble(Port& port) {
    const auto now = port.now();
    if (babbleQueuedUntil_ > now + 500ms) return;
    // A second of line time of what a read-back of erased memory looks like,
    // and never a line feed.
    std::string text;
    while (text.size() < options_.baud / 10)
        text += "3F ";
    port.send(throughRate(bytesOf(text), options_.baud, port.line().baud));
    babbleQueuedUntil_ = now + 1s;
}

void BlockBootloader::powerFail(Port& port) {
    mode_ = Mode::Off;
    port.discardPending();
    input_.clear();
    babbling_ = false;
    powerBack_ = port.now() + powerOffTime;
    if (onReset) onReset();
}

} // namespace sim
