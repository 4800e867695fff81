#pragma once
// The subcommands of rvx-vantix-cli. Each writes its text or JSON document
// to the session's output and returns the exit code; failures leave as
// exceptions, which the caller words as the window would.
#include "Session.h"

#include <string>
#include <vector>

namespace vantix::cli {

int runList(Session& session);
int runInfo(Session& session, const Target& target);
int runSet(Session& session, const Target& target, const std::vector<std::string>& settings);
int runUpdateFirmware(Session& session, const Target& target);
int runZero(Session& session, const Target& target);
int runRestoreDefaults(Session& session, const Target& target);
int runDiagnostics(Session& session, const Target& target, const std::string& path);
// Reads the position `count` times (0: until interrupted), `intervalMs` apart.
int runWatch(Session& session, const Target& target, unsigned count, unsigned intervalMs);
// Applies a profile to the encoder on each module in turn (every module that
// can reach the model when none is named), appending a line per encoder to
// the log.
int runApply(Session& session, const std::string& profilePath, const std::vector<std::string>& modules,
             const std::string& logPath);

// The date an encoder was last programmed, as "2025-01-01".
std::string dateText(RVX::TimePoint time);

} // namespace vantix::cli
