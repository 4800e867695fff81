#pragma once
#include <cstdint>
#include <exception>

namespace hexldr {

// A failed step of the block bootloader's protocol. Holds a fixed, statically
// stored message and a status whose meaning each message gives (mostly the
// first character or the length of the reply that failed its check).
class Exception : public std::exception {
public:
    Exception(const char* message, std::uint32_t status) noexcept : message_(message), status_(status) {}
    const char* what() const noexcept override { return message_; }
    std::uint32_t status() const noexcept { return status_; }

private:
    const char* message_;
    std::uint32_t status_;
};

} // namespace hexldr
