#include "Session.h"

#include "Outcome.h"
#include "encoders/Registry.h"
#include "flows/Connect.h"

#include <fmt/format.h>

#include <algorithm>
#include <ostream>

namespace vantix::cli {

const RVX::ModelInfo& Session::model(const std::string& name) {
    if (const auto* info = RVX::find_model(name); info && info->create) return *info;
    std::string known;
    for (const auto& info : RVX::models())
        known += (known.empty() ? "" : ", ") + std::string(info.name);
    throw usageError(fmt::format("Unknown encoder \"{}\" (models: {})", name, known));
}

ModuleEntry Session::chooseModule(const std::vector<ModuleEntry>& modules, RVX::ModuleLink link,
                                  const std::optional<std::string>& wanted) {
    if (modules.empty()) throw Failure(EncoderError, noModuleMessage(link));
    if (wanted) {
        const auto bySerial = std::find_if(modules.begin(), modules.end(), [&](const ModuleEntry& module) {
            return module.serial == *wanted;
        });
        if (bySerial != modules.end()) return *bySerial;
        const bool digits = !wanted->empty() && wanted->find_first_not_of("0123456789") == std::string::npos;
        if (digits && wanted->size() < 6 && std::stoul(*wanted) < modules.size())
            return modules[std::stoul(*wanted)];
        throw usageError(fmt::format("No programming module \"{}\": give an index from 0 to {} or a serial "
                                     "number (rvx-vantix-cli list shows them)",
                                     *wanted, modules.size() - 1));
    }
    if (modules.size() == 1) return modules.front();
    // As the window does: the user at a terminal picks one.
    std::vector<std::string> lines;
    for (const auto& module : modules)
        lines.push_back(
            fmt::format("{:<16}  {:<6}  {}", module.serial, moduleState(module), module.description));
    if (const auto chosen = conversation_.choose("Select programming module", lines)) return modules[*chosen];
    throw usageError(fmt::format("{} programming modules found: choose one with -d INDEX or -d SERIAL "
                                 "(rvx-vantix-cli list shows them)",
                                 modules.size()));
}

Connection Session::connect(const Target& target) {
    const auto& info = model(target.model);
    return connect(info.name, chooseModule(info.link, target.module));
}

Connection Session::connect(const std::string& model, const ModuleEntry& module) {
    Connection connection;
    connection.module = module;
    connection.encoder = RVX::create_encoder(model, module.index);
    if (!connection.encoder) throw usageError(fmt::format("Unknown encoder \"{}\"", model));
    auto& encoder = *connection.encoder;
    int reads = 0;
    readSettingsOrRestore(encoder, conversation_, [&] {
        ++reads;
        connection.datecode = encoder.datecode();
        connection.firmware = encoder.firmware_version();
        connection.settings = readSettings(encoder);
    });
    connection.restored = reads > 1;
    return connection;
}

void Session::print(const Json& document) {
    out_ << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n" << std::flush;
}

std::string moduleState(const ModuleEntry& module) {
    if (module.noAccess) return "no-permission";
    return module.busy ? "busy" : "free";
}

Json moduleJson(const ModuleEntry& module) {
    return Json{{"index", module.index},
                {"serial", module.serial},
                {"description", module.description},
                {"state", moduleState(module)}};
}

std::string partOf(RVX::Encoder& encoder) {
    return encoder.part_number ? encoder.part_number : encoder.name();
}

} // namespace vantix::cli
