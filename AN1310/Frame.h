#pragma once
// Bootloader packets on the wire: control bytes, framing with escapes and
// checksum, and the request payloads the host sends.
#include <cstdint>
#include <vector>

namespace AN1310 {

using Bytes = std::vector<std::uint8_t>;

enum Control : std::uint8_t { STX = 0x0F, ETX = 0x04, DLE = 0x05 };

enum class Command : std::uint8_t {
    ReadBootInfo = 0x00,
    ReadFlash = 0x01,
    ReadFlashCrc = 0x02,
    EraseFlash = 0x03,
    WriteFlash = 0x04,
    ReadEeprom = 0x05,
    WriteEeprom = 0x06,
    PrepareFullErase = 0x0B, // PIC32, before erasing the whole flash
};

// STX, escaped payload, escaped CRC (low byte first), ETX.
Bytes encodeFrame(const Bytes& payload);

// A request payload of the command's layout length: code in byte 0, zeros
// elsewhere. Data, where there is any, is appended behind.
Bytes makeRequest(Command command);
void setAddress(Bytes& request, std::uint32_t address);
void setCount8(Bytes& request, std::uint8_t count);
void setCount16(Bytes& request, std::uint16_t count);

} // namespace AN1310
