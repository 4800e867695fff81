#include "DeviceReader.h"

#include "Log.h"

#include <algorithm>
#include <fmt/format.h>

namespace AN1310 {

struct DeviceReader::Geometry {
    Command command;
    std::uint32_t bytesPerEntry;
    // Request bytes for what is left of [address, end), before the size limit.
    std::uint32_t (*bytesLeft)(const Device&, std::uint32_t address, std::uint32_t end);
    std::uint32_t (*countFor)(const Device&, std::uint32_t bytes);
    std::uint32_t (*unitsFor)(const Device&, std::uint32_t bytes);
    std::uint32_t addressFlag;
};

void DeviceReader::setMaxRead(int bytes) {
    const auto value = static_cast<std::uint32_t>(std::max(bytes, 0));
    if (device_->familyId == Family::PIC32)
        maxRead_ = std::min<std::uint32_t>(value / 4 * 4, 0x3FFF0);
    else if (device_->familyId == Family::PIC24)
        maxRead_ = std::min<std::uint32_t>(value / 3 * 3, 0x2FFF4);
    else
        maxRead_ = std::min<std::uint32_t>(value, 65534);
}

void DeviceReader::readFlash(std::span<std::uint32_t> dest, std::uint32_t start, std::uint32_t end) {
    const Geometry flash{
        Command::ReadFlash,
        device_->wireBytesPerWord(),
        [](const Device& d, std::uint32_t a, std::uint32_t e) {
            if (d.familyId == Family::PIC32) return e - a;
            if (d.familyId == Family::PIC24) return d.bytesInRange(a, e);
            return (e - a) * d.bytesPerAddress;
        },
        [](const Device& d, std::uint32_t n) {
            if (d.familyId == Family::PIC32 || d.familyId == Family::PIC24) return n / d.bytesPerWordFlash;
            return n / d.bytesPerAddress;
        },
        [](const Device& d, std::uint32_t n) { return d.addressUnitsForBytes(n); },
        device_->familyId == Family::PIC32 ? 0x80000000u : 0u,
    };
    read(flash, dest, start, end);
}

void DeviceReader::readEeprom(std::span<std::uint32_t> dest, std::uint32_t start, std::uint32_t end) {
    // One byte per address unit; PIC24 counts in 16-bit words.
    const Geometry eeprom{
        Command::ReadEeprom,
        device_->familyId == Family::PIC24 ? 2u : 1u,
        [](const Device&, std::uint32_t a, std::uint32_t e) { return e - a; },
        [](const Device& d, std::uint32_t n) { return d.familyId == Family::PIC24 ? n / 2 : n; },
        [](const Device&, std::uint32_t n) { return n; },
        0u,
    };
    read(eeprom, dest, start, end);
}

void DeviceReader::read(const Geometry& g, std::span<std::uint32_t> dest, std::uint32_t start,
                        std::uint32_t end) {
    const Device& device = *device_;
    debugLog(fmt::format("[DeviceReader] Reading [{:X} to {:X}) - {} bytes", start, end,
                         g.bytesLeft(device, start, end)));
    if (start >= end) return;

    // A reply fills the entries of its own request: one that comes back short
    // or long must not shift the words of the replies after it.
    auto unpack = [&](const Bytes& reply, std::uint32_t expected, std::size_t firstEntry) {
        if (reply.size() != expected)
            warningLog(fmt::format("[DeviceReader] Received {} bytes, expected {}", reply.size(), expected));
        const auto entries = std::min<std::size_t>(reply.size(), expected) / g.bytesPerEntry;
        for (std::size_t k = 0, entry = firstEntry; k < entries && entry < dest.size(); ++k, ++entry) {
            const auto i = k * g.bytesPerEntry;
            std::uint32_t value = 0;
            for (std::uint32_t b = 0; b < g.bytesPerEntry; ++b)
                value |= static_cast<std::uint32_t>(reply[i + b]) << (8 * b);
            dest[entry] = value;
        }
    };
    auto send = [&](std::uint32_t address, std::uint32_t n) {
        auto request = makeRequest(g.command);
        setAddress(request, address | g.addressFlag);
        setCount16(request, static_cast<std::uint16_t>(g.countFor(device, n)));
        statusLog(fmt::format("[DeviceReader] Reading address: {:X}", address));
        debugLog(fmt::format("[DeviceReader] Reading address: {:X} ({} blocks, {} bytes)", address,
                             n / device.bytesPerWordFlash, n));
        comm_->sendPacket(encodeFrame(request));
    };
    auto receive = [&](std::uint32_t n) {
        return comm_->receivePacket(static_cast<int>(comm_->transmitMillis(2ull * n) + 500), true);
    };

    std::uint32_t address = start;
    std::uint32_t n = std::min(g.bytesLeft(device, start, end), maxRead_);
    std::size_t firstEntry = 0; // of the request in flight
    send(address, n);
    for (;;) {
        const auto step = g.unitsFor(device, n);
        if (step == 0) break; // nothing more can be asked for
        const auto next = address + step;
        if (next >= end) break;
        const auto previous = n;
        const auto previousEntry = firstEntry;
        n = std::min(g.bytesLeft(device, next, end), n);
        const auto reply = receive(previous);
        address = next;
        firstEntry += previous / g.bytesPerEntry;
        send(address, n);
        unpack(reply, previous, previousEntry);
    }
    unpack(receive(n), n, firstEntry);
}

} // namespace AN1310
