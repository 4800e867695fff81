#pragma once
// The program's common error reporting: how an exception that escaped a
// handler is shown to the user.
#include <exception>
#include <optional>
#include <string>

namespace vantix {

struct ErrorMessage {
    std::string caption;
    std::string text;
};

// The caption and text for an exception; none for one that is not a std::exception.
std::optional<ErrorMessage> describeException(std::exception_ptr error);

} // namespace vantix
