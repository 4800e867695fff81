#include "HexGenerator.h"

#include <array>
#include <bitset>
#include <map>
#include <stdexcept>

namespace tools {

namespace {

struct Family {
    std::uint32_t unitsPerWord; // address units per flash word
    std::uint32_t hexPerUnit;   // HEX bytes per address unit
    std::uint32_t hexPerWord;   // HEX bytes per flash word
    std::uint32_t wordBytes;    // meaningful bytes of a flash word
    std::uint32_t blank;
};

Family family(int id) {
    switch (id) {
    case PIC16:
        return {1, 2, 2, 2, 0x3FFF};
    case PIC18:
        return {2, 1, 2, 2, 0xFFFF};
    case PIC24:
        return {2, 2, 4, 3, 0xFFFFFF};
    case PIC32:
        return {4, 1, 4, 4, 0xFFFFFFFF};
    default:
        throw std::invalid_argument("HEX generator: unsupported family " + std::to_string(id));
    }
}

// A sparse byte image in 256-byte pages, so that runs of a few tens of
// kilobytes cost little and come out in address order.
class SparseImage {
public:
    void set(std::uint32_t address, std::uint8_t value) {
        auto& page = pageAt(address >> 8);
        page.data[address & 0xFF] = value;
        page.used.set(address & 0xFF);
    }
    template <class Emit> void runs(unsigned recordBytes, Emit emit) const {
        // Each record holds contiguous bytes and never crosses a multiple of
        // recordBytes, nor (pages being 256 bytes) a 64 KiB boundary.
        std::array<std::uint8_t, 256> buffer{};
        for (const auto& [index, page] : pages_) {
            std::uint32_t offset = 0;
            while (offset < 256) {
                if (!page.used.test(offset)) {
                    ++offset;
                    continue;
                }
                const std::uint32_t address = (index << 8) | offset;
                std::uint32_t count = 0;
                do {
                    buffer[count++] = page.data[offset++];
                } while (offset < 256 && page.used.test(offset) && count < recordBytes &&
                         ((index << 8) | offset) % recordBytes != 0);
                emit(address, buffer.data(), count);
            }
        }
    }

private:
    struct Page {
        std::array<std::uint8_t, 256> data{};
        std::bitset<256> used;
    };
    Page& pageAt(std::uint32_t index) {
        if (last_ && lastIndex_ == index) return *last_;
        last_ = &pages_[index];
        lastIndex_ = index;
        return *last_;
    }
    std::map<std::uint32_t, Page> pages_;
    Page* last_ = nullptr;
    std::uint32_t lastIndex_ = 0;
};

std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

constexpr char digits[] = "0123456789ABCDEF";

void putByte(std::string& out, std::uint8_t b, unsigned& sum) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 0xF]);
    sum += b;
}

void putRecord(std::string& out, std::uint8_t type, std::uint16_t address, const std::uint8_t* data,
               std::uint32_t count) {
    unsigned sum = 0;
    out.push_back(':');
    putByte(out, std::uint8_t(count), sum);
    putByte(out, std::uint8_t(address >> 8), sum);
    putByte(out, std::uint8_t(address), sum);
    putByte(out, type, sum);
    for (std::uint32_t i = 0; i < count; ++i)
        putByte(out, data[i], sum);
    unsigned ignored = 0;
    putByte(out, std::uint8_t(-sum), ignored);
    out += "\r\n";
}

class Placer {
public:
    Placer(const HexImageRecipe& recipe, SparseImage& image)
        : spec_(recipe), fam_(family(recipe.part.family)), image_(image) {}

    bool inFlash(std::uint32_t address) const {
        return address >= spec_.part.flashStart && address < spec_.part.flashEnd;
    }

    // One flash word at an address unit, in the family's HEX layout.
    void word(std::uint32_t address, std::uint32_t value) {
        const auto hex = address * fam_.hexPerUnit;
        value &= fam_.blank;
        for (std::uint32_t i = 0; i < fam_.hexPerWord; ++i)
            image_.set(hex + i, i < fam_.wordBytes ? std::uint8_t(value >> (8 * i)) : 0);
    }

    void byte(std::uint32_t hexAddress, std::uint8_t value) { image_.set(hexAddress, value); }

    const Family& fam() const { return fam_; }

private:
    const HexImageRecipe& spec_;
    Family fam_;
    SparseImage& image_;
};

void check(bool ok, const char* what) {
    if (!ok) throw std::invalid_argument(std::string("HEX generator: ") + what);
}

} // namespace

std::vector<std::uint32_t> resetJump(int familyId, std::uint32_t entry) {
    switch (familyId) {
    case PIC16:
        return {0x3000 | ((entry >> 8) & 0xFF), 0x008A, 0x2800 | (entry & 0x7FF)};
    case PIC18: {
        const auto word = entry / 2;
        return {0xEF00 | (word & 0xFF), 0xF000 | ((word >> 8) & 0xFFF)};
    }
    case PIC24:
        return {0x040000 | (entry & 0xFFFE), (entry >> 16) & 0x7F};
    case PIC32:
        return {0x08000000 | (((entry | 0x80000000) >> 2) & 0x03FFFFFF), 0x00000000};
    default:
        family(familyId);
        return {};
    }
}

