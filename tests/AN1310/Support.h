#pragma once
// Shared pieces of the bootloader host tests: a hand-written bootloader fake
// on a bench module, capture of the three log sinks, and a platform wrapper
// that can make writes come up short.
#include "AN1310/AN1310.h"
#include "sim/Bench.h"

#include <algorithm>
#include <deque>
#include <fmt/format.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace an1310test {

using AN1310::Bytes;

// The reply body a bootloader sends after its sync STX: payload, checksum, ETX.
inline Bytes replyBody(const Bytes& payload) {
    auto frame = AN1310::encodeFrame(payload);
    frame.erase(frame.begin());
    return frame;
}

// Bytes escaped as a bootloader sends them, closed by ETX, with no checksum.
inline Bytes rawBody(const Bytes& data) {
    Bytes body;
    for (auto byte : data) {
        if (byte == AN1310::STX || byte == AN1310::ETX || byte == AN1310::DLE) body.push_back(AN1310::DLE);
        body.push_back(byte);
    }
    body.push_back(AN1310::ETX);
    return body;
}

// A bootloader written from the wire: echoes a sync STX, unescapes requests up
// to ETX and hands each checked payload (checksum removed) to `onRequest`.
class FakeBootloader final : public sim::UartDevice {
public:
    std::function<void(const Bytes& request, sim::Port&)> onRequest;
    bool echoStx = true;
    Bytes beforeEcho;            // junk the fake sends ahead of its sync STX
    Bytes received;              // every byte the host wrote
    std::vector<Bytes> requests; // unescaped request payloads, checksum removed
    std::vector<std::pair<std::string, sim::Clock::time_point>> lineEvents;

    void receive(std::span<const std::uint8_t> bytes, sim::Port& port) override {
        for (auto byte : bytes) {
            received.push_back(byte);
            if (escaped_) {
                packet_.push_back(byte);
                escaped_ = false;
            } else if (byte == AN1310::STX) {
                inPacket_ = true;
                packet_.clear();
                if (!beforeEcho.empty()) port.send(beforeEcho);
                if (echoStx) port.send({AN1310::STX});
            } else if (!inPacket_) {
                continue;
            } else if (byte == AN1310::DLE) {
                escaped_ = true;
            } else if (byte == AN1310::ETX) {
                inPacket_ = false;
                if (packet_.size() < 2) continue;
                Bytes payload(packet_.begin(), packet_.end() - 2);
                requests.push_back(payload);
                if (onRequest) onRequest(payload, port);
            } else {
                packet_.push_back(byte);
            }
        }
    }

    void lineChanged(const sim::LineState& before, sim::Port& port) override {
        const auto& now = port.line();
        if (before.rts != now.rts) lineEvents.push_back({now.rts ? "rts on" : "rts off", port.now()});
        if (before.breakOn != now.breakOn)
            lineEvents.push_back({now.breakOn ? "break on" : "break off", port.now()});
    }

    std::size_t stxWritten() const { return std::count(received.begin(), received.end(), AN1310::STX); }

private:
    bool inPacket_ = false;
    bool escaped_ = false;
    Bytes packet_;
};

// Catches what the three sinks get and puts the defaults back afterwards.
class LogCapture {
public:
    LogCapture()
        : savedDebug_(AN1310::debugLog), savedStatus_(AN1310::statusLog), savedWarning_(AN1310::warningLog) {
        AN1310::debugLog = [this](const std::string& line) { debug.push_back(line); };
        AN1310::statusLog = [this](const std::string& line) { status.push_back(line); };
        AN1310::warningLog = [this](const std::string& line) { warnings.push_back(line); };
    }
    ~LogCapture() {
        AN1310::debugLog = savedDebug_;
        AN1310::statusLog = savedStatus_;
        AN1310::warningLog = savedWarning_;
    }
    bool hasStatus(const std::string& line) const { return contains(status, line); }
    bool hasWarning(const std::string& line) const { return contains(warnings, line); }
    bool hasDebug(const std::string& line) const { return contains(debug, line); }
    void clear() {
        debug.clear();
        status.clear();
        warnings.clear();
    }

    std::vector<std::string> debug, status, warnings;

private:
    static bool contains(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    AN1310::LogSink savedDebug_, savedStatus_, savedWarning_;
};

// A bench module carrying a FakeBootloader, with an open link at 115200 baud.
struct FakeLine {
    sim::BenchGuard bench{std::make_shared<sim::Bench>()};
    FakeBootloader* device = nullptr;
    sim::Module* module = nullptr;
    std::unique_ptr<UartLink> link;

    FakeLine() {
        auto fake = std::make_unique<FakeBootloader>();
        device = fake.get();
        module = &bench->addUart(std::move(fake), "fake-bootloader");
        link = std::make_unique<UartLink>(0);
        link->setBaudRate(115200);
        link->setTimeouts(300, 300);
    }
    // Reply bytes as if the bootloader sent them now (after `delayMs`).
    void send(const Bytes& bytes, int delayMs = 0) {
        module->send(bytes, std::chrono::milliseconds(delayMs));
    }
};

} // namespace an1310test
