#include "Settings.h"

namespace vantix {

bool SettingsSet::has(Setting setting) const {
    switch (setting) {
    case Setting::Resolution:
        return resolution.has_value();
    case Setting::Poles:
        return poles.has_value();
    case Setting::Direction:
        return counterClockwise.has_value();
    case Setting::Address:
        return address.has_value();
    case Setting::BaudRate:
        return baudRate.has_value();
    case Setting::Termination:
        return termination.has_value();
    }
    return false;
}

bool offers(RVX::Encoder& encoder, Setting setting) {
    const bool resolution = static_cast<bool>(encoder.set_resolution);
    switch (setting) {
    case Setting::Resolution:
        return resolution;
    case Setting::Poles:
    case Setting::Direction:
        return resolution && encoder.set_commutation;
    case Setting::Address:
        return !resolution && encoder.set_address;
    case Setting::BaudRate:
        return !resolution && encoder.set_address && encoder.set_baud_rate;
    case Setting::Termination:
        return !resolution && encoder.set_address && encoder.set_termination;
    }
    return false;
}

SettingsSet readSettings(RVX::Encoder& encoder) {
    SettingsSet now;
    if (offers(encoder, Setting::Resolution)) now.resolution = encoder.get_resolution();
    if (offers(encoder, Setting::Poles)) now.poles = encoder.get_poles();
    if (offers(encoder, Setting::Direction)) now.counterClockwise = encoder.get_direction();
    if (offers(encoder, Setting::Address)) now.address = encoder.get_address();
    if (offers(encoder, Setting::BaudRate)) now.baudRate = encoder.get_baud_rate();
    if (offers(encoder, Setting::Termination)) now.termination = encoder.get_termination();
    return now;
}

void programSettings(RVX::Encoder& encoder, const SettingsSet& wanted, Conversation& conversation) {
    if (offers(encoder, Setting::Resolution)) {
        if (encoder.set_commutation) {
            if (!wanted.resolution && !wanted.poles && !wanted.counterClockwise) return;
            const std::uint16_t resolution =
                wanted.resolution ? *wanted.resolution : encoder.get_resolution();
            const std::uint8_t poles = wanted.poles ? *wanted.poles : encoder.get_poles();
            const bool ccw = wanted.counterClockwise ? *wanted.counterClockwise : encoder.get_direction();
            auto progress = conversation.progress("Setting RVX Encoder Resolution", programmingMessage);
            encoder.set_commutation(resolution, poles, ccw, progress->status());
        } else if (wanted.resolution) {
            auto progress = conversation.progress("Setting RVX Encoder Resolution", programmingMessage);
            encoder.set_resolution(*wanted.resolution, progress->status());
        }
        return;
    }
    if (!offers(encoder, Setting::Address)) return;
    if (wanted.baudRate && encoder.set_baud_rate && *wanted.baudRate != encoder.get_baud_rate()) {
        auto progress = conversation.progress("Setting RVX Encoder Baud Rate", programmingMessage);
        encoder.set_baud_rate(*wanted.baudRate, progress->status());
    }
    if (wanted.address) encoder.set_address(*wanted.address);
    if (wanted.termination && encoder.set_termination) encoder.set_termination(*wanted.termination);
}

} // namespace vantix