void appendHex(const HexImageRecipe& recipe, std::string& out) {
    const auto& part = recipe.part;
    const auto fam = family(part.family);
    check(part.flashEnd > part.flashStart, "empty flash range");
    check(recipe.recordBytes >= 1 && recipe.recordBytes <= 255, "record length must be 1 to 255 bytes");
    SparseImage image;
    Placer place(recipe, image);

    std::uint64_t state = recipe.seed;
    for (const auto& region : recipe.code) {
        check(region.start % fam.unitsPerWord == 0 && region.end % fam.unitsPerWord == 0,
              "code region not aligned to flash words");
        check(region.start <= region.end && place.inFlash(region.start) &&
                  (region.end == region.start || region.end <= part.flashEnd),
              "code region outside flash");
        std::uint64_t bits = 0;
        int left = 0;
        for (auto a = region.start; a < region.end; a += fam.unitsPerWord) {
            if (left < 32) {
                bits = splitmix(state);
                left = 64;
            }
            auto word = std::uint32_t(bits) & fam.blank;
            bits >>= 32;
            left -= 32;
            if (word == fam.blank) word = 0; // a programmed word, never a blank one
            place.word(a, word);
        }
    }

    if (recipe.resetGoto) {
        const auto entry =
            recipe.entry != 0 || recipe.code.empty() ? recipe.entry : recipe.code.front().start;
        auto a = part.flashStart;
        for (const auto w : resetJump(part.family, entry)) {
            place.word(a, w);
            a += fam.unitsPerWord;
        }
    }

    if (recipe.interruptHandler != 0) {
        check(part.family == PIC24, "interrupt vector tables are for PIC24");
        // IVT [0x04, 0x100) and AIVT [0x104, 0x200), one vector per instruction.
        for (std::uint32_t a = 0x004; a < 0x200; a += 2)
            if (a != 0x100 && a != 0x102) place.word(a, recipe.interruptHandler & 0x7FFFFE);
    }

    for (const auto& block : recipe.blocks) {
        check(place.inFlash(block.address), "block outside flash");
        if (part.family == PIC18 || part.family == PIC32) {
            check(block.bytes.size() <= part.flashEnd - block.address, "block runs past the end of flash");
            for (std::size_t i = 0; i < block.bytes.size(); ++i)
                place.byte(block.address + std::uint32_t(i), block.bytes[i]);
        } else if (part.family == PIC16) {
            check(block.bytes.size() <= part.flashEnd - block.address, "block runs past the end of flash");
            for (std::size_t i = 0; i < block.bytes.size(); ++i)
                place.word(block.address + std::uint32_t(i), 0x3400 | block.bytes[i]); // RETLW k
        } else {
            check(block.address % 2 == 0, "block not aligned to an instruction");
            const auto words = (block.bytes.size() + 2) / 3;
            check(words * 2 <= part.flashEnd - block.address, "block runs past the end of flash");
            for (std::size_t w = 0; w < words; ++w) {
                std::uint32_t value = 0;
                for (std::size_t i = 0; i < 3; ++i)
                    value |= std::uint32_t(3 * w + i < block.bytes.size() ? block.bytes[3 * w + i] : 0xFF)
                             << (8 * i);
                place.word(block.address + std::uint32_t(2 * w), value);
            }
        }
    }

    if (!recipe.eeprom.empty()) {
        const auto size = part.eepromEnd > part.eepromStart ? part.eepromEnd - part.eepromStart : 0;
        check(part.family != PIC32, "PIC32 has no EEPROM");
        check(recipe.eeprom.size() <= size, "EEPROM contents larger than the EEPROM");
        for (std::uint32_t i = 0; i < recipe.eeprom.size(); ++i) {
            switch (part.family) {
            case PIC16: // one byte per word, high byte 0
                place.byte(2 * (part.eepromStart + i), recipe.eeprom[i]);
                place.byte(2 * (part.eepromStart + i) + 1, 0);
                break;
            case PIC24: { // two bytes per 16-bit word, one word per two address units
                const auto hex = 2 * (part.eepromStart + 2 * (i / 2));
                place.byte(hex + i % 2, recipe.eeprom[i]);
                place.byte(hex + 2 + i % 2, 0);
                break;
            }
            default:
                place.byte(part.eepromStart + i, recipe.eeprom[i]);
                break;
            }
        }
    }

    for (const auto& [address, value] : recipe.config) {
        if (part.family == PIC18)
            place.byte(address, std::uint8_t(value));
        else
            place.word(address, value);
    }

    out += ":020000040000FA\r\n";
    std::uint32_t upper = 0;
    image.runs(recipe.recordBytes, [&](std::uint32_t address, const std::uint8_t* data, std::uint32_t count) {
        if (address >> 16 != upper) {
            upper = address >> 16;
            const std::uint8_t ext[] = {std::uint8_t(upper >> 8), std::uint8_t(upper)};
            putRecord(out, 0x04, 0, ext, 2);
        }
        putRecord(out, 0x00, std::uint16_t(address), data, count);
    });
    out += ":00000001FF\r\n";
}

std::string generateHex(const HexImageRecipe& recipe) {
    std::string out;
    appendHex(recipe, out);
    return out;
}

} // namespace tools
