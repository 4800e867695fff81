// One entry per encoder model. A new model adds its line here and its driver
// family's folder; nothing else in the program names it.
#include "encoders/Registry.h"

#include "encoders/WebHost.h"
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx48/RVX48.h"
#include "encoders/rvx62_69/RVX62_69.h"
#include "encoders/rvx63/RVX63.h"
#include "encoders/rvx64/RVX64.h"
#include "encoders/rvx65_68/RVX65_68.h"
#include "encoders/rvx84_86/RVX84_86.h"

#include <algorithm>

namespace RVX {

namespace {
template <class Driver> std::unique_ptr<Encoder> make(std::uint32_t moduleIndex) {
    return std::make_unique<Driver>(moduleIndex);
}

#define DATASHEET(file) RVX_MAKER_WEB_HOST "/product/resource/" file

constexpr ModelInfo table[] = {
    {"RVX46", ModelKind::Incremental, ModuleLink::Uart, "RVX46", DATASHEET("rvx46.pdf"), make<RVX46>},
    {"RVX48", ModelKind::Incremental, ModuleLink::Uart, "RVX48", DATASHEET("rvx48.pdf"), make<RVX48>},
    {"RVX47", ModelKind::Incremental, ModuleLink::Uart, "RVX47", DATASHEET("rvx47.pdf"), make<RVX47>},
    {"RVX63", ModelKind::Absolute, ModuleLink::Spi, "RVX63", DATASHEET("rvx63.pdf"), make<RVX63>},
    {"RVX65", ModelKind::Absolute, ModuleLink::Uart, "RVX65", DATASHEET("rvx65.pdf"), make<RVX65>},
    {"RVX62", ModelKind::Absolute, ModuleLink::Uart, "RVX62", DATASHEET("rvx62.pdf"), make<RVX62>},
    {"RVX68", ModelKind::Absolute, ModuleLink::Uart, "RVX68", DATASHEET("rvx68.pdf"), make<RVX68>},
    {"RVX64", ModelKind::Absolute, ModuleLink::Uart, "RVX64", DATASHEET("rvx64.pdf"), make<RVX64>},
    {"RVX69", ModelKind::Absolute, ModuleLink::Uart, "RVX69", DATASHEET("rvx69.pdf"), make<RVX69>},
    {"RVX84", ModelKind::Commutation, ModuleLink::Uart, "RVX84", DATASHEET("rvx84.pdf"), make<RVX84>},
    {"RVX86", ModelKind::Commutation, ModuleLink::Uart, "RVX86", DATASHEET("rvx86.pdf"), make<RVX86>},
};
} // namespace

std::span<const ModelInfo> models() {
    return table;
}

const ModelInfo* find_model(std::string_view name) {
    const auto it = std::find_if(std::begin(table), std::end(table),
                                 [&](const ModelInfo& model) { return name == model.name; });
    return it == std::end(table) ? nullptr : &*it;
}

const char* datasheet_of(std::string_view model) {
    const auto* info = find_model(model);
    return info ? info->datasheet_url : "";
}

std::unique_ptr<Encoder> create_encoder(const std::string& model, std::uint32_t moduleIndex) {
    const auto* info = find_model(model);
    if (!info || !info->create) return nullptr;
    return info->create(moduleIndex);
}

} // namespace RVX
