#include "BlockBootloaderDevice.h"

#include <stdexcept>

namespace sim {

BlockBootloaderDevice::BlockBootloaderDevice(std::size_t rows, BlockBootOptions options, bool withApplication)
    : chip_(rows), bootloader_(chip_, std::move(options)) {
    if (withApplication) chip_.install(factoryImage(rows));
    bootloader_.powerOn();
}

std::unique_ptr<UartDevice> BlockBootloaderDevice::create(const ModelOptions& options) {
    const auto rows = options.number("rows", 113);
    if (rows < 1 || rows > 2048) throw std::invalid_argument("block-bootloader: rows must be from 1 to 2048");
    return std::make_unique<BlockBootloaderDevice>(static_cast<std::size_t>(rows), blockBootOptions(options),
                                                   options.number("app", 1) != 0);
}

Bytes BlockBootloaderDevice::factoryImage(std::size_t rows) {
    Bytes image(rows * BlockChip::rowBytes);
    for (std::size_t word = 0; word < image.size() / 2; ++word) {
        // MOVLP 0, GOTO 0x0010: past the vectors; then made-up code.
        const std::uint16_t value = word == 0   ? 0x3180
                                    : word == 1 ? 0x2810
                                                : static_cast<std::uint16_t>((word * 0x2A7 + 0x155) & 0x3FFF);
        image[2 * word] = static_cast<std::uint8_t>(value >> 8);
        image[2 * word + 1] = static_cast<std::uint8_t>(value);
    }
    return image;
}

void BlockBootloaderDevice::receive(std::span<const std::uint8_t> bytes, Port& port) {
    bootloader_.receive(bytes, port); // the application ignores the line
}

void BlockBootloaderDevice::lineChanged(const LineState& before, Port& port) {
    bootloader_.lineChanged(before, port);
}

} // namespace sim
