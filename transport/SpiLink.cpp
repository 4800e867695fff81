#include "SpiLink.h"

namespace FTDI {

ChannelConfig spiChannelConfig = {
    1000000, // 1 MHz
    10,      // latency timer, ms
    0x20,    // mode 0, chip select on ADBUS3, active low
    0,       0,
};

namespace {
void check(Status status, const char* message) {
    if (status != OK) throw Exception(message, status);
}

void checkIndex(std::uint32_t index) {
    std::uint32_t count = 0;
    check(platform().spiGetNumChannels(count),
          "Unable to get number of FTDI SPI channels: SPI_GetNumChannels failed");
    if (index >= count) throw Exception("FTDI SPI device not found", OTHER_ERROR);
}
} // namespace

std::uint32_t spiChannelCount() {
    std::uint32_t count = 0;
    check(platform().spiGetNumChannels(count),
          "Unable to get number of FTDI SPI channels: SPI_GetNumChannels failed");
    return count;
}

DeviceInfo spiChannelInfo(std::uint32_t index) {
    checkIndex(index);
    DeviceInfo info;
    check(platform().spiGetChannelInfo(index, info),
          "Unable to get FTDI SPI channel info: SPI_GetChannelInfo failed");
    return info;
}

SpiLink::SpiLink(std::uint32_t channelIndex, ChannelConfig* config) {
    checkIndex(channelIndex);
    check(platform().spiOpenChannel(channelIndex, handle_),
          "Unable to open FTDI SPI device: SPI_OpenChannel failed");
    if (const Status status = platform().spiInitChannel(handle_, config); status != OK) {
        // A failed construction must leave no channel open.
        platform().spiCloseChannel(handle_);
        handle_ = nullptr;
        throw Exception("Unable to initialize FTDI SPI device: SPI_InitChannel failed", status);
    }
}

SpiLink::~SpiLink() {
    if (handle_) platform().spiCloseChannel(handle_);
}

std::uint8_t SpiLink::transfer(std::uint8_t out, std::uint32_t options) {
    std::uint8_t in = 0;
    std::uint32_t transferred = 0;
    check(platform().spiReadWrite(handle_, &in, &out, 1, transferred, options),
          "Unable to transfer to FTDI SPI device: SPI_ReadWrite failed");
    if (transferred != 1)
        throw Exception("Unable to transfer to FTDI SPI device: SPI_ReadWrite did not receive response",
                        OTHER_ERROR);
    return in;
}

} // namespace FTDI
