#include "DeviceVerifier.h"

#include "Crc16.h"
#include "Log.h"

#include <fmt/format.h>

namespace AN1310 {

std::uint16_t DeviceVerifier::blockChecksum(const DeviceData* image, std::uint32_t start,
                                            std::uint16_t seed) const {
    const Device& d = *device_;
    const auto step = d.addressUnitsPerInstruction();
    const auto bytes = d.wireBytesPerWord();
    std::uint16_t crc = seed;
    for (auto a = start; a < start + d.eraseBlockSize; a += step) {
        const auto word = (image ? image->flashWord(a) : d.blankFlashWord) & d.blankFlashWord;
        for (std::uint32_t i = 0; i < bytes; ++i)
            crc = crc16Update(crc, static_cast<std::uint8_t>(word >> (8 * i)));
    }
    return crc;
}

bool DeviceVerifier::verify(const DeviceData& image, std::uint32_t start, std::uint32_t end) {
    const Device& d = *device_;
    eraseNeeded_.clear();
    rewriteNeeded_.clear();
    failures_ = 0;

    RangeList ranges{{start, end}};
    if (const auto block = d.configEraseBlock()) ranges = subtractRange(ranges, *block);
    ranges = subtractRange(ranges, {d.bootloaderStart, d.bootloaderEnd});

    for (const auto& range : ranges) {
        const auto blocks = (range.end - range.start) / d.eraseBlockSize;
        if (blocks == 0) continue;
        debugLog(fmt::format("[DeviceVerifier] CRC verify [{:X} - {:X})", range.start, range.end));
        auto request = makeRequest(Command::ReadFlashCrc);
        setAddress(request, range.start | (d.familyId == Family::PIC32 ? 0x80000000u : 0u));
        setCount16(request, static_cast<std::uint16_t>(blocks));
        comm_->sendPacket(encodeFrame(request));
        const auto reply = comm_->receiveRaw();
        if (reply.size() != 2 * blocks)
            warningLog(
                fmt::format("[DeviceVerifier] Received {} bytes but expected {}", reply.size(), 2 * blocks));

        std::uint16_t seed = 0;
        for (std::uint32_t i = 0; i < blocks; ++i) {
            const auto blockStart = range.start + i * d.eraseBlockSize;
            const auto blockEnd = blockStart + d.eraseBlockSize;
            const auto expected = blockChecksum(&image, blockStart, seed);
            // A block the reply does not cover counts as failed; the chain
            // then goes on from what the block should have given.
            const bool reported = 2 * i + 1 < reply.size();
            const std::uint16_t got =
                reported ? static_cast<std::uint16_t>(reply[2 * i] | (reply[2 * i + 1] << 8)) : 0;
            if (!reported || got != expected) {
                const auto empty = blockChecksum(nullptr, blockStart, seed);
                const bool shouldBeEmpty = expected == empty;
                (shouldBeEmpty ? eraseNeeded_ : rewriteNeeded_).push_back({blockStart, blockEnd});
                debugLog(fmt::format(
                    "[DeviceVerifier] Expected {:X} but got {:X} for CRC on block [{:X} - {:X}) - {}",
                    expected, got, blockStart, blockEnd, shouldBeEmpty ? "Erase Needed" : "Re-write Needed"));
                ++failures_;
                statusLog(fmt::format("[DeviceVerifier] Verify failed in address range {:X} - {:X}",
                                      blockStart, blockEnd));
            }
            seed = reported ? got : expected;
        }
    }
    return failures_ == 0;
}

} // namespace AN1310
