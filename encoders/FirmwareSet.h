#pragma once
// The firmware images the program carries for the AN1310 models, looked up by
// model and by each family's own key. Which images are carried, and under
// which key, is listed in firmware/manifest.txt.
#include "Encoder.h"

#include <cstdint>
#include <string_view>

namespace RVX::firmware {

// The image of `model` ("RVX46", ...) under `key`; empty when none is carried.
FirmwareImage find(std::string_view model, std::uint32_t key);

// Number of images carried for a model.
std::size_t count(std::string_view model);

// True when the carried images were generated for the simulated bench rather
// than taken from the maker's folder; such an image must never reach a real
// encoder.
bool simulation_images();

// Keys of the RVX84/RVX86 images: resolution, pole count and direction.
constexpr std::uint32_t commutation_key(std::uint16_t resolution, std::uint8_t poles, bool counterClockwise) {
    return static_cast<std::uint32_t>(resolution) * 256 + static_cast<std::uint32_t>(poles) * 2 +
           (counterClockwise ? 1 : 0);
}

} // namespace RVX::firmware
