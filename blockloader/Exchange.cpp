#include "Blocks.h"
#include "Hexldr.h"

#include <algorithm>
#include <fmt/format.h>
#include <limits>

namespace hexldr {

namespace {
constexpr auto replyTime = std::chrono::milliseconds(100);
constexpr std::size_t maxReply = 256;
} // namespace

std::uint32_t blockCount(Image image) {
    const auto blocks = image.size() / blockBytes;
    if (blocks == 0 || blocks > maxBlocks)
        throw Exception("Invalid image size", static_cast<std::uint32_t>(std::min<std::size_t>(
                                                  image.size(), std::numeric_limits<std::uint32_t>::max())));
    return static_cast<std::uint32_t>(blocks);
}

std::string exchange(UartLink& link, std::string_view command) {
    link.write(command);
    link.write("\n");
    const auto deadline = FTDI::now() + replyTime;
    std::string reply;
    // Blocks until bytes come (reacting at once, without spinning on the
    // queue status) or the reply time is up.
    for (;;) {
        const auto waiting = link.waitForQueue(1, deadline);
        if (waiting == 0 || FTDI::now() > deadline) return reply;
        for (auto left = waiting; left > 0; --left) {
            const auto byte = link.readByte();
            if (byte == '\n') return reply;
            reply.push_back(static_cast<char>(byte));
            if (reply.size() > maxReply) return reply;
        }
    }
}

void loadBlock(UartLink& link, std::uint32_t block) {
    if (block >= maxBlocks) throw Exception("R response error", 0);
    if (exchange(link, fmt::format("R{:04X}", wordAddress(block))) != "*")
        throw Exception("R response error", 0);
}

} // namespace hexldr
