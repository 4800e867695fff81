#pragma once
// The failures of the bootloader host. Every kind but OtherException reports a
// fixed text; OtherException carries the words of the layer that raised it.
#include <exception>
#include <string>

namespace AN1310 {

class Exception : public std::exception {
public:
    const char* what() const noexcept override { return "AN1310: Exception"; }
};

class BadChecksum : public Exception {
public:
    const char* what() const noexcept override { return "AN1310: Bad Checksum"; }
};

class CouldNotTransmit : public Exception {
public:
    const char* what() const noexcept override { return "AN1310: Could not transmit"; }
};

class JunkInsteadOfSTX : public Exception {
public:
    const char* what() const noexcept override { return "AN1310: Received junk instead of STX"; }
};

class ReadTimeout : public Exception {
public:
    const char* what() const noexcept override { return "AN1310: Read timeout"; }
};

class RetryLimitReached : public Exception {
public:
    const char* what() const noexcept override { return "AN1310: Retry limit reached"; }
};

class OtherException : public Exception {
public:
    explicit OtherException(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

} // namespace AN1310
