#include "DeviceListing.h"

#include <algorithm>
#include <cstring>

namespace FTDI::libftdi {
namespace {

template <std::size_t N> void copyText(char (&field)[N], const std::string& text) {
    const auto length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

std::vector<ListedInterface> listInterfaces(const std::vector<UsbDevice>& devices) {
    std::vector<ListedInterface> entries;
    for (const auto& device : devices) {
        const auto& chip = chipModel(device.product, device.release);
        for (int index = 0; index < chip.interfaces; ++index) {
            ListedInterface entry;
            entry.device = device;
            entry.interfaceIndex = index;
            entry.chip = &chip;
            entry.info.type = chip.type;
            entry.info.id = std::uint32_t{device.vendor} << 16 | device.product;
            entry.info.locationId = std::uint32_t{device.bus} << 12 | std::uint32_t{device.address} << 4 |
                                    static_cast<std::uint32_t>(index);
            std::string serial = device.serial;
            std::string description = device.description;
            if (chip.interfaces > 1) {
                const char letter = static_cast<char>('A' + index);
                if (!serial.empty()) serial += letter;
                if (!description.empty()) description += std::string(" ") + letter;
            }
            copyText(entry.info.serialNumber, serial);
            copyText(entry.info.description, description);
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

void markHolder(ListedInterface& entry, Holder holder) {
    switch (holder) {
    case Holder::Program:
    case Holder::SerialPort:
        entry.info.flags |= FLAG_OPENED;
        break;
    case Holder::NoAccess:
        // Without access its strings cannot be read anyway.
        copyText(entry.info.description, "No access to this FTDI device: install the udev rule (README)");
        break;
    case Holder::Nobody:
        break;
    }
}

} // namespace FTDI::libftdi
