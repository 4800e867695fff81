#include "Comm.h"

#include "Crc16.h"
#include "Exceptions.h"
#include "Log.h"

#include <chrono>
#include <fmt/format.h>

namespace AN1310 {

namespace {
using Millis = std::chrono::milliseconds;

// Byte i of a reply, or 0 past its end: a short reply is never read beyond it.
std::uint8_t byteAt(const Bytes& bytes, std::size_t i) {
    return i < bytes.size() ? bytes[i] : 0;
}

std::uint32_t le16(const Bytes& bytes, std::size_t i) {
    return static_cast<std::uint32_t>(byteAt(bytes, i) | (byteAt(bytes, i + 1) << 8));
}

std::uint32_t le32(const Bytes& bytes, std::size_t i) {
    return le16(bytes, i) | (le16(bytes, i + 2) << 16);
}

// The information block fields up to the bootloader start.
constexpr std::size_t bootInfoMinimum = 10;
constexpr std::size_t bootInfoWithDeviceId = 12;
} // namespace

std::uint32_t Comm::transmitMillis(std::uint64_t bytes) const {
    const std::uint64_t baud = link_.baudRate() ? link_.baudRate() : 1;
    return static_cast<std::uint32_t>(bytes * 10000 / baud);
}

void Comm::writeStx() {
    const std::uint8_t stx = STX;
    if (link_.write(std::span(&stx, 1)) != 1) throw CouldNotTransmit();
}

Bytes Comm::transact(const Bytes& frame, int retries, std::uint32_t extraMs) {
    writeStx();
    if (link_.waitForQueue(1, Millis(50)) == 0) throw ReadTimeout();
    debugLog("Received STX, sending packet.");

    const auto rest = std::span(frame).subspan(1);
    for (;;) {
        if (retries < 0) throw RetryLimitReached();
        --retries;
        if (link_.write(rest) >= rest.size()) break;
    }
    return receivePacket(static_cast<int>(transmitMillis(frame.size()) + extraMs), true);
}

void Comm::sendPacket(const Bytes& frame) {
    writeStx();
    // Up to 5 s, as checking every 100 ms would allow; the body goes out as
    // soon as the bootloader's STX is here rather than at the next check.
    if (link_.waitForQueue(1, Millis(5000)) == 0) throw ReadTimeout();
    debugLog("Received STX, sending packet.");

    constexpr std::size_t piece = 1024;
    for (std::size_t offset = 1; offset < frame.size(); offset += piece) {
        const auto part = std::span(frame).subspan(offset, std::min(piece, frame.size() - offset));
        if (link_.write(part) < part.size()) throw CouldNotTransmit();
    }
}

Bytes Comm::receivePacket(int timeoutMs, bool waitForStx) {
    if (waitForStx && timeoutMs >= 1) {
        // Up to `timeoutMs` attempts of about 1 ms each; a quiet line is waited
        // for in one piece. When they run out, the packet is read anyway.
        const auto deadline = FTDI::now() + Millis(timeoutMs);
        for (int attempt = 0; attempt < timeoutMs; ++attempt)
            if (link_.waitForQueue(1, deadline) == 0 || link_.readByte() == STX) break;
    }
    auto [payload, computed] = collect(static_cast<std::uint32_t>(std::max(timeoutMs, 0)), false);
    if (payload.size() < 2) throw BadChecksum();
    const std::uint16_t received =
        static_cast<std::uint16_t>(payload[payload.size() - 2] | (payload[payload.size() - 1] << 8));
    payload.resize(payload.size() - 2);
    if (received != computed) {
        warningLog(fmt::format("Packet CRC: {:X} Computed CRC: {:X} Length: {}", received, computed,
                               static_cast<long long>(payload.size()) - 2));
        throw BadChecksum();
    }
    return payload;
}

Bytes Comm::receiveRaw() {
    if (link_.waitForQueue(1, Millis(4000)) == 0) throw ReadTimeout();

    for (int junk = 0;;) {
        const auto byte = link_.readByte();
        if (byte == STX) break;
        ++junk;
        if (junk <= 9)
            warningLog(fmt::format("Expected STX, received junk: {:X}", byte));
        else if (junk == 10)
            warningLog(
                fmt::format("Expected STX, received junk: {:X}... (further messages suppressed)", byte));
        else if (junk > 100)
            throw JunkInsteadOfSTX();
    }
    return collect(4000, true).bytes;
}

// Gathers unescaped bytes up to ETX. An STX inside restarts the packet; the
// deadline is renewed by every chunk and by every restart.
Comm::Collected Comm::collect(std::uint32_t timeoutMs, bool byteAfterDleByRead) {
    Bytes payload;
    std::uint16_t crc = 0;
    int restarts = 0;
    auto deadline = FTDI::now() + Millis(timeoutMs);

    auto append = [&](std::uint8_t byte) {
        payload.push_back(byte);
        if (payload.size() > maxReplyBytes) throw ReadTimeout();
        if (payload.size() > 2) crc = crc16Update(crc, payload[payload.size() - 3]);
    };

    for (;;) {
        const auto waiting = link_.waitForQueue(1, deadline);
        if (waiting == 0) throw ReadTimeout();
        const Bytes chunk = link_.read(waiting);
        if (chunk.empty()) continue;
        deadline = FTDI::now() + Millis(timeoutMs);
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            const auto byte = chunk[i];
            if (byte == DLE) {
                if (i + 1 < chunk.size()) {
                    append(chunk[++i]);
                } else if (byteAfterDleByRead) {
                    append(link_.readByte());
                } else {
                    const auto next = link_.read(1);
                    if (next.empty()) throw ReadTimeout();
                    append(next[0]);
                }
            } else if (byte == STX) {
                if (++restarts >= 6) {
                    warningLog("Too many errors, aborting.");
                    throw ReadTimeout();
                }
                warningLog("Unexpected STX received, restarting receive packet.");
                payload.clear();
                crc = 0;
                deadline = FTDI::now() + Millis(timeoutMs);
            } else if (byte == ETX) {
                return {std::move(payload), crc};
            } else {
                append(byte);
            }
        }
    }
}

