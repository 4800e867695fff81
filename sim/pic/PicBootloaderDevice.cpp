#include "PicBootloaderDevice.h"

#include <stdexcept>

namespace sim {

PicBootloaderDevice::PicBootloaderDevice(PicPart part, BootloaderOptions options, std::uint32_t application)
    : chip_(std::move(part)), bootloader_(chip_, options) {
    if (application != 0) chip_.installApplication(bootloader_.bootloaderStart(), application);
    bootloader_.onApplicationStart = [this](PicChip&) { ++appStarts_; };
    bootloader_.powerOn();
}

std::unique_ptr<UartDevice> PicBootloaderDevice::create(const ModelOptions& options) {
    const auto name = options.get("part", "PIC18F2620");
    const auto* part = findPicPart(name);
    if (!part) throw std::invalid_argument("pic-bootloader: unknown part \"" + name + "\"");
    BootloaderOptions boot;
    const bool midRange = part->family == PicFamily::PIC16;
    boot.sendDeviceId = options.number("devid", midRange ? 1 : 0) != 0;
    boot.eraseCommand = options.number("erase", midRange ? 0 : 1) != 0;
    boot.blockExtras = options.number("extras", 0) != 0;
    boot.timing = options.number("timing", 1) != 0;
    boot.major = std::uint8_t(options.number("major", boot.major));
    boot.minor = std::uint8_t(options.number("minor", boot.minor));
    boot.bootloaderStart = std::uint32_t(options.number("bs", part->bootloaderStart));
    boot.bootloaderSize = std::uint32_t(options.number("bsize", part->bootloaderSize));
    if (boot.bootloaderSize > 0xFFFF) throw std::invalid_argument("pic-bootloader: bsize must fit 16 bits");
    const auto app = std::uint32_t(options.number("app", 0));
    if (app != 0 && (app < part->flashStart || app >= part->flashEnd || app % part->unitsPerWord() != 0))
        throw std::invalid_argument("pic-bootloader: app must be a word address in flash");
    return std::make_unique<PicBootloaderDevice>(*part, boot, app);
}

void PicBootloaderDevice::receive(std::span<const std::uint8_t> bytes, Port& port) {
    if (bootloader_.mode() == An1310Bootloader::Mode::Bootloader)
        bootloader_.receive(bytes, port);
    else if (bootloader_.mode() == An1310Bootloader::Mode::Application)
        appBytes_.insert(appBytes_.end(), bytes.begin(), bytes.end());
}

void PicBootloaderDevice::lineChanged(const LineState& before, Port& port) {
    bootloader_.lineChanged(before, port);
}

} // namespace sim
