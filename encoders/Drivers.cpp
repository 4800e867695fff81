// The drivers the connect flow can create, by model name. Each driver family
// adds its models here.
#include "Encoder.h"
#include "RVX46_47.h"
#include "RVX63.h"
#include "RVX84_86.h"

#include <functional>
#include <map>

namespace RVX {

namespace {
using Factory = std::function<std::unique_ptr<Encoder>(std::uint32_t)>;

template <class Driver> Factory make() {
    return [](std::uint32_t index) { return std::unique_ptr<Encoder>(std::make_unique<Driver>(index)); };
}

const std::map<std::string, Factory>& drivers() {
    static const std::map<std::string, Factory> table = {
        {"RVX46", make<RVX46>()}, {"RVX47", make<RVX47>()}, {"RVX84", make<RVX84>()},
        {"RVX86", make<RVX86>()}, {"RVX63", make<RVX63>()},
    };
    return table;
}
} // namespace

std::unique_ptr<Encoder> create_encoder(const std::string& model, std::uint32_t moduleIndex) {
    auto it = drivers().find(model);
    if (it == drivers().end()) return nullptr;
    return it->second(moduleIndex);
}

} // namespace RVX
