#include "Catalog.h"

#include "Loopback.h"
#include "blockloader/BlockBootloaderDevice.h"
#include "models/rvx46_47/Rvx46Line.h"
#include "models/rvx48/Rvx48.h"
#include "models/rvx62_69/Rvx62Models.h"
#include "models/rvx63/Rvx63.h"
#include "models/rvx64/Rvx64.h"
#include "models/rvx65_68/Rvx65Models.h"
#include "pic/PicBootloaderDevice.h"

namespace sim {

namespace {
ModelOptions withDefault(ModelOptions options, const std::string& key, const std::string& value) {
    if (!options.has(key)) options.set(key, value);
    return options;
}
} // namespace

const std::vector<ModelEntry>& catalog() {
    // One entry per encoder model the bench can simulate; families add theirs.
    static const std::vector<ModelEntry> entries = {
        {"echo", false, false, "loopback device: answers every byte with the same byte",
         [](const ModelOptions&) { return std::make_unique<Loopback>(); }, nullptr},
        {"spi-echo", true, false, "SPI loopback: each frame answers the previous frame's byte", nullptr,
         [](const ModelOptions&) { return std::make_unique<SpiLoopback>(); }},
        {"RVX63", true, true,
         "RVX63 absolute encoder, SPI, 12-bit (fw, code, station, datecode, date, resolution, waits, rpm, "
         "position, boot)",
         nullptr, [](const ModelOptions& o) { return std::make_unique<Rvx63>(o); }},
        {"RVX46", false, true, "RVX46 incremental encoder, UART, AN1310 bootloader (" RVX46_LINE_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<Rvx46Line>(Rvx46Line::rvx46, o); }, nullptr},
        {"RVX47", false, true, "RVX47 incremental encoder, UART, AN1310 bootloader (" RVX46_LINE_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<Rvx46Line>(Rvx46Line::rvx47, o); }, nullptr},
        {"RVX84", false, true,
         "RVX84 commutation encoder, UART, AN1310 bootloader (" RVX46_LINE_OPTIONS ", poles, ccw)",
         [](const ModelOptions& o) { return std::make_unique<Rvx46Line>(Rvx46Line::rvx84, o); }, nullptr},
        {"RVX86", false, true,
         "RVX86 commutation encoder, UART, AN1310 bootloader (" RVX46_LINE_OPTIONS ", poles, ccw)",
         [](const ModelOptions& o) { return std::make_unique<Rvx46Line>(Rvx46Line::rvx86, o); }, nullptr},
        {"RVX46-oldfw", false, true,
         "RVX46 running firmware 0x14, older than the latest carried (update offer)",
         [](const ModelOptions& o) {
             return std::make_unique<Rvx46Line>(Rvx46Line::rvx46, withDefault(o, "fw", "0x14"));
         },
         nullptr},
        {"RVX65", false, true,
         "RVX65 absolute encoder, RS-485, UART, AN1310 bootloader; default part RVX652E, selectable baud "
         "rate "
         "(" TERSE_LINE_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<TerseEncoder>(rvx65Model, o); }, nullptr},
        {"RVX65-oldfw", false, true,
         "RVX65 part RVX652B (fixed 2000000 baud) running firmware 0x15 (update offer)",
         [](const ModelOptions& o) {
             return std::make_unique<TerseEncoder>(
                 rvx65Model, withDefault(withDefault(o, "part", "RVX652B"), "fw", "0x15"));
         },
         nullptr},
        {"RVX68", false, true, "RVX68 absolute encoder, UART, AN1310 bootloader (" TERSE_LINE_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<TerseEncoder>(rvx68Model, o); }, nullptr},
        {"RVX68-oldfw", false, true,
         "RVX68 running firmware 0x10, older than the latest carried (update offer)",
         [](const ModelOptions& o) {
             return std::make_unique<TerseEncoder>(rvx68Model, withDefault(o, "fw", "0x10"));
         },
         nullptr},
        {"RVX62", false, true,
         "RVX62 absolute encoder, UART, silent EEPROM writes, AN1310 bootloader (" TERSE_LINE_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<TerseEncoder>(rvx62Model, o); }, nullptr},
        {"RVX69", false, true,
         "RVX69 absolute encoder, UART, silent EEPROM writes, AN1310 bootloader (" TERSE_LINE_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<TerseEncoder>(rvx69Model, o); }, nullptr},
        {"RVX69-oldfw", false, true,
         "RVX69 running firmware 0x03, older than the latest carried (update offer)",
         [](const ModelOptions& o) {
             return std::make_unique<TerseEncoder>(rvx69Model, withDefault(o, "fw", "0x03"));
         },
         nullptr},
        {"RVX48", false, true, "RVX48 incremental encoder, UART, block bootloader (" RVX48_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<Rvx48>(o); }, nullptr},
        {"RVX48-oldfw", false, true, "RVX48 running firmware 3, older than the latest carried (update offer)",
         [](const ModelOptions& o) { return std::make_unique<Rvx48>(withDefault(o, "fw", "3")); }, nullptr},
        {"RVX64", false, true, "RVX64 absolute encoder, RS-485, block bootloader (" RVX64_OPTIONS ")",
         [](const ModelOptions& o) { return std::make_unique<Rvx64>(o); }, nullptr},
        {"RVX64-oldfw", false, true, "RVX64 running firmware 6, older than the latest carried (update offer)",
         [](const ModelOptions& o) { return std::make_unique<Rvx64>(withDefault(o, "fw", "6")); }, nullptr},
        {"pic-bootloader", false, false,
         "bare PIC with the AN1310 bootloader (part, devid, erase, extras, major, minor, bs, bsize, app, "
         "timing)",
         PicBootloaderDevice::create, nullptr},
        {"block-bootloader", false, false,
         "bare chip with the block bootloader at 2000000 baud (rows, app, " BLOCK_BOOT_OPTIONS ")",
         BlockBootloaderDevice::create, nullptr},
    };
    return entries;
}

const ModelEntry* findModel(const std::string& name) {
    for (const auto& entry : catalog())
        if (entry.name == name) return &entry;
    return nullptr;
}

} // namespace sim
