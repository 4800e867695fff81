#include "DeviceWriter.h"

#include "Log.h"

#include <algorithm>
#include <chrono>
#include <fmt/format.h>

namespace AN1310 {

namespace {
void appendWord(Bytes& out, std::uint32_t word, std::uint32_t bytes) {
    for (std::uint32_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
}
} // namespace

void DeviceWriter::erase(std::uint32_t start, std::uint32_t end) {
    const Device& d = *device_;
    const auto ebs = d.eraseBlockSize;
    if (d.familyId == Family::PIC32 && start == d.flashStart && end == d.flashEnd)
        comm_->transact(encodeFrame(makeRequest(Command::PrepareFullErase)), 5, 1000);

    const bool command = d.supportsEraseCommand();
    std::uint32_t perRequest = 4;
    if (!command) {
        const auto room = std::max<std::int64_t>(d.maxPacketSize() - 6, 0);
        perRequest = static_cast<std::uint32_t>(room / (std::int64_t(ebs) * d.bytesPerAddress));
        perRequest = std::max<std::uint32_t>(perRequest, 1);
    }

    for (auto a = end; a > start;) {
        auto k = perRequest;
        if (a - start <= std::uint64_t(k) * ebs) k = (a - start) / ebs;
        if (k == 0) break; // less than a block left: the range was not aligned
        statusLog(fmt::format("[DeviceWriter] Erasing address: {:X}", a - ebs));
        Bytes request;
        if (command) {
            request = makeRequest(Command::EraseFlash);
            setAddress(request, a - ebs);
            setCount8(request, static_cast<std::uint8_t>(k));
        } else {
            // No erase command: write the blocks full of blank words instead.
            const auto from = a - k * ebs;
            request = makeRequest(Command::WriteFlash);
            setAddress(request, from);
            setCount8(request, static_cast<std::uint8_t>(k * ebs / d.writeBlockSize));
            const auto unitsPerWord = d.bytesPerAddress == 2 ? 1u : 2u;
            for (auto w = from; w < a; w += unitsPerWord)
                appendWord(request, d.blankFlashWord, 2);
        }
        comm_->transact(encodeFrame(request), 5, 1000);
        a -= k * ebs;
    }
}

void DeviceWriter::eraseRanges(const RangeList& ranges) {
    RangeList merged;
    for (const auto& range : ranges) {
        if (!merged.empty() && merged.back().end == range.start)
            merged.back().end = range.end;
        else
            merged.push_back(range);
    }
    for (const auto& range : merged) {
        statusLog(fmt::format("[DeviceWriter] Erasing ({:X} to {:X}]", range.end, range.start));
        erase(range.start, range.end);
    }
}

Bytes DeviceWriter::writeRequest(const DeviceData& image, Range range) const {
    const Device& d = *device_;
    auto request = makeRequest(Command::WriteFlash);
    setAddress(request, range.start);
    const auto step = d.addressUnitsPerInstruction();
    const auto wordBytes = d.wireBytesPerWord();
    const bool extras = d.capabilityBit8();
    std::uint32_t dataBytes = 0;
    for (auto a = range.start; a < range.end; a += step) {
        appendWord(request, image.flashWord(a), wordBytes);
        dataBytes += wordBytes;
        const auto next = a + step;
        if (extras && next % d.writeBlockSize == 0) {
            const auto block = (next - 1) / d.writeBlockSize;
            if (const auto extra = image.blockExtras.find(block); extra != image.blockExtras.end())
                request.insert(request.end(), extra->second.begin(), extra->second.end());
        }
    }
    std::uint32_t blocks;
    if (d.familyId == Family::PIC24)
        blocks = (dataBytes / d.bytesPerWordFlash * d.bytesPerAddress) / d.writeBlockSize;
    else
        blocks = dataBytes / (d.writeBlockSize * d.bytesPerAddress);
    setCount8(request, static_cast<std::uint8_t>(blocks));
    return request;
}

void DeviceWriter::writeFlash(const DeviceData& image, std::uint32_t start, std::uint32_t end) {
    const auto plan = planner_.writePlan(start, end, image);
    debugLog("[DeviceWriter] Write Plan:");
    for (const auto& range : plan.erase)
        debugLog(fmt::format("[DeviceWriter]   Erase ({:X} - {:X}]", range.end, range.start));
    for (const auto& range : plan.write)
        debugLog(fmt::format("[DeviceWriter]   Write [{:X} - {:X}) ({} bytes)", range.start, range.end,
                             device_->bytesInRange(range.start, range.end)));

    if (device_->supportsEraseCommand())
        for (const auto& range : plan.erase)
            erase(range.start, range.end);

    for (const auto& range : plan.write) {
        const auto request = writeRequest(image, range);
        const auto dataBytes = request.size() - 6;
        debugLog(fmt::format("[DeviceWriter] Writing [{:X} - {:X}) with {} bytes ({} blocks)", range.start,
                             range.end, dataBytes, request[5]));
        statusLog(fmt::format("[DeviceWriter] Writing address: {:X}", range.start));
        comm_->sendPacket(encodeFrame(request));
        // Up to 15 checks 100 ms apart would allow 1.5 s; the reply is taken as
        // soon as its first two bytes are here.
        comm_->link().waitForQueue(2, std::chrono::milliseconds(1500));
        comm_->receivePacket(100, true);
    }
}

void DeviceWriter::writeEeprom(std::span<const std::uint32_t> entries, std::uint32_t start,
                               std::uint32_t end) {
    const Device& d = *device_;
    // 7 header and 2 checksum bytes; at least one byte per request.
    const auto maxWrite =
        static_cast<std::uint32_t>(std::clamp<std::int64_t>(d.maxPacketSize() - 9, 1, 0xFFFF));
    debugLog(fmt::format("[DeviceWriter] Writing {:X} to {:X} ({} bytes)", start, end, end - start));
    debugLog(fmt::format("[DeviceWriter] maxWrite: {}", maxWrite));

    const auto step = d.eepromAddressStep;
    for (auto a = start; a < end;) {
        statusLog(fmt::format("[DeviceWriter] Writing address: {:X}", a));
        const auto first = (a - d.eepromStart) / step;
        const auto bytes = std::min(maxWrite, (end - a + step - 1) / step);
        auto request = makeRequest(Command::WriteEeprom);
        setAddress(request, a);
        setCount16(request, static_cast<std::uint16_t>(bytes));
        for (std::uint32_t i = 0; i < bytes; ++i) {
            const auto index = first + i;
            request.push_back(static_cast<std::uint8_t>(index < entries.size() ? entries[index] : 0xFF));
        }
        debugLog(fmt::format("[DeviceWriter] Writing {:X} with {} bytes", a, bytes));
        comm_->transact(encodeFrame(request), 1, 8 * bytes);
        a += bytes * step;
    }
}

} // namespace AN1310
