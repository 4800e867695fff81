#include "EncoderSteps.h"

#include "Script.h"
#include "encoders/Registry.h"

#include <chrono>
#include <sstream>

namespace fuzz {

void runEncoder(const std::string& model, Settings settings) {
    std::unique_ptr<RVX::Encoder> encoder;
    asTheWindowWould([&] { encoder = RVX::create_encoder(model, 0); });
    if (!encoder) return;
    RVX::Encoder& e = *encoder;

    asTheWindowWould([&] { e.firmware_version(); });
    asTheWindowWould([&] { e.model_code(); });
    asTheWindowWould([&] { e.last_programmed_by(); });
    asTheWindowWould([&] { e.datecode(); });
    asTheWindowWould([&] { e.last_program_date(); });
    if (e.get_resolution) asTheWindowWould([&] { e.get_resolution(); });
    if (e.get_baud_rate) asTheWindowWould([&] { e.get_baud_rate(); });
    if (e.get_address) asTheWindowWould([&] { e.get_address(); });
    if (e.get_poles) asTheWindowWould([&] { e.get_poles(); });
    if (e.get_direction) asTheWindowWould([&] { e.get_direction(); });
    if (e.get_termination) asTheWindowWould([&] { e.get_termination(); });
    for (int tick = 0; tick < 2; ++tick) {
        if (e.read_position) asTheWindowWould([&] { e.read_position(); });
        if (e.read_turns) asTheWindowWould([&] { e.read_turns(); });
    }
    asTheWindowWould([&] {
        std::ostringstream report;
        e.diagnostics(report, [] {});
    });

    // A fixed date keeps runs reproducible.
    const auto date = std::chrono::sys_days{std::chrono::year{2025} / 6 / 30};
    asTheWindowWould([&] { e.set_datecode(2625); });
    asTheWindowWould([&] { e.set_last_program_date(date); });
    if (e.set_address) asTheWindowWould([&] { e.set_address(0x24); });
    if (e.set_termination) asTheWindowWould([&] { e.set_termination(true); });
    if (e.set_resolution && settings == Settings::Written && !e.resolutions.empty())
        asTheWindowWould([&] { e.set_resolution(static_cast<std::uint16_t>(e.resolutions.back()), {}); });
    if (e.zero) asTheWindowWould([&] { e.zero(); });
    asTheWindowWould([&] { e.restore_defaults(); });
    asTheWindowWould([&] { e.connect(); });
}

} // namespace fuzz
