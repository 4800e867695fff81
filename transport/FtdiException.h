#pragma once
#include "FtdiStatus.h"

#include <exception>

namespace FTDI {

// A failed call into the programming module. Holds a fixed, statically stored
// message and the FTDI status (0 where the link itself found the failure).
class Exception : public std::exception {
public:
    Exception(const char* message, Status status) noexcept : message_(message), status_(status) {}
    const char* what() const noexcept override { return message_; }
    Status status() const noexcept { return status_; }

private:
    const char* message_;
    Status status_;
};

} // namespace FTDI
