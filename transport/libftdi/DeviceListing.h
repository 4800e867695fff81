#pragma once
// The USB devices as D2XX lists them: one record per interface, so a dual or
// quad chip appears two or four times, with the interface letter appended to
// its description and serial number.
#include "ChipModels.h"
#include "UsbSeam.h"

#include <compare>
#include <vector>

namespace FTDI::libftdi {

struct InterfaceKey {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    int interfaceIndex = 0;
    auto operator<=>(const InterfaceKey&) const = default;
};

struct ListedInterface {
    UsbDevice device;
    int interfaceIndex = 0; // 0 = A
    const ChipModel* chip = nullptr;
    DeviceInfo info; // flags and handle are the caller's to fill in

    InterfaceKey key() const { return {device.bus, device.address, interfaceIndex}; }
    bool runsMpsse() const { return (chip->mpsseInterfaces >> interfaceIndex) & 1; }
};

std::vector<ListedInterface> listInterfaces(const std::vector<UsbDevice>& devices);

// Marks an interface someone else holds as opened, and names one we may not
// open as such (the connect dialog shows the description, not "<busy>").
void markHolder(ListedInterface& entry, Holder holder);

} // namespace FTDI::libftdi
