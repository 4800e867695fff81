#include "An1310Bootloader.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t STX = 0x0F, ETX = 0x04, DLE = 0x05;

// CRC-16/XMODEM, bit by bit as a small bootloader computes it.
std::uint16_t crcStep(std::uint16_t crc, std::uint8_t byte) {
    crc ^= std::uint16_t(byte << 8);
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
    return crc;
}

std::uint32_t le32(std::span<const std::uint8_t> p, std::size_t at) {
    return std::uint32_t(p[at]) | std::uint32_t(p[at + 1]) << 8 | std::uint32_t(p[at + 2]) << 16 |
           std::uint32_t(p[at + 3]) << 24;
}

std::uint32_t le16(std::span<const std::uint8_t> p, std::size_t at) {
    return std::uint32_t(p[at]) | std::uint32_t(p[at + 1]) << 8;
}

std::chrono::microseconds micros(std::uint64_t us) {
    return std::chrono::microseconds(us);
}

} // namespace

An1310Bootloader::An1310Bootloader(PicChip& chip, BootloaderOptions options)
    : chip_(chip), options_(options) {
    const auto& part = chip_.part();
    start_ = options_.bootloaderStart != 0xFFFFFFFF ? options_.bootloaderStart : part.bootloaderStart;
    size_ = options_.bootloaderSize != 0xFFFFFFFF ? options_.bootloaderSize : part.bootloaderSize;
    if (part.family != PicFamily::PIC16)
        options_.eraseCommand = true; // only mid-range bootloaders may lack it
    if (size_ != 0 && chip_.isBlank(start_, start_ + size_)) chip_.installBootloader(start_, size_);
}

std::uint32_t An1310Bootloader::capabilities() const {
    return (options_.eraseCommand ? 0x001u : 0u) | (options_.blockExtras ? 0x100u : 0u);
}

std::vector<std::uint8_t> An1310Bootloader::infoBlock() const {
    const auto caps = capabilities();
    std::vector<std::uint8_t> block = {
        std::uint8_t(size_),
        std::uint8_t(size_ >> 8),
        options_.major,
        options_.minor,
        std::uint8_t(caps),
        std::uint8_t((std::uint8_t(chip_.part().family) & 0x0F) | ((caps >> 8) & 0x0F) << 4),
        std::uint8_t(start_),
        std::uint8_t(start_ >> 8),
        std::uint8_t(start_ >> 16),
        std::uint8_t(start_ >> 24),
    };
    if (options_.sendDeviceId) {
        block.push_back(std::uint8_t(chip_.part().deviceId));
        block.push_back(std::uint8_t(chip_.part().deviceId >> 8));
    }
    return block;
}

void An1310Bootloader::powerOn() {
    startAfterReset(false);
}

void An1310Bootloader::startAfterReset(bool breakHeld) {
    inPacket_ = escaped_ = discarding_ = false;
    buffer_.clear();
    if (!breakHeld && chip_.hasValidApplication(start_)) {
        mode_ = Mode::Application;
        if (onApplicationStart) onApplicationStart(chip_);
    } else {
        mode_ = Mode::Bootloader;
    }
}

void An1310Bootloader::lineChanged(const LineState& before, Port& port) {
    const auto& line = port.line();
    if (line.rts && !before.rts) {
        mode_ = Mode::Reset;
        port.discardPending();
        inPacket_ = escaped_ = discarding_ = false;
        buffer_.clear();
        if (onReset) onReset();
    } else if (!line.rts && before.rts) {
        startAfterReset(line.breakOn);
    } else if (line.breakOn && !before.breakOn && mode_ == Mode::Bootloader) {
        // A break is a framing error to the UART: whatever packet was coming is lost.
        inPacket_ = escaped_ = discarding_ = false;
        buffer_.clear();
    }
}

