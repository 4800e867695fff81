#include "ReceiveQueue.h"

#include "ErrorMapping.h"

#include <algorithm>
#include <array>
#include <utility>

namespace FTDI::libftdi {
namespace {
// After a failed USB read the reader tries again this much later, so that an
// unplugged module does not keep a core busy.
constexpr std::chrono::milliseconds RETRY_PAUSE{20};
// A high-speed chip's packet; a full-speed one sends 62 data bytes at most.
constexpr std::size_t PACKET_BYTES = 512;
} // namespace

ReceiveQueue::ReceiveQueue(UsbPort& port) : port_(port), reader_([this] { run(); }) {}

ReceiveQueue::~ReceiveQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    reader_.join(); // at most one USB read: the chip answers within its latency timer
}

void ReceiveQueue::run() {
    std::array<std::uint8_t, PACKET_BYTES> packet;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        int result;
        {
            std::lock_guard reading(reading_);
            result = port_.read(packet.data(), static_cast<int>(packet.size()));
        }
        std::unique_lock lock(mutex_);
        if (result > 0) {
            bytes_.insert(bytes_.end(), packet.begin(), packet.begin() + std::min<int>(result, PACKET_BYTES));
        } else if (result < 0) {
            failure_ = statusOf(Call::Read, result);
            changed_.notify_all();
            changed_.wait_for(lock, RETRY_PAUSE, [this] { return stopping_; });
            continue;
        }
        if (result > 0) changed_.notify_all();
    }
}

Status ReceiveQueue::waitFor(std::size_t count, std::optional<Clock::time_point> deadline,
                             std::uint32_t& queued) {
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return bytes_.size() >= count || failure_ != OK; };
    if (deadline)
        changed_.wait_until(lock, *deadline, ready);
    else
        changed_.wait(lock, ready);
    queued = static_cast<std::uint32_t>(bytes_.size());
    return std::exchange(failure_, OK);
}

std::uint32_t ReceiveQueue::take(std::uint8_t* buffer, std::uint32_t count) {
    std::lock_guard lock(mutex_);
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, bytes_.size()));
    std::copy_n(bytes_.begin(), n, buffer);
    bytes_.erase(bytes_.begin(), bytes_.begin() + n);
    return n;
}

void ReceiveQueue::discard() {
    std::lock_guard lock(mutex_);
    bytes_.clear();
}

int ReceiveQueue::purge(const std::function<int()>& chipPurge) {
    std::lock_guard reading(reading_);
    const int result = chipPurge();
    std::lock_guard lock(mutex_);
    if (result >= 0) bytes_.clear();
    return result;
}

} // namespace FTDI::libftdi
