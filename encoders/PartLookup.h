#pragma once
// The row of a part table whose model code matches, or null.
#include <algorithm>
#include <cstdint>
#include <iterator>

namespace RVX {

template <class Parts> auto find_part(const Parts& parts, std::uint8_t code) {
    const auto it = std::find_if(std::begin(parts), std::end(parts),
                                 [code](const auto& part) { return part.model_code == code; });
    return it == std::end(parts) ? nullptr : &*it;
}

} // namespace RVX
