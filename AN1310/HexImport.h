#pragma once
// Intel HEX text into a memory image, and the preparation of that image for
// the bootloader: the reset jump moved so that a reset enters the bootloader,
// and (PIC24) the interrupt vectors routed through the bootloader's table.
#include "DeviceData.h"

#include <istream>

namespace AN1310 {

class DeviceReader;

// False only when the stream is already failed; malformed numbers throw the
// standard library's invalid-argument / out-of-range errors.
bool importHex(DeviceData& image, std::istream& hex);

bool hasResetGoto(const Device& device, const DeviceData& image);
void remapResetVector(const Device& device, DeviceData& image);
// PIC24: reads the chip's vector tables once through `reader`.
void remapInterruptVectors(DeviceReader& reader, DeviceData& image);

} // namespace AN1310
