#include "PicChip.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace sim {

namespace {

std::uint32_t littleEndian(const std::uint8_t* bytes, std::uint32_t count) {
    std::uint32_t value = 0;
    for (std::uint32_t i = count; i-- > 0;)
        value = (value << 8) | bytes[i];
    return value;
}

unsigned hexByte(std::string_view line, std::size_t at) {
    if (at + 2 > line.size()) throw std::invalid_argument("HEX record too short");
    unsigned value = 0;
    for (std::size_t i = at; i < at + 2; ++i) {
        const char c = line[i];
        value <<= 4;
        if (c >= '0' && c <= '9')
            value |= unsigned(c - '0');
        else if (c >= 'A' && c <= 'F')
            value |= unsigned(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            value |= unsigned(c - 'a' + 10);
        else
            throw std::invalid_argument("HEX record with a non-hexadecimal digit");
    }
    return value;
}

} // namespace

PicChip::PicChip(PicPart part) : part_(std::move(part)) {
    const auto words = (part_.flashEnd - part_.flashStart) / part_.unitsPerWord();
    // Erased flash: the blank word's bytes, low first, repeated. A bench
    // makes whole chips often, so the first word is copied over the rest in
    // doubling runs rather than worked out byte by byte.
    const std::size_t width = part_.bytesPerWord();
    flash_.resize(std::size_t(words) * width);
    if (!flash_.empty()) {
        for (std::size_t b = 0; b < width; ++b)
            flash_[b] = std::uint8_t(part_.blankWord() >> (8 * b));
        for (std::size_t done = width; done < flash_.size(); done *= 2)
            std::copy_n(flash_.begin(), std::min(done, flash_.size() - done), flash_.begin() + done);
    }
    eeprom_.assign(part_.eepromSize(), 0xFF);

    for (const auto& [address, value] : part_.configDefaults) {
        if (inFlash(address))
            setFlashWord(address, value);
        else
            special_[address] = value;
    }
    const std::uint32_t id = part_.deviceId, rev = part_.revision;
    switch (part_.family) {
    case PicFamily::PIC16:
        special_[0x2006] = (id << 5) | (rev & 0x1F);
        for (std::uint32_t a = part_.userIdStart; a < part_.userIdEnd; ++a)
            special_[a] = 0x3FFF;
        break;
    case PicFamily::PIC18:
        special_[0x3FFFFE] = ((id << 5) | (rev & 0x1F)) & 0xFF;
        special_[0x3FFFFF] = (id << 5) >> 8;
        for (std::uint32_t a = part_.userIdStart; a < part_.userIdEnd; ++a)
            special_[a] = 0xFF;
        break;
    case PicFamily::PIC24:
        special_[0xFF0000] = id;
        special_[0xFF0002] = rev;
        break;
    case PicFamily::PIC32:
        special_[0x1F80F220] = (rev << 20) | ((id & 0xFF) << 12) | 0x053;
        break;
    default:
        break;
    }
}

std::size_t PicChip::flashOffset(std::uint32_t address) const {
    return std::size_t((address - part_.flashStart) / part_.unitsPerWord()) * part_.bytesPerWord();
}

std::uint32_t PicChip::flashWord(std::uint32_t address) const {
    if (!inFlash(address)) return part_.blankWord();
    return littleEndian(&flash_[flashOffset(address)], part_.bytesPerWord());
}

void PicChip::setFlashWord(std::uint32_t address, std::uint32_t value) {
    if (!inFlash(address)) throw std::out_of_range("address outside flash");
    value &= part_.blankWord();
    const auto offset = flashOffset(address);
    for (std::uint32_t i = 0; i < part_.bytesPerWord(); ++i)
        flash_[offset + i] = std::uint8_t(value >> (8 * i));
}

bool PicChip::isBlank(std::uint32_t start, std::uint32_t end) const {
    for (auto a = start; a < end; a += part_.unitsPerWord())
        if (flashWord(a) != part_.blankWord()) return false;
    return true;
}

std::vector<std::uint8_t> PicChip::flashBytes(std::uint32_t start, std::uint32_t end) const {
    const auto unit = part_.unitsPerWord(), width = part_.bytesPerWord();
    std::vector<std::uint8_t> bytes;
    for (auto a = start; a < end; a += unit) {
        if (inFlash(a)) {
            // Flash is held as these very bytes: the run inside it is one copy.
            // Firmware models read their whole flash on every start.
            const auto words = (std::min(end, part_.flashEnd) - a + unit - 1) / unit;
            const auto from = flash_.begin() + static_cast<std::ptrdiff_t>(flashOffset(a));
            bytes.insert(bytes.end(), from, from + static_cast<std::ptrdiff_t>(words * width));
            a += (words - 1) * unit;
            continue;
        }
        const auto word = flashWord(a);
        for (std::uint32_t i = 0; i < width; ++i)
            bytes.push_back(std::uint8_t(word >> (8 * i)));
    }
    return bytes;
}

void PicChip::eraseBlock(std::uint32_t address) {
    if (!inFlash(address)) return;
    const auto start = part_.flashStart + (address - part_.flashStart) / part_.eraseBlock * part_.eraseBlock;
    for (auto a = start; a < start + part_.eraseBlock && a < part_.flashEnd; a += part_.unitsPerWord())
        setFlashWord(a, part_.blankWord());
}

void PicChip::programBlock(std::uint32_t address, std::span<const std::uint8_t> bytes, bool replace) {
    if (!inFlash(address)) return;
    const auto offset = flashOffset(address);
    for (std::size_t i = 0; i < bytes.size() && offset + i < flash_.size(); ++i) {
        // Unimplemented bits of a 14-bit word read back as 0.
        const std::uint8_t mask = part_.family == PicFamily::PIC16 && (offset + i) % 2 == 1 ? 0x3F : 0xFF;
        auto& cell = flash_[offset + i];
        if (worn_.count((offset + i) / part_.bytesPerWord())) continue;
        cell = replace ? std::uint8_t(bytes[i] & mask) : std::uint8_t(cell & bytes[i] & mask);
    }
}

void PicChip::programEeprom(std::uint32_t offset, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size() && offset + i < eeprom_.size(); ++i)
        if (!wornEeprom_.count(static_cast<std::uint32_t>(offset + i))) eeprom_[offset + i] = bytes[i];
}

