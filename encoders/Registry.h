#pragma once
// The encoder models the program knows, one entry each: what the selection
// dialog shows, which kind of programming module reaches the model, where its
// data sheet is, and how its driver is made. The window and the tools read
// this table; they never compare model names themselves.
#include "encoders/Encoder.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace RVX {

// How the programming module reaches the encoder.
enum class ModuleLink { Uart, Spi };

// The box of the selection dialog a model sits in.
enum class ModelKind { Incremental, Commutation, Absolute };

struct ModelInfo {
    const char* name; // "RVX46": the selection's result and the drivers' {} in messages
    ModelKind kind;
    ModuleLink link;
    const char* picture; // the selection dialog's picture (see model_picture)
    const char* datasheet_url;
    // Connects to the encoder on a module index (a D2XX device for UART
    // models, an SPI channel for SPI ones); null while the model has no driver.
    std::unique_ptr<Encoder> (*create)(std::uint32_t moduleIndex);
};

// Every model, in the selection dialog's order (its button ids are 1, 2, ...).
std::span<const ModelInfo> models();

// The entry of a model name; null for a name the program does not know.
const ModelInfo* find_model(std::string_view name);

// The model's data-sheet address (what the drivers' datasheet_url returns).
const char* datasheet_of(std::string_view model);

// Creates the driver for a model name on a module index; null for a model
// without a driver.
std::unique_ptr<Encoder> create_encoder(const std::string& model, std::uint32_t moduleIndex);

} // namespace RVX
