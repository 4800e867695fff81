#pragma once
// Shared pieces of the bootloader host tests: a hand-written bootloader fake
// on a bench module, capture of the three log sinks, devices shaped like a
// part of each family, and Intel HEX records as real tools write them.
#include "AN1310/AN1310.h"
#include "sim/Bench.h"

#include <algorithm>
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

inline std::uint32_t le32(const Bytes& b, std::size_t i) {
    return b[i] | b[i + 1] << 8 | b[i + 2] << 16 | std::uint32_t(b[i + 3]) << 24;
}

// The bootloader's side of a checksum request (0x02) over a family-4 flash of
// 16-bit `words`: CRCs that run on from erase block to erase block.
inline Bytes checksumReply(const Bytes& request, const std::vector<std::uint16_t>& words,
                           std::uint32_t blockBytes) {
    Bytes reply;
    std::uint16_t crc = 0;
    for (std::uint32_t a = le32(request, 1), b = 0; b < unsigned(request[5] | request[6] << 8); ++b) {
        for (const auto end = a + blockBytes; a < end; a += 2)
            crc = AN1310::crc16(Bytes{std::uint8_t(words[a / 2]), std::uint8_t(words[a / 2] >> 8)}, crc);
        reply.insert(reply.end(), {std::uint8_t(crc), std::uint8_t(crc >> 8)});
    }
    return reply;
}

// A bootloader written from the wire: echoes a sync STX, unescapes requests up
// to ETX and hands each checked payload (checksum removed) to `onRequest`.
class FakeBootloader final : public sim::UartDevice {
public:
    std::function<void(const Bytes& request, sim::Port&)> onRequest;
    bool echoStx = true;
    Bytes received;              // every byte the host wrote
    std::vector<Bytes> requests; // unescaped request payloads, checksum removed

    void receive(std::span<const std::uint8_t> bytes, sim::Port& port) override {
        for (auto byte : bytes) {
            received.push_back(byte);
            if (escaped_) {
                packet_.push_back(byte);
                escaped_ = false;
            } else if (byte == AN1310::STX) {
                inPacket_ = true;
                packet_.clear();
                if (echoStx) port.send({AN1310::STX});
            } else if (!inPacket_) {
                continue;
            } else if (byte == AN1310::DLE) {
                escaped_ = true;
            } else if (byte == AN1310::ETX) {
                inPacket_ = false;
                if (packet_.size() < 2) continue;
                requests.emplace_back(packet_.begin(), packet_.end() - 2);
                if (onRequest) onRequest(requests.back(), port);
            } else {
                packet_.push_back(byte);
            }
        }
    }

private:
    bool inPacket_ = false;
    bool escaped_ = false;
    Bytes packet_;
};

// Catches what the three sinks get and puts the defaults back afterwards.
class LogCapture {
public:
    LogCapture() {
        for (int i = 0; i < 3; ++i)
            *sinks_[i] = [this, i](const std::string& line) {
                (i == 0 ? debug : i == 1 ? status : warnings).push_back(line);
            };
    }
    ~LogCapture() {
        for (int i = 0; i < 3; ++i)
            *sinks_[i] = saved_[i];
    }
    bool hasStatus(const std::string& line) const { return std::count(status.begin(), status.end(), line); }
    void clear() { debug.clear(), status.clear(), warnings.clear(); }

    std::vector<std::string> debug, status, warnings;

private:
    AN1310::LogSink* const sinks_[3] = {&AN1310::debugLog, &AN1310::statusLog, &AN1310::warningLog};
    const AN1310::LogSink saved_[3] = {*sinks_[0], *sinks_[1], *sinks_[2]};
};

// A link to the bench's first module, at the bootloader's 115200 baud.
inline std::unique_ptr<UartLink> openLink() {
    auto link = std::make_unique<UartLink>(0);
    link->setBaudRate(115200);
    link->setTimeouts(300, 300);
    return link;
}

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
        link = openLink();
    }
};

// The message of the AN1310::OtherException `f` throws.
template <class F> std::string thrownBy(F&& f) {
    try {
        f();
    } catch (const AN1310::OtherException& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

// A device record shaped like a common part of the family (PIC16F886,
// PIC18F2620, PIC24FJ64GA002), without a database.
inline AN1310::Device testDevice(AN1310::Family family) {
    using AN1310::Family;
    AN1310::Device d; // write and erase blocks of 64 and 1024 bytes, 2 bytes a word
    d.familyId = family;
    if (family == Family::PIC16)
        d.eraseBlockSize = 32, d.writeBlockSize = 8, d.flashEnd = 0x2000, d.eepromStart = 0x2100,
        d.eepromEnd = 0x2200;
    if (family == Family::PIC18)
        d.flashEnd = 0x10000, d.eepromStart = 0xF00000, d.eepromEnd = 0xF00400, d.ramEnd = 0xF00;
    if (family == Family::PIC24)
        d.bytesPerWordFlash = 3, d.eraseBlockSize = 512, d.flashEnd = 0xAC00, d.ramStart = 0x800,
        d.ramEnd = 0x2800;
    d.applyFamilyValues();
    return d;
}

// One Intel HEX record as assemblers write it: upper case, CRLF.
inline std::string hexRecord(int type, std::uint16_t address, const std::vector<std::uint8_t>& data) {
    std::string line = fmt::format(":{:02X}{:04X}{:02X}", data.size(), address, type);
    unsigned sum = unsigned(data.size()) + (address >> 8) + (address & 0xFF) + unsigned(type);
    for (auto byte : data) {
        line += fmt::format("{:02X}", byte);
        sum += byte;
    }
    return line + fmt::format("{:02X}\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

} // namespace an1310test
