#include "BootloadedApplication.h"

#include <charconv>

namespace sim {

namespace {
// The firmware needs a moment after a reset before it listens.
constexpr auto bootTime = std::chrono::milliseconds(50);
} // namespace

BootloadedApplication::BootloadedApplication(const PicPart& part, BootloaderOptions bootloader,
                                             const ModelOptions& options)
    : chip_(part), bootloader_(chip_, bootloader) {
    bootloaderAnswers_ = options.number("boot", 1) != 0;
    if (options.has("worn")) chip_.wearOut(static_cast<std::uint32_t>(options.number("worn", 0)));
    if (options.has("wornee")) chip_.wearOutEeprom(static_cast<std::uint32_t>(options.number("wornee", 0)));
    bootloader_.onApplicationStart = [this](PicChip&) {
        ++applicationStarts_;
        input_.clear();
        applicationStarted();
    };
    bootloader_.onReset = [this] {
        ++resets_;
        input_.clear();
        chipReset();
    };
}

void BootloadedApplication::lineChanged(const LineState& before, Port& port) {
    const auto starts = applicationStarts_;
    bootloader_.lineChanged(before, port);
    if (applicationStarts_ != starts) readyAt_ = port.now() + bootTime;
}

void BootloadedApplication::receive(std::span<const std::uint8_t> bytes, Port& port) {
    if (bootloader_.mode() == An1310Bootloader::Mode::Bootloader) {
        if (bootloaderAnswers_) bootloader_.receive(bytes, port);
        return;
    }
    // Firmware of another model (a wrong image) or none at all runs nothing
    // that answers.
    if (!applicationRunning() || port.now() < readyAt_) return;
    input_.append(bytes.begin(), bytes.end());
    handle(port);
}

void BootloadedApplication::answer(Port& port, const std::string& command, const std::string& reply,
                                   std::chrono::microseconds delay) {
    for (auto it = scripted_.begin(); it != scripted_.end(); ++it) {
        if (!it->first.empty() && it->first != command) continue;
        port.sendText(it->second, delay);
        scripted_.erase(it);
        return;
    }
    if (!reply.empty()) port.sendText(reply, delay);
}

int BootloadedApplication::hexByte(const std::string& text, std::size_t at) {
    unsigned value = 0;
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + 2, value, 16);
    return error == std::errc{} && end == first + 2 ? static_cast<int>(value) : -1;
}

std::uint8_t BootloadedApplication::bcd(unsigned value) {
    return static_cast<std::uint8_t>((value / 10) * 16 + value % 10);
}

} // namespace sim
