#pragma once
// The RVX84/RVX86 commutation encoders: the RVX46 line plus a pole count and
// a counting direction, each combination with a firmware image of its own.
#include "encoders/rvx46_47/RVX46_47.h"
#include "encoders/rvx84_86/PartTable.h"

namespace RVX {

class RVX84_86 : public RVX46_47 {
protected:
    RVX84_86(std::uint32_t moduleIndex, const LineModel& model);

    Settings settings_for(std::uint16_t resolution) override;
    Settings present_settings() override;
    // The image for the settings in the model's table, or "Unsupported
    // resolution/poles/direction combination".
    FirmwareImage image_for(const Settings& settings) override;

private:
    void program_commutation(const std::function<Settings()>& target, const StatusCallback& status);
};

class RVX84 final : public RVX84_86 {
public:
    explicit RVX84(std::uint32_t moduleIndex);
};

class RVX86 final : public RVX84_86 {
public:
    explicit RVX86(std::uint32_t moduleIndex);
};

} // namespace RVX
