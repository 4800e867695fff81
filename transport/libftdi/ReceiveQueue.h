#pragma once
// The host side of one open interface's incoming data, as D2XX's driver keeps
// it: a reader thread takes every USB packet the chip sends into a queue, so
// a queue check costs no USB transfer and a read returns as soon as its bytes
// are in. Waiting blocks on the queue until bytes come or a deadline passes.
#include "UsbSeam.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace FTDI::libftdi {

class ReceiveQueue {
public:
    explicit ReceiveQueue(UsbPort& port); // starts the reader
    ~ReceiveQueue();                      // stops it; the port stays open
    ReceiveQueue(const ReceiveQueue&) = delete;
    ReceiveQueue& operator=(const ReceiveQueue&) = delete;

    // Blocks until `count` bytes are queued or `deadline` passes (none: no
    // limit), and reports how many are. A USB read that failed since the last
    // call is reported here, once.
    Status waitFor(std::size_t count, std::optional<Clock::time_point> deadline, std::uint32_t& queued);
    // Moves up to `count` queued bytes to `buffer`; returns how many.
    std::uint32_t take(std::uint8_t* buffer, std::uint32_t count);
    // Drops whatever is queued.
    void discard();
    // Runs `chipPurge` while no USB read is under way (it may empty the
    // library's own buffer), then drops everything queued.
    int purge(const std::function<int()>& chipPurge);

private:
    void run();

    UsbPort& port_;
    std::mutex mutex_; // guards the fields below
    std::condition_variable changed_;
    std::deque<std::uint8_t> bytes_;
    Status failure_ = OK;
    bool stopping_ = false;
    std::mutex reading_; // held by the reader for each USB read, and by purge
    std::thread reader_;
};

} // namespace FTDI::libftdi
