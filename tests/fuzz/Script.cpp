#include "Script.h"

#include "AN1310/Log.h"

#include <algorithm>

namespace fuzz {

std::span<const std::uint8_t> ReplyScript::next() {
    if (rest_.size() < 2) {
        rest_ = {};
        return {};
    }
    const std::size_t length = std::min<std::size_t>(rest_[0] | rest_[1] << 8, rest_.size() - 2);
    const auto reply = rest_.subspan(2, length);
    rest_ = rest_.subspan(2 + length);
    return reply;
}

void appendReply(Bytes& script, std::span<const std::uint8_t> reply) {
    if (reply.size() > 0xFFFF) throw std::length_error("a reply too long for a reply script");
    script.push_back(static_cast<std::uint8_t>(reply.size() & 0xFF));
    script.push_back(static_cast<std::uint8_t>(reply.size() >> 8));
    script.insert(script.end(), reply.begin(), reply.end());
}

std::uint8_t ScriptedSpi::exchange(std::uint8_t, sim::Clock::time_point) {
    if (rest_.empty()) return 0xFF;
    const auto byte = rest_.front();
    rest_ = rest_.subspan(1);
    return byte;
}

void silenceBootloaderLogs() {
    const AN1310::LogSink nowhere = [](const std::string&) {};
    AN1310::debugLog = nowhere;
    AN1310::statusLog = nowhere;
    AN1310::warningLog = nowhere;
}

} // namespace fuzz