void An1310Bootloader::receive(std::span<const std::uint8_t> bytes, Port& port) {
    if (mode_ != Mode::Bootloader || port.line().breakOn) return;
    const auto limit = chip_.part().packetBuffer(options_.blockExtras);
    for (const auto byte : bytes) {
        if (!inPacket_ && !discarding_) {
            if (byte == STX) {
                sync(port);
                ++stats_.syncs;
                inPacket_ = true;
                escaped_ = false;
                buffer_.clear();
            } else {
                ++stats_.junk;
            }
            continue;
        }
        if (escaped_) {
            escaped_ = false;
        } else if (byte == DLE) {
            escaped_ = true;
            continue;
        } else if (byte == STX) { // the host starts over
            sync(port);
            ++stats_.syncs;
            inPacket_ = true;
            discarding_ = false;
            buffer_.clear();
            continue;
        } else if (byte == ETX) {
            const bool complete = inPacket_;
            inPacket_ = discarding_ = false;
            if (complete) handlePacket(port);
            continue;
        }
        if (discarding_) continue;
        buffer_.push_back(byte);
        if (buffer_.size() > limit) {
            ++stats_.overflows;
            inPacket_ = false;
            discarding_ = true;
            buffer_.clear();
        }
    }
}

void An1310Bootloader::reply(Port& port, std::span<const std::uint8_t> payload, bool withChecksum,
                             std::chrono::microseconds delay) {
    std::vector<std::uint8_t> frame;
    frame.reserve(payload.size() * 2 + 6);
    auto put = [&frame](std::uint8_t b) {
        if (b == STX || b == ETX || b == DLE) frame.push_back(DLE);
        frame.push_back(b);
    };
    std::uint16_t crc = 0;
    for (const auto b : payload) {
        put(b);
        crc = crcStep(crc, b);
    }
    if (withChecksum) {
        put(std::uint8_t(crc));
        put(std::uint8_t(crc >> 8));
    }
    frame.push_back(ETX);
    if (!options_.timing) delay = std::chrono::microseconds{0};
    busyUntil_ = port.now() + delay;
    port.send(frame, delay);
}

void An1310Bootloader::sync(Port& port) {
    // The chip answers only once it has finished the request before.
    const auto now = port.now();
    const auto wait = busyUntil_ > now
                          ? std::chrono::duration_cast<std::chrono::microseconds>(busyUntil_ - now)
                          : std::chrono::microseconds{0};
    port.send({STX}, wait);
}

void An1310Bootloader::handlePacket(Port& port) {
    if (buffer_.size() < 3) {
        ++stats_.badChecksums;
        return;
    }
    const std::span<const std::uint8_t> p(buffer_.data(), buffer_.size() - 2);
    std::uint16_t crc = 0;
    for (const auto b : p)
        crc = crcStep(crc, b);
    if (crc != le16(buffer_, buffer_.size() - 2)) {
        ++stats_.badChecksums;
        return;
    }
    const auto code = p[0];
    const auto size = p.size();
    const bool wellFormed = (code == 0x00 && size == 1) || (code == 0x01 && size == 7) ||
                            (code == 0x02 && size == 7) || (code == 0x03 && size == 6) ||
                            (code == 0x04 && size >= 6) || (code == 0x05 && size == 7) ||
                            (code == 0x06 && size >= 7) || (code == 0x0B && size == 1);
    if (code > 0x06 && !(code == 0x0B && chip_.part().family == PicFamily::PIC32)) {
        ++stats_.unknownCommands;
        return;
    }
    if (!wellFormed) {
        ++stats_.malformed;
        return;
    }
    bool done = true;
    switch (code) {
    case 0x00:
        reply(port, infoBlock(), true);
        break;
    case 0x01:
        readFlash(p, port);
        break;
    case 0x02:
        checksumBlocks(p, port);
        break;
    case 0x03:
        done = eraseBlocks(p, port);
        break;
    case 0x04:
        done = writeBlocks(p, port);
        break;
    case 0x05:
        done = readEeprom(p, port);
        break;
    case 0x06:
        done = writeEeprom(p, port);
        break;
    case 0x0B:
        eraseProgramFlash(port);
        break;
    }
    if (!done) return; // refused as a whole: no reply
    ++stats_.packets;
    ++stats_.requests[code];
}

