#pragma once
// Saving an encoder's diagnostics report to a file.
#include "flows/Conversation.h"

#include <string>

namespace vantix {

// Writes the report the driver produces to `path`, replacing what the file
// held, with a progress display, and returns the report's text. Throws
// std::runtime_error when the file cannot be written, so that a report that
// was not stored never looks saved; a driver failure leaves the report as far
// as it got.
std::string saveDiagnostics(RVX::Encoder& encoder, const std::string& path, Conversation& conversation);

} // namespace vantix
