#pragma once
// The steps after a driver has connected: reading its settings, with the offer
// to write the defaults when they are unusable, and the firmware update offer
// with its retry after a failure.
#include "flows/Conversation.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vantix {

// Runs `readSettings`; when the encoder's stored settings are unusable
// (RVX::EEPROMInvalid), asks whether to write the defaults and, on yes, does
// and runs it again. Returns false when the question was answered no.
bool readSettingsOrRestore(RVX::Encoder& encoder, Conversation& conversation,
                           const std::function<void()>& readSettings);

struct FirmwareUpdate {
    enum Outcome {
        NotOffered, // no update_firmware, or the encoder runs the latest carried version
        Declined,   // the offer was answered no
        Updated,
        GaveUp, // a re-flash failed and the retry was answered no
    };
    Outcome outcome = NotOffered;
    std::uint8_t before = 0; // the version the encoder ran
    std::uint8_t latest = 0; // the version carried
    std::string failure;     // the last failure's message, when one happened
};

// Offers the newest firmware the program carries when the encoder runs an
// older one and, on yes, re-flashes it; `afterUpdate` runs within the same
// attempt once the re-flash returned. After a failure asks whether to retry.
FirmwareUpdate offerFirmwareUpdate(RVX::Encoder& encoder, Conversation& conversation,
                                   const std::function<void()>& afterUpdate);

} // namespace vantix
