#include "Connect.h"

#include <fmt/format.h>

namespace vantix {

bool readSettingsOrRestore(RVX::Encoder& encoder, Conversation& conversation,
                           const std::function<void()>& readSettings) {
    try {
        readSettings();
        return true;
    } catch (const RVX::EEPROMInvalid&) {
        if (!conversation.ask(Question::RestoreDefaults,
                              "Encoder settings are invalid/corrupt. Reprogram with default values?",
                              "Encoder EEPROM"))
            return false;
    }
    encoder.restore_defaults();
    readSettings();
    return true;
}

FirmwareUpdate offerFirmwareUpdate(RVX::Encoder& encoder, Conversation& conversation,
                                   const std::function<void()>& afterUpdate) {
    FirmwareUpdate result;
    if (!encoder.update_firmware) return result;
    const std::uint8_t carried = encoder.latest_firmware_version();
    if (!(encoder.firmware_version() < carried)) return result;
    // Read again for the question, as the encoder reports them now.
    result.latest = encoder.latest_firmware_version();
    result.before = encoder.firmware_version();
    const auto question =
        fmt::format("Encoder firmware update available\nFirmware version on encoder: 0x{:02X}\n"
                    "Latest firmware version available: 0x{:02X}\n\nUpdate to latest version?",
                    result.before, result.latest);
    if (!conversation.ask(Question::UpdateFirmware, question, "Update RVX Encoder Firmware?")) {
        result.outcome = FirmwareUpdate::Declined;
        return result;
    }
    for (;;) {
        try {
            auto progress = conversation.progress("Programming RVX Encoder", programmingMessage);
            encoder.update_firmware(progress->status());
            afterUpdate();
            result.outcome = FirmwareUpdate::Updated;
            return result;
        } catch (const std::exception& e) {
            result.failure = e.what();
        }
        const auto retry =
            fmt::format("Error occured while programming encoder:\n{}\n\nRe-try?", result.failure);
        if (!conversation.ask(Question::RetryUpdate, retry, "RVX Encoder Programming Error")) {
            result.outcome = FirmwareUpdate::GaveUp;
            return result;
        }
    }
}

} // namespace vantix
