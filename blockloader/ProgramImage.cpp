#include "Blocks.h"
#include "Hexldr.h"

#include <fmt/format.h>

namespace hexldr {

namespace {

std::uint32_t firstCharacter(const std::string& reply) {
    return reply.empty() ? 0u : static_cast<unsigned char>(reply[0]);
}

void expectAcknowledged(UartLink& link, const std::string& command, const char* failure) {
    const auto reply = exchange(link, command);
    if (reply != "*") throw Exception(failure, firstCharacter(reply));
}

// Restarts the encoder so that it does not stay in its bootloader. A break
// still held from a failed entry would keep it there, so it ends first.
void resetEncoder(UartLink& link, bool breakHeld) {
    if (breakHeld) link.setBreak(false);
    link.setRts(true);
    FTDI::sleepMs(5);
    link.setRts(false);
    FTDI::sleepMs(200);
}

void writeBlock(UartLink& link, Image image, std::uint32_t block) {
    for (std::size_t piece = 0; piece < std::size(bufferPieces); ++piece) {
        std::string command = fmt::format("m{:02X}", bufferPieces[piece]);
        for (const auto byte : image.subspan(block * blockBytes + piece * pieceBytes, pieceBytes))
            command += fmt::format("{:02X}", byte);
        expectAcknowledged(link, command, "m response error");
    }
    expectAcknowledged(link, fmt::format("b{:04x}", wordAddress(block)), "b response error");
    expectAcknowledged(link, fmt::format("u{:04x}", wordAddress(block)), "u response error");
}

} // namespace

void enterBootloader(UartLink& link, bool& breakHeld) {
    link.setRts(true);
    FTDI::sleepMs(5);
    breakHeld = true;
    link.setBreak(true);
    link.setRts(false);
    FTDI::sleepMs(5);
    link.setBreak(false);
    breakHeld = false;
    link.purge(FTDI::PURGE_RX | FTDI::PURGE_TX);
}

void programImage(UartLink& link, Image image, StatusCallback callback) {
    // Both refusals come before the line is touched.
    if (!callback) throw std::bad_function_call();
    const auto blocks = blockCount(image);

    bool breakHeld = false;
    try {
        enterBootloader(link, breakHeld);

        const auto id = exchange(link, "i");
        callback(fmt::format("device/rev: {}", id));
        if (id.size() != 4) throw Exception("ID response error", static_cast<std::uint32_t>(id.size()));

        const auto unlock = exchange(link, "KVB");
        callback(fmt::format("UNLOCK: {}", unlock));
        if (unlock != "*") throw Exception("Unlock failed", firstCharacter(unlock));

        const auto n = image.size();
        callback(fmt::format("nwords: {} nbytes: {} nblks: {}\n", n / 2, n, n / blockBytes));
        for (std::uint32_t block = 0; block < blocks; ++block) {
            callback(fmt::format("Writing block {}/{}", block, blocks));
            writeBlock(link, image, block);
        }

        if (!verifyImage(link, image, callback)) throw Exception("Verification failed", 0);

        link.write("Q\n");
        FTDI::sleepMs(200);
    } catch (...) {
        // Whatever failed, the encoder must not stay in its bootloader; a
        // second failure while resetting it would only hide the first.
        try {
            resetEncoder(link, breakHeld);
        } catch (...) {
        }
        throw;
    }
}

} // namespace hexldr
