#pragma once
// The programming modules that can reach a model, as the connect sequences
// list them.
#include "encoders/Registry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantix {

struct ModuleEntry {
    std::uint32_t index = 0; // what the driver's constructor takes
    std::string serial;
    std::string description;
    bool busy = false;     // another program holds it
    bool noAccess = false; // the user may not open it (no udev rule)
};

// The UART modules (the D2XX listing) or the SPI channels.
std::vector<ModuleEntry> listModules(RVX::ModuleLink link);

// "No RVX programming module found", or its SPI form.
const char* noModuleMessage(RVX::ModuleLink link);

} // namespace vantix