std::uint32_t PicChip::readGranuleBytes() const {
    return part_.family == PicFamily::PIC18 ? 1 : part_.bytesPerWord();
}
std::uint32_t PicChip::readGranuleUnits() const {
    return part_.family == PicFamily::PIC18 ? 1 : part_.unitsPerWord();
}

std::optional<std::uint32_t> PicChip::specialWord(std::uint32_t address) const {
    const auto it = special_.find(address);
    if (it == special_.end()) return std::nullopt;
    return it->second;
}

std::vector<std::uint8_t> PicChip::read(std::uint32_t address, std::uint32_t granules) const {
    const auto width = readGranuleBytes(), step = readGranuleUnits();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t(granules) * width);
    for (std::uint32_t g = 0; g < granules; ++g) {
        const std::uint32_t a = address + g * step;
        std::uint32_t value = 0;
        if (inFlash(a)) {
            if (part_.family == PicFamily::PIC18) {
                bytes.push_back(flash_[a - part_.flashStart]);
                continue;
            }
            value = flashWord(a);
        } else if (const auto word = specialWord(a)) {
            value = *word;
        }
        for (std::uint32_t i = 0; i < width; ++i)
            bytes.push_back(std::uint8_t(value >> (8 * i)));
    }
    return bytes;
}

bool PicChip::hasValidApplication(std::uint32_t bootloaderStart) const {
    return applicationEntry(bootloaderStart).has_value();
}

std::optional<std::uint32_t> PicChip::applicationEntry(std::uint32_t bs) const {
    const auto blank = part_.blankWord();
    std::optional<std::uint32_t> entry;
    const bool savedJump = part_.family != PicFamily::PIC32 && bs > part_.flashStart + 5 && inFlash(bs - 1);
    if (!savedJump) {
        if (flashWord(part_.flashStart) != blank) entry = part_.flashStart;
    } else if (part_.family == PicFamily::PIC16) {
        // CLRF PCLATH, MOVLW high, MOVWF PCLATH, GOTO low: the jump the host saved.
        std::uint32_t high = 0;
        for (auto a = bs - 5; a < bs && !entry; ++a) {
            const auto w = flashWord(a);
            if ((w & 0x3F00) == 0x3000) high = w & 0xFF;
            if ((w & 0x3800) == 0x2800) entry = ((high & 0x18) << 8) | (w & 0x7FF);
        }
    } else {
        const auto w0 = flashWord(bs - 4), w1 = flashWord(bs - 2);
        if (part_.family == PicFamily::PIC24) {
            if ((w0 & 0xFF0001) == 0x040000 && (w1 & 0xFFFF80) == 0)
                entry = ((w1 & 0x7F) << 16) | (w0 & 0xFFFE);
        } else if ((w0 & 0xFF00) == 0xEF00 && (w1 & 0xF000) == 0xF000) {
            entry = (((w1 & 0xFFF) << 8) | (w0 & 0xFF)) * 2;
        }
    }
    // A jump into blank flash or out of flash starts nothing.
    if (entry && (!inFlash(*entry) || flashWord(*entry) == blank)) return std::nullopt;
    return entry;
}

