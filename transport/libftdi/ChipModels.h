#pragma once
// What differs between the FTDI chips the backend lists: D2XX type code,
// number of interfaces, which of them run MPSSE and at what base clock.
#include <cstdint>

namespace FTDI::libftdi {

// D2XX's chip type codes, as the device list reports them.
enum : std::uint32_t {
    DEVICE_BM = 0,
    DEVICE_AM = 1,
    DEVICE_100AX = 2,
    DEVICE_UNKNOWN = 3,
    DEVICE_2232C = 4,
    DEVICE_232R = 5,
    DEVICE_2232H = 6,
    DEVICE_4232H = 7,
    DEVICE_232H = 8,
    DEVICE_X_SERIES = 9,
};

constexpr std::uint16_t FTDI_VENDOR = 0x0403;

struct ChipModel {
    std::uint16_t product;
    std::uint16_t release; // bcdDevice; 0 matches any release not listed before
    std::uint32_t type;
    int interfaces;
    std::uint8_t mpsseInterfaces; // bit n set: interface n (0 = A) can run MPSSE
    std::uint32_t mpsseClockHz;   // base of the clock divisor (H chips: divide-by-5 switched off)
    bool highSpeed;               // understands the H-only clock commands
    std::uint16_t hostBuffer;     // bytes the chip holds for the host: the most one SPI piece may clock in
};

const ChipModel& chipModel(std::uint16_t product, std::uint16_t release);

} // namespace FTDI::libftdi
