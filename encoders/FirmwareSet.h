#pragma once
// The firmware images the program carries, looked up by model and by each
// family's own key (the family's folder packs it). Which images are carried,
// in which format and under which key, is listed in firmware/manifest.txt.
#include "encoders/Encoder.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace RVX::firmware {

// A binary program-memory image for the block bootloader.
using BinaryImage = std::span<const std::uint8_t>;

// The Intel HEX image of `model` under `key`; empty when none is carried.
FirmwareImage hex(std::string_view model, std::uint32_t key);
// The binary image of `model` under `key`; empty when none is carried.
BinaryImage binary(std::string_view model, std::uint32_t key);

// Number of images carried for a model.
std::size_t count(std::string_view model);

// True when the carried images were generated for the simulated bench rather
// than taken from the maker's folder; such an image must never reach a real
// encoder.
bool simulation_images();

// Throws, before anything is sent, when the program carries only the
// simulation images and the encoder sits on real hardware.
void refuse_on_hardware(const char* model);

} // namespace RVX::firmware