void PicChip::installBootloader(std::uint32_t start, std::uint32_t size) {
    if (size == 0 || !inFlash(start)) return;
    std::uint32_t code = 0x1D3F;
    for (auto a = start; a < start + size && a < part_.flashEnd; a += part_.unitsPerWord()) {
        code = code * 1103515245u + 12345u;
        auto word = (code >> 8) & part_.blankWord();
        if (word == part_.blankWord()) word = 0;
        setFlashWord(a, word);
    }
    // The reset vector enters the bootloader.
    switch (part_.family) {
    case PicFamily::PIC16:
        setFlashWord(0, 0x3000 | (((start + 3) >> 8) & 0xFF));
        setFlashWord(1, 0x008A);
        setFlashWord(2, 0x2800 | ((start + 3) & 0x7FF));
        break;
    case PicFamily::PIC18: {
        const auto t = (start + 2) / 2;
        setFlashWord(0, 0xEF00 | (t & 0xFF));
        setFlashWord(2, 0xF000 | ((t >> 8) & 0xFFF));
        break;
    }
    case PicFamily::PIC24:
        setFlashWord(0, 0x040000 | (start & 0xFFFE));
        setFlashWord(2, (start >> 16) & 0x7F);
        // The bootloader's interrupt vectors all lead to one slot after the AIVT,
        // where the host places a jump to the application's handler.
        for (std::uint32_t a = 0x004; a < 0x200; a += 2)
            if (a != 0x100 && a != 0x102) setFlashWord(a, 0x000200);
        break;
    default:
        break;
    }
}

void PicChip::installApplication(std::uint32_t bs, std::uint32_t entry) {
    // A few words of code at the entry, then the family's start jump.
    for (std::uint32_t i = 0; i < 8; ++i)
        setFlashWord(entry + i * part_.unitsPerWord(), 0x0000);
    const bool savedJump = part_.family != PicFamily::PIC32 && bs > part_.flashStart + 5 && inFlash(bs - 1);
    if (!savedJump) {
        // The bootloader starts the first word of flash: a jump to the entry (MIPS J, PIC32).
        if (entry != part_.flashStart)
            setFlashWord(part_.flashStart, 0x08000000 | (((entry | 0x80000000) >> 2) & 0x03FFFFFF));
        return;
    }
    switch (part_.family) {
    case PicFamily::PIC16:
        setFlashWord(bs - 5, 0x018A); // CLRF PCLATH
        setFlashWord(bs - 4, 0x3000 | ((entry >> 8) & 0xFF));
        setFlashWord(bs - 3, 0x008A);
        setFlashWord(bs - 2, 0x2800 | (entry & 0x7FF));
        break;
    case PicFamily::PIC24:
        setFlashWord(bs - 4, 0x040000 | (entry & 0xFFFE));
        setFlashWord(bs - 2, (entry >> 16) & 0x7F);
        break;
    default:
        setFlashWord(bs - 4, 0xEF00 | ((entry / 2) & 0xFF));
        setFlashWord(bs - 2, 0xF000 | ((entry / 2 >> 8) & 0xFFF));
        break;
    }
}

void PicChip::programHex(std::string_view text) {
    std::uint32_t extended = 0;
    const auto bpw = part_.bytesPerWord();
    auto setByte = [&](std::uint32_t h, std::uint8_t value) {
        std::uint32_t address = h, lane = 0;
        switch (part_.family) {
        case PicFamily::PIC16:
            address = h / 2, lane = h % 2;
            break;
        case PicFamily::PIC24:
            address = h / 4 * 2, lane = h % 4;
            break;
        case PicFamily::PIC18:
            break;
        default:
            address = h & ~3u, lane = h % 4;
            break;
        }
        if (part_.family == PicFamily::PIC24 && lane == 3) return; // phantom byte
        if (inFlash(address)) {
            if (part_.family == PicFamily::PIC18)
                flash_[address - part_.flashStart] = value;
            else {
                auto word = flashWord(address);
                word = (word & ~(0xFFu << (8 * lane))) | (std::uint32_t(value) << (8 * lane));
                setFlashWord(address, word);
            }
            return;
        }
        if (part_.eepromSize() && address >= part_.eepromStart && address < part_.eepromEnd) {
            if (lane == 0) eeprom_[address - part_.eepromStart] = value;
            return;
        }
        const bool config = address >= part_.configStart && address < part_.configEnd;
        const bool user = address >= part_.userIdStart && address < part_.userIdEnd;
        if (config || user) {
            auto word = specialWord(address).value_or(0);
            if (lane < bpw) word = (word & ~(0xFFu << (8 * lane))) | (std::uint32_t(value) << (8 * lane));
            special_[address] = word;
        }
    };
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        auto line = text.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        if (line.empty()) continue;
        if (line[0] != ':') throw std::invalid_argument("HEX line without ':'");
        const unsigned count = hexByte(line, 1);
        const unsigned address = hexByte(line, 3) << 8 | hexByte(line, 5);
        const unsigned type = hexByte(line, 7);
        if (line.size() != 11 + 2 * std::size_t(count))
            throw std::invalid_argument("HEX record of wrong length");
        unsigned sum = 0;
        for (std::size_t i = 1; i + 1 < line.size(); i += 2)
            sum += hexByte(line, i);
        if (sum & 0xFF) throw std::invalid_argument("HEX record with a bad checksum");
        if (type == 0x01) return;
        if (type == 0x04 && count == 2)
            extended = (hexByte(line, 9) << 8 | hexByte(line, 11)) << 16;
        else if (type == 0x02 && count == 2)
            extended = (hexByte(line, 9) << 8 | hexByte(line, 11)) << 4;
        else if (type == 0x00)
            for (unsigned i = 0; i < count; ++i)
                setByte(extended + address + i, std::uint8_t(hexByte(line, 9 + 2 * i)));
    }
}

} // namespace sim
