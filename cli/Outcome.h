#pragma once
// The exit codes of rvx-vantix-cli and the failures that choose them.
#include <exception>
#include <stdexcept>
#include <string>

namespace vantix::cli {

enum ExitCode : int {
    Success = 0,
    EncoderError = 1, // an encoder or module error
    UsageError = 2,   // the command line (or a profile) asks for something that cannot be done
    VerifyFailed = 3, // the settings read back after programming differ from those programmed
};

// A failure whose message is shown as it is, with its exit code.
class Failure : public std::runtime_error {
public:
    Failure(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

inline Failure usageError(const std::string& message) {
    return Failure(UsageError, message);
}

} // namespace vantix::cli

namespace vantix::cli {

struct Reported {
    ExitCode code;
    std::string message;
};

// The exit code and message for a failure: a Failure's own, else worded as
// the window's common error reporting words it (without its caption).
Reported report(std::exception_ptr error);

} // namespace vantix::cli
