#pragma once
// FTDI's status numbering, shared by the D2XX-style and MPSSE-SPI-style calls.
#include <cstdint>

namespace FTDI {

using Status = std::uint32_t;

enum : Status {
    OK = 0,
    INVALID_HANDLE = 1,
    DEVICE_NOT_FOUND = 2,
    DEVICE_NOT_OPENED = 3,
    IO_ERROR = 4,
    INSUFFICIENT_RESOURCES = 5,
    INVALID_PARAMETER = 6,
    INVALID_BAUD_RATE = 7,
    DEVICE_NOT_OPENED_FOR_ERASE = 8,
    DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FAILED_TO_WRITE_DEVICE = 10,
    EEPROM_READ_FAILED = 11,
    EEPROM_WRITE_FAILED = 12,
    EEPROM_ERASE_FAILED = 13,
    EEPROM_NOT_PRESENT = 14,
    EEPROM_NOT_PROGRAMMED = 15,
    INVALID_ARGS = 16,
    NOT_SUPPORTED = 17,
    OTHER_ERROR = 18,
    DEVICE_LIST_NOT_READY = 19,
};

} // namespace FTDI
