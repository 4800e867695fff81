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

// Whether another program holds the interface: a probe open that leaves the
// kernel driver alone and fails to claim. A claim refused only because
// ftdi_sio is bound does not count, since opening takes the interface from it.
bool heldElsewhere(Usb& usb, const ListedInterface& entry);

} // namespace FTDI::libftdi
