#include "BlockEncoder.h"

#include "BlockFirmware.h"
#include "LineRate.h"
#include "sim/Recent.h"

#include <algorithm>

namespace sim {

namespace {
using namespace std::chrono_literals;
// After a start the firmware sets itself up before it listens.
constexpr auto bootTime = 100ms;
constexpr std::size_t maxLine = 32; // longer lines are cut and mean nothing
constexpr auto chatterTime = 3s;
} // namespace

BlockEncoder::BlockEncoder(const char* model, Line line, const ModelOptions& options)
    : model_(model), line_(line), bootloader_(chip_, blockBootOptions(options)),
      chatter_(options.number("chatter", 0) != 0) {
    bootloader_.onApplicationStart = [this](BlockChip& chip) {
        firmware_ = blockFirmware(chip);
        input_.clear();
        ++starts_;
        justStarted_ = true;
        started();
    };
    bootloader_.onReset = [this] { input_.clear(); };
}

void BlockEncoder::manufacture(const fwparams::Parameters& parameters, std::uint64_t seed) {
    chip_.install(factoryBlockImage(parameters, seed, chip_.rows()));
    bootloader_.powerOn();
    justStarted_ = false; // powered long ago: ready now
}

bool BlockEncoder::applicationRunning() const {
    return bootloader_.mode() == BlockBootloader::Mode::Application && firmware_ &&
           firmware_->model == model_;
}

void BlockEncoder::lineChanged(const LineState& before, Port& port) {
    bootloader_.lineChanged(before, port);
    if (justStarted_) {
        readyAt_ = port.now() + bootTime;
        justStarted_ = false;
        startChattering(port);
    }
}

void BlockEncoder::receive(std::span<const std::uint8_t> bytes, Port& port) {
    // The bootloader also notices here when the power has come back.
    if (bootloader_.mode() != BlockBootloader::Mode::Application) bootloader_.receive(bytes, port);
    if (justStarted_) { // its "Q" started the application
        readyAt_ = port.now() + bootTime;
        justStarted_ = false;
        startChattering(port);
        return;
    }
    if (!applicationRunning()) return;
    const auto& host = port.line();
    if (port.now() < readyAt_ || host.breakOn || (line_.hearsOnlyWithDtr && !host.dtr)) return;
    for (const auto byte : throughRate(bytes, host.baud, line_.baud)) {
        if (byte != '\n') {
            if (input_.size() < maxLine) input_.push_back(static_cast<char>(byte));
            continue;
        }
        const std::string text = std::move(input_);
        input_.clear();
        handle(text, port);
        if (port.now() < readyAt_) return; // busy: what follows is lost
    }
}

void BlockEncoder::handle(const std::string& line, Port& port) {
    keepRecent(commands_, line);
    for (auto it = scripted_.begin(); it != scripted_.end(); ++it) {
        if (!line.starts_with(it->first)) continue;
        send(port, it->second, 100us);
        scripted_.erase(it);
        return;
    }
    if (const auto reply = command(line, port)) send(port, reply->text, reply->delay);
}

void BlockEncoder::send(Port& port, const std::string& text, std::chrono::microseconds delay) {
    port.send(asHeard(text, port), delay);
}

Bytes BlockEncoder::asHeard(const std::string& text, const Port& port) const {
    const Bytes bytes(text.begin(), text.end());
    return throughRate(bytes, line_.baud, port.line().baud);
}

std::optional<unsigned> BlockEncoder::hexAt(const std::string& text, std::size_t at, std::size_t digits) {
    if (text.size() < at + digits) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return value;
}

void BlockEncoder::startChattering(Port& port) {
    if (!chatter_ || !applicationRunning()) return;
    // Seconds of line time, a tenth of a second's worth at a time so that it
    // keeps coming however the host purges, and never a line feed.
    std::string chunk;
    while (chunk.size() < line_.baud / 100)
        chunk += "7F ";
    const auto heard = asHeard(chunk, port);
    for (auto at = 0ms; at < chatterTime; at += 100ms)
        port.sendLater(heard, at);
}

} // namespace sim
