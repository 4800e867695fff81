#pragma once
// The host side of the block bootloader: a binary firmware image is written
// into the encoder's program memory in blocks of 64 bytes (32 program words),
// read back and compared, and the new firmware started. The operations borrow
// the driver's UartLink, already set to the bootloader's line speed.
#include "Exception.h"
#include "transport/UartLink.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace hexldr {

using StatusCallback = std::function<void(const std::string&)>;
// Program-memory bytes in the order they are stored, two a word.
using Image = std::span<const std::uint8_t>;

// Enters the bootloader, identifies and unlocks it, writes and verifies every
// whole block of the image and starts the application. Progress lines go to
// `callback`, which must be set. Throws hexldr::Exception for protocol
// failures (an image without a whole block, or with more blocks than four hex
// digits of word address reach, before anything is sent), FTDI::Exception for
// transport failures, std::out_of_range or std::invalid_argument for a
// read-back reply of the wrong length or not hexadecimal; after any failure
// once the line was touched, the encoder is reset.
void programImage(UartLink& link, Image image, StatusCallback callback);

// Holds the encoder in reset and releases it while the break holds its
// receive line low, which starts it in its bootloader. `breakHeld` says
// whether a failure left the break on (it then must end before a reset).
void enterBootloader(UartLink& link, bool& breakHeld);

// One command and its reply line, without the line feed, collected for at
// most 100 ms. A late or missing reply comes back as what arrived; a reply
// that runs past 256 characters comes back as its first 257, which no check
// accepts.
std::string exchange(UartLink& link, std::string_view command);

// Has the encoder copy block `block` of its program memory into its buffer.
void loadBlock(UartLink& link, std::uint32_t block);

// Reads every whole block back and compares image offsets 16 to 7199, sending
// a line for each difference; true when there was none.
bool verifyImage(UartLink& link, Image image, StatusCallback callback);

} // namespace hexldr
