#pragma once
// CRC-16/XMODEM (polynomial 0x1021, initial 0, not reflected): the checksum of
// bootloader packets and of the bootloader's flash block checksums.
#include <cstdint>
#include <span>

namespace AN1310 {

std::uint16_t crc16Update(std::uint16_t crc, std::uint8_t byte);
std::uint16_t crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

} // namespace AN1310
