#include "Device.h"

#include <stdexcept>

namespace sim {

std::string ModelOptions::get(const std::string& key, const std::string& fallback) const {
    auto it = values_.find(key);
    return it == values_.end() ? fallback : it->second;
}

long long ModelOptions::number(const std::string& key, long long fallback) const {
    auto it = values_.find(key);
    if (it == values_.end()) return fallback;
    const std::string& text = it->second;
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used, 0);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    throw std::invalid_argument("option " + key + " needs a number, not \"" + text + "\"");
}

} // namespace sim