std::uint32_t An1310Bootloader::physical(std::uint32_t address) const {
    // PIC32 takes kernel-segment aliases of its physical addresses.
    return chip_.part().family == PicFamily::PIC32 ? address & 0x1FFFFFFF : address;
}

bool An1310Bootloader::isProtected(std::uint32_t start, std::uint32_t end, bool erasing) const {
    const auto& part = chip_.part();
    auto overlaps = [&](std::uint32_t a, std::uint32_t b) { return a < b && start < b && a < end; };
    if (size_ != 0 && overlaps(start_, start_ + size_)) return true;
    if (part.configInsideFlash()) {
        const auto block =
            part.flashStart + (part.configStart - part.flashStart) / part.eraseBlock * part.eraseBlock;
        if (overlaps(block, part.flashEnd)) return true;
    }
    // The family-5 vector page holds the bootloader's reset jump and vectors:
    // never erased, rewritten in place by the bootloader itself.
    if (erasing && part.family == PicFamily::PIC24 &&
        overlaps(part.flashStart, part.flashStart + std::max(part.eraseBlock, 512u)))
        return true;
    return false;
}

bool An1310Bootloader::blockAllowed(std::uint32_t start, std::uint32_t end, bool erasing) {
    const auto& part = chip_.part();
    if (start < part.flashStart || end > part.flashEnd || end <= start) {
        ++stats_.outOfRange;
        return false;
    }
    if (isProtected(start, end, erasing)) {
        ++stats_.protectedHits;
        return false;
    }
    return true;
}

void An1310Bootloader::readFlash(std::span<const std::uint8_t> p, Port& port) {
    const auto bytes = chip_.read(physical(le32(p, 1)), le16(p, 5));
    reply(port, bytes, true);
}

void An1310Bootloader::checksumBlocks(std::span<const std::uint8_t> p, Port& port) {
    const auto& part = chip_.part();
    const auto start = physical(le32(p, 1));
    const auto blocks = le16(p, 5);
    std::vector<std::uint8_t> sums;
    std::uint16_t crc = 0; // runs on from block to block
    for (std::uint32_t k = 0; k < blocks; ++k) {
        const auto block = start + k * part.eraseBlock;
        for (auto a = block; a < block + part.eraseBlock; a += part.unitsPerWord()) {
            const auto word = chip_.flashWord(a) & part.blankWord();
            for (std::uint32_t i = 0; i < part.bytesPerWord(); ++i)
                crc = crcStep(crc, std::uint8_t(word >> (8 * i)));
        }
        sums.push_back(std::uint8_t(crc));
        sums.push_back(std::uint8_t(crc >> 8));
    }
    reply(port, sums, false);
}

bool An1310Bootloader::eraseBlocks(std::span<const std::uint8_t> p, Port& port) {
    const auto& part = chip_.part();
    const auto top = physical(le32(p, 1));
    const auto count = p[5];
    if (top < part.flashStart || (top - part.flashStart) % part.eraseBlock != 0) {
        ++stats_.malformed;
        return false;
    }
    // Downward from the block at the address.
    for (std::uint32_t k = 0; k < count; ++k) {
        const auto offset = std::uint64_t(k) * part.eraseBlock;
        if (offset > top) {
            ++stats_.outOfRange;
            continue;
        }
        const auto block = top - std::uint32_t(offset);
        if (blockAllowed(block, block + part.eraseBlock, true)) chip_.eraseBlock(block);
    }
    const std::uint8_t ack[] = {0x03};
    reply(port, ack, true, micros(std::uint64_t(count) * part.eraseMicros));
    return true;
}

