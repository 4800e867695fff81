#include "Modules.h"

#include "transport/SpiLink.h"
#include "transport/UartLink.h"

#include <cstring>

namespace vantix {

namespace {

// What the libftdi backend writes in place of the strings it may not read.
constexpr std::string_view noAccessDescription = "No access to this FTDI device";

ModuleEntry entry(std::uint32_t index, const FTDI::DeviceInfo& info) {
    ModuleEntry module;
    module.index = index;
    module.serial.assign(info.serialNumber, strnlen(info.serialNumber, sizeof info.serialNumber));
    module.description.assign(info.description, strnlen(info.description, sizeof info.description));
    module.busy = (info.flags & FTDI::FLAG_OPENED) != 0;
    module.noAccess = module.description.starts_with(noAccessDescription);
    return module;
}

} // namespace

std::vector<ModuleEntry> listModules(RVX::ModuleLink link) {
    std::vector<ModuleEntry> modules;
    if (link == RVX::ModuleLink::Spi) {
        const std::uint32_t count = FTDI::spiChannelCount();
        for (std::uint32_t i = 0; i < count; ++i)
            modules.push_back(entry(i, FTDI::spiChannelInfo(i)));
    } else {
        const auto listing = FTDI::listDevices();
        for (std::uint32_t i = 0; i < listing.size(); ++i)
            modules.push_back(entry(i, listing[i]));
    }
    return modules;
}

const char* noModuleMessage(RVX::ModuleLink link) {
    return link == RVX::ModuleLink::Spi ? "No RVX SPI programming module found"
                                        : "No RVX programming module found";
}

} // namespace vantix
