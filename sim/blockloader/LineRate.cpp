#include "LineRate.h"

namespace sim {

Bytes throughRate(std::span<const std::uint8_t> bytes, std::uint32_t sentBaud, std::uint32_t receivedBaud) {
    const std::uint64_t sent = sentBaud, received = receivedBaud;
    if (sent == 0 || received == 0) return {};
    if ((sent > received ? sent - received : received - sent) * 100 <= 3 * received)
        return Bytes(bytes.begin(), bytes.end());

    // Time counts in units of 1 / (2 * sent * received) seconds, so that both
    // bit times and half a received bit are whole numbers.
    const std::uint64_t sentBit = 2 * received, receivedBit = 2 * sent, half = sent;
    const std::uint64_t bits = 10 * bytes.size();
    const auto levelOfBit = [&](std::uint64_t bit) {
        if (bit >= bits) return true; // idle line
        const auto position = bit % 10;
        if (position == 0) return false; // start bit
        if (position == 9) return true;  // stop bit
        return ((bytes[bit / 10] >> (position - 1)) & 1) != 0;
    };
    const auto levelAt = [&](std::uint64_t t) { return levelOfBit(t / sentBit); };

    Bytes out;
    std::uint64_t t = 0;
    bool waitForHigh = false;
    for (;;) {
        std::uint64_t bit = t / sentBit;
        if (waitForHigh) {
            while (bit < bits && !levelOfBit(bit))
                ++bit;
            t = std::max(t, bit * sentBit);
        }
        while (bit < bits && levelOfBit(bit))
            ++bit;
        if (bit >= bits) break;
        const std::uint64_t start = std::max(t, bit * sentBit);
        std::uint8_t byte = 0;
        for (unsigned k = 0; k < 8; ++k)
            if (levelAt(start + (k + 1) * receivedBit + half)) byte |= static_cast<std::uint8_t>(1u << k);
        t = start + 9 * receivedBit + half;
        waitForHigh = !levelAt(t);
        out.push_back(byte);
    }
    return out;
}

} // namespace sim
