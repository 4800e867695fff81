#pragma once
// The RVX84/RVX86 commutation encoders: the RVX46/47 line plus a pole count
// and a counting direction, each combination with a firmware image of its own.
#include "RVX46_47.h"

namespace RVX {

class RVX84_86 : public RVX46_47 {
protected:
    explicit RVX84_86(std::uint32_t moduleIndex);

    // The leaf constructors' identification, plus the commutation accessors.
    void identify_commutation(std::span<const PartEntry> parts);
    Settings settings_for(std::uint16_t resolution) override;
    // The image for the settings in the model's table, or "Unsupported
    // resolution/poles/direction combination".
    FirmwareImage image_for(const Settings& settings) override;

private:
    void program_commutation(const Settings& target, const StatusCallback& status);
};

class RVX84 final : public RVX84_86 {
public:
    explicit RVX84(std::uint32_t moduleIndex);
    const char* name() override { return "RVX84"; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return true; }
    std::uint8_t latest_firmware_version() override { return 0x15; }
};

class RVX86 final : public RVX84_86 {
public:
    explicit RVX86(std::uint32_t moduleIndex);
    const char* name() override { return "RVX86"; }
    const char* datasheet_url() override;
    bool counts_counter_clockwise() override { return false; }
    std::uint8_t latest_firmware_version() override { return 0x19; }
};

} // namespace RVX
