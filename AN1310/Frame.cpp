#include "Frame.h"

#include "Crc16.h"

namespace AN1310 {

namespace {
void putEscaped(Bytes& out, std::uint8_t byte) {
    if (byte == STX || byte == ETX || byte == DLE) out.push_back(DLE);
    out.push_back(byte);
}

std::size_t layoutLength(Command command) {
    switch (command) {
    case Command::ReadFlash:
    case Command::ReadFlashCrc:
    case Command::ReadEeprom:
    case Command::WriteEeprom:
        return 7; // code, address, 16-bit count
    case Command::EraseFlash:
    case Command::WriteFlash:
        return 6; // code, address, 8-bit count
    case Command::ReadBootInfo:
    case Command::PrepareFullErase:
        break;
    }
    return 1;
}
} // namespace

Bytes encodeFrame(const Bytes& payload) {
    Bytes frame;
    frame.reserve(payload.size() + payload.size() / 8 + 6);
    frame.push_back(STX);
    for (auto byte : payload)
        putEscaped(frame, byte);
    const auto crc = crc16(payload);
    putEscaped(frame, static_cast<std::uint8_t>(crc & 0xFF));
    putEscaped(frame, static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(ETX);
    return frame;
}

Bytes makeRequest(Command command) {
    Bytes request(layoutLength(command), 0);
    request[0] = static_cast<std::uint8_t>(command);
    return request;
}

void setAddress(Bytes& request, std::uint32_t address) {
    for (int i = 0; i < 4; ++i)
        request.at(1 + i) = static_cast<std::uint8_t>(address >> (8 * i));
}

void setCount8(Bytes& request, std::uint8_t count) {
    request.at(5) = count;
}

void setCount16(Bytes& request, std::uint16_t count) {
    request.at(5) = static_cast<std::uint8_t>(count & 0xFF);
    request.at(6) = static_cast<std::uint8_t>(count >> 8);
}

} // namespace AN1310
