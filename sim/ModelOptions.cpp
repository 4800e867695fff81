#include "Device.h"

#include <sstream>
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

namespace {

template <class T>
[[noreturn]] void outOfRange(const std::string& key, T low, T high, const std::string& text) {
    std::ostringstream message;
    message << "option " << key << " must be from " << low << " to " << high << ", not \"" << text << "\"";
    throw std::invalid_argument(message.str());
}

} // namespace

long long ModelOptions::number(const std::string& key, long long fallback, long long low,
                               long long high) const {
    const long long value = number(key, fallback);
    if (value < low || value > high) outOfRange(key, low, high, get(key));
    return value;
}

double ModelOptions::real(const std::string& key, double fallback, double low, double high) const {
    auto it = values_.find(key);
    if (it == values_.end()) return fallback;
    const std::string& text = it->second;
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::out_of_range&) {
        outOfRange(key, low, high, text);
    } catch (const std::exception&) {
    }
    if (used == 0 || used != text.size())
        throw std::invalid_argument("option " + key + " needs a number, not \"" + text + "\"");
    if (!(value >= low && value <= high)) outOfRange(key, low, high, text); // nan fails both
    return value;
}

} // namespace sim