bool An1310Bootloader::writeBlocks(std::span<const std::uint8_t> p, Port& port) {
    const auto& part = chip_.part();
    const auto start = physical(le32(p, 1));
    const auto count = p[5];
    const auto data = p.subspan(6);
    // With capability bit 8 each block may carry its 16 extra bytes; a packet
    // without them (an image that has none) holds plain blocks. The count is
    // the number of write blocks either way.
    const bool withExtras = options_.blockExtras && data.size() == count * (part.writeBlockBytes() + 16u);
    const std::size_t perBlock = part.writeBlockBytes() + (withExtras ? 16 : 0);
    if (start < part.flashStart || (start - part.flashStart) % part.writeBlock != 0 || count == 0 ||
        data.size() != count * perBlock) {
        ++stats_.malformed;
        return false;
    }
    const auto vectorPageEnd = part.flashStart + std::max(part.eraseBlock, 512u);
    for (std::uint32_t k = 0; k < count; ++k) {
        const auto block = start + k * part.writeBlock;
        const auto bytes = data.subspan(k * perBlock, part.writeBlockBytes());
        if (withExtras)
            std::copy_n(data.begin() + k * perBlock + part.writeBlockBytes(), 16, extras_[block].begin());
        if (!blockAllowed(block, block + part.writeBlock, false)) continue;
        // A bootloader without an erase command erases each row before writing
        // it; the family-5 vector page is never erased by the host, so the
        // bootloader rewrites it in place.
        const bool replace = (part.family == PicFamily::PIC16 && !options_.eraseCommand) ||
                             (part.family == PicFamily::PIC24 && block < vectorPageEnd);
        chip_.programBlock(block, bytes, replace);
    }
    const std::uint8_t ack[] = {0x04};
    reply(port, ack, true, micros(std::uint64_t(count) * part.writeMicros));
    return true;
}

bool An1310Bootloader::eepromOffset(std::uint32_t address, std::uint32_t count, std::uint32_t& offset) {
    const auto& part = chip_.part();
    // The chip's EEPROM address register holds only the offset; the host may
    // send it bare or at the EEPROM's place in the HEX address space.
    offset = address >= part.eepromStart ? address - part.eepromStart : address;
    if (chip_.eepromSize() == 0 || offset > chip_.eepromSize() || count > chip_.eepromSize() - offset) {
        ++stats_.outOfRange;
        return false;
    }
    return true;
}

bool An1310Bootloader::readEeprom(std::span<const std::uint8_t> p, Port& port) {
    const auto count = le16(p, 5) * (chip_.part().family == PicFamily::PIC24 ? 2 : 1);
    std::uint32_t offset = 0;
    if (!eepromOffset(le32(p, 1), count, offset)) return false;
    const auto ee = chip_.eepromData().subspan(offset, count);
    reply(port, ee, true);
    return true;
}

bool An1310Bootloader::writeEeprom(std::span<const std::uint8_t> p, Port& port) {
    const auto count = le16(p, 5);
    const auto data = p.subspan(7);
    std::uint32_t offset = 0;
    if (data.size() != count) {
        ++stats_.malformed;
        return false;
    }
    if (!eepromOffset(le32(p, 1), count, offset)) return false;
    chip_.programEeprom(offset, data);
    const std::uint8_t ack[] = {0x06};
    reply(port, ack, true, micros(std::uint64_t(count) * chip_.part().eepromByteMicros));
    return true;
}

void An1310Bootloader::eraseProgramFlash(Port& port) {
    const auto& part = chip_.part();
    for (auto block = part.flashStart; block < part.flashEnd; block += part.eraseBlock)
        if (!isProtected(block, block + part.eraseBlock, true)) chip_.eraseBlock(block);
    const std::uint8_t ack[] = {0x0B};
    reply(port, ack, true, micros(part.eraseMicros));
}

} // namespace sim
