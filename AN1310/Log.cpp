#include "Log.h"

#include <cstdio>

namespace AN1310 {

namespace {
LogSink printer(const char* prefix) {
    return [prefix](const std::string& line) {
        std::fputs(prefix, stdout);
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
}
} // namespace

LogSink debugLog = printer("[Debug]   ");
LogSink statusLog = printer("[Status]  ");
LogSink warningLog = printer("[Warning] ");

SessionLogs::SessionLogs(const LogSink& status) {
    debugLog = [](const std::string&) {};
    statusLog = status;
    warningLog = status;
}

SessionLogs::~SessionLogs() {
    statusLog = debugLog;
    warningLog = debugLog;
}

} // namespace AN1310
