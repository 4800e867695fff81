#pragma once
// The encoder models the bench can put on a module. Each family's model adds
// one entry in Catalog.cpp.
#include "Device.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sim {

struct ModelEntry {
    std::string name; // as written on the command line, e.g. "RVX46"
    bool spi = false; // SPI module instead of UART
    bool inDefaultBench = true;
    std::string summary; // one line for --help
    std::function<std::unique_ptr<UartDevice>(const ModelOptions&)> makeUart;
    std::function<std::unique_ptr<SpiDevice>(const ModelOptions&)> makeSpi;
};

const std::vector<ModelEntry>& catalog();
const ModelEntry* findModel(const std::string& name);

} // namespace sim
