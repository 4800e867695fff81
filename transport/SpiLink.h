#pragma once
// One MPSSE SPI channel of an RVX-LINK module; every byte is its own
// chip-select frame.
#include "FtdiException.h"
#include "FtdiPlatform.h"

#include <cstdint>

namespace FTDI {

// The program's one channel configuration: 1 MHz, latency 10 ms, mode 0,
// chip select on ADBUS3 active low. Kept modifiable because init writes the
// pin field back.
extern ChannelConfig spiChannelConfig;

std::uint32_t spiChannelCount();
DeviceInfo spiChannelInfo(std::uint32_t index);

class SpiLink {
public:
    SpiLink(std::uint32_t channelIndex, ChannelConfig* config = &spiChannelConfig);
    ~SpiLink();
    SpiLink(const SpiLink&) = delete;
    SpiLink& operator=(const SpiLink&) = delete;

    // Options 6 (bytes, chip select around the transfer) is what the program uses.
    std::uint8_t transfer(std::uint8_t out, std::uint32_t options = SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE |
                                                                    SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE);

private:
    Handle handle_ = nullptr;
};

} // namespace FTDI

using FTDI::SpiLink;
