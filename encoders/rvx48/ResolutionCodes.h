#pragma once
// The RVX48's resolutions: the code the encoder takes after "RF" (one hex
// digit) and reports as 0xF0 + code, and the order the user is offered them in.
#include <array>
#include <cstdint>
#include <optional>

namespace RVX::rvx48 {

// Resolution in pulses per revolution of each code 0x0 to 0xF.
inline constexpr std::array<std::uint16_t, 16> resolutionOfCode = {
    96, 200, 250, 512, 192, 400, 500, 1024, 384, 800, 1000, 2048, 768, 1600, 2000, 4096};

inline constexpr std::array<std::uint64_t, 16> offeredResolutions = {
    96, 192, 200, 250, 384, 400, 500, 512, 768, 800, 1000, 1024, 1600, 2000, 2048, 4096};

inline std::optional<std::uint8_t> codeOfResolution(std::uint16_t resolution) {
    for (std::uint8_t code = 0; code < resolutionOfCode.size(); ++code)
        if (resolutionOfCode[code] == resolution) return code;
    return std::nullopt;
}

} // namespace RVX::rvx48
