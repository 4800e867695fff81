#pragma once
// The three process-wide log sinks of the bootloader host. Each takes one line;
// by default they print it with a ten-character prefix to standard output. A
// driver points them at its progress callback for the length of a re-flash.
#include <functional>
#include <string>

namespace AN1310 {

using LogSink = std::function<void(const std::string&)>;

extern LogSink debugLog;
extern LogSink statusLog;
extern LogSink warningLog;

// For the length of one re-flash: debug lines go nowhere, status and warning
// lines go to `status`. Afterwards (also when an exception passes) status and
// warning become copies of the do-nothing debug sink, so that no sink keeps a
// callback whose owner may be gone.
class SessionLogs {
public:
    explicit SessionLogs(const LogSink& status);
    ~SessionLogs();
    SessionLogs(const SessionLogs&) = delete;
    SessionLogs& operator=(const SessionLogs&) = delete;
};

} // namespace AN1310