BootInfo Comm::readBootInfo(int tries) {
    BootInfo info;
    link_.purge(FTDI::PURGE_RX);
    const std::uint8_t stx = STX;
    link_.write(std::span(&stx, 1));
    debugLog("write 1.");

    const auto frame = encodeFrame(makeRequest(Command::ReadBootInfo));
    const auto rest = std::span(frame).subspan(1);

    // A line that keeps sending something else (an application that streams)
    // is given as long as a silent one, and no more than maxJunk bytes.
    const auto giveUp = FTDI::now() + Millis(50) * (std::max(tries, 0) + 1);
    int junk = 0;
    auto deadline = FTDI::now() + Millis(50);
    for (;;) {
        const auto waiting = tries < 1 ? link_.queueStatus() : link_.waitForQueue(1, deadline);
        if (waiting == 0) {
            if (tries < 1) return info;
            warningLog(fmt::format("Timed out waiting for sync, sending another STX. timeout: {}", tries));
            link_.write(std::span(&stx, 1));
            deadline = FTDI::now() + Millis(50);
            --tries;
            continue;
        }
        const auto byte = link_.readByte();
        if (byte != STX) {
            warningLog(fmt::format("Received junk {:X}", byte));
            if (++junk > maxJunk || FTDI::now() > giveUp) {
                warningLog("Only other data arrived: no bootloader answered");
                return info;
            }
            continue;
        }
        debugLog("Received STX, sending packet.");
        if (link_.write(rest) < rest.size()) {
            warningLog("could not transmit bootinfo request");
            return info;
        }
        debugLog("send packet.");
        const auto reply = receivePacket(100, false);
        debugLog("get packet");
        if (reply.size() < bootInfoMinimum) {
            // Without the bootloader's range the image cannot be placed safely.
            warningLog(fmt::format("Bootloader information block too short ({} bytes)", reply.size()));
            return info;
        }
        info.majorVersion = reply[2];
        info.minorVersion = reply[3];
        info.familyId = static_cast<Family>(reply[5] & 0x0F);
        info.capabilities = reply[4] | (static_cast<std::uint32_t>(reply[5] >> 4) << 8);
        info.bootloaderStart = le32(reply, 6);
        info.bootloaderEnd = info.bootloaderStart + le16(reply, 0);
        info.deviceId = reply.size() >= bootInfoWithDeviceId ? le16(reply, 10) : 0;
        statusLog(fmt::format("Firmware v{}.{:02} at address {:X} to {:X}.", info.majorVersion,
                              info.minorVersion, info.bootloaderStart, info.bootloaderEnd));
        return info;
    }
}

DeviceIdentity Comm::readDeviceId(Family family) {
    auto request = makeRequest(Command::ReadFlash);
    DeviceIdentity id;
    switch (family) {
    case Family::PIC24: {
        setAddress(request, 0xFF0000);
        setCount16(request, 2);
        const auto reply = transact(encodeFrame(request), 4, 1000);
        id.deviceId = le16(reply, 0);
        id.revision = byteAt(reply, 3) | ((byteAt(reply, 4) & 1u) << 8);
        break;
    }
    case Family::PIC32: {
        setAddress(request, 0xBF80F220);
        setCount16(request, 1);
        const auto reply = transact(encodeFrame(request), 4, 1000);
        id.deviceId = (byteAt(reply, 1) >> 4) | ((byteAt(reply, 2) & 0x0Fu) << 4);
        id.revision = (byteAt(reply, 2) >> 4) | (static_cast<std::uint32_t>(byteAt(reply, 3)) << 4);
        break;
    }
    default: {
        setAddress(request, 0x3FFFFE);
        setCount16(request, 2);
        const auto reply = transact(encodeFrame(request), 4, 1000);
        id.deviceId = le16(reply, 0) >> 5;
        id.revision = byteAt(reply, 0) & 0x1Fu;
        break;
    }
    }
    return id;
}

void Comm::startBreak() {
    link_.purge(FTDI::PURGE_RX | FTDI::PURGE_TX);
    link_.setBreak(true);
}

void Comm::holdReset() {
    link_.setRts(true);
}
void Comm::endBreak() {
    link_.setBreak(false);
}
void Comm::releaseReset() {
    link_.setRts(false);
}

void Comm::releaseIntoBootloader() {
    link_.setRts(false);
    FTDI::sleepMs(35);
    link_.setBreak(false);
    FTDI::sleepMs(35);
}

} // namespace AN1310
