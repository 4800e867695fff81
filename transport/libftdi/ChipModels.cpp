#include "ChipModels.h"

#include <array>

namespace FTDI::libftdi {
namespace {

constexpr std::uint32_t H_CLOCK = 60'000'000;
constexpr std::uint32_t D_CLOCK = 12'000'000;

// Only channel A of an FT2232C/D has the MPSSE engine.
constexpr std::array models{
    ChipModel{0x6001, 0x0200, DEVICE_AM, 1, 0b00, 0, false, 128},
    ChipModel{0x6001, 0x0400, DEVICE_BM, 1, 0b00, 0, false, 128},
    ChipModel{0x6001, 0x0600, DEVICE_232R, 1, 0b00, 0, false, 128},
    ChipModel{0x6010, 0x0500, DEVICE_2232C, 2, 0b01, D_CLOCK, false, 128},
    ChipModel{0x6010, 0x0700, DEVICE_2232H, 2, 0b11, H_CLOCK, true, 4096},
    ChipModel{0x6011, 0x0800, DEVICE_4232H, 4, 0b11, H_CLOCK, true, 2048},
    ChipModel{0x6014, 0x0900, DEVICE_232H, 1, 0b01, H_CLOCK, true, 1024},
    ChipModel{0x6015, 0x1000, DEVICE_X_SERIES, 1, 0b00, 0, false, 512},
    // Unknown releases: list every interface, but never drive MPSSE on a guess.
    ChipModel{0x6010, 0, DEVICE_UNKNOWN, 2, 0b00, 0, false, 128},
    ChipModel{0x6011, 0, DEVICE_UNKNOWN, 4, 0b00, 0, false, 128},
};

constexpr ChipModel unknownChip{0, 0, DEVICE_UNKNOWN, 1, 0b00, 0, false, 128};

} // namespace

const ChipModel& chipModel(std::uint16_t product, std::uint16_t release) {
    for (const auto& model : models)
        if (model.product == product && (model.release == release || model.release == 0)) return model;
    return unknownChip;
}

} // namespace FTDI::libftdi
