#include "FtdiPlatform.h"

#include <mutex>
#include <thread>

namespace FTDI {

namespace {
std::shared_ptr<Platform>& installed() {
    static std::shared_ptr<Platform> backend;
    return backend;
}
} // namespace

void Platform::sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

Status Platform::waitForQueue(Handle handle, std::uint32_t minBytes, Clock::time_point deadline,
                              std::uint32_t& bytesWaiting) {
    for (;;) {
        if (const Status status = getQueueStatus(handle, bytesWaiting); status != OK) return status;
        if (bytesWaiting >= minBytes || now() >= deadline) return OK;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

Platform& platform() {
    auto& backend = installed();
    // Real modules unless a caller chose otherwise before the first use.
    if (!backend) backend = makeLibftdiPlatform();
    return *backend;
}

std::shared_ptr<Platform> installPlatform(std::shared_ptr<Platform> backend) {
    auto previous = std::move(installed());
    installed() = std::move(backend);
    return previous;
}

bool platformIsHardware() {
    return platform().isHardware();
}

void sleepMs(std::uint32_t ms) {
    platform().sleep(std::chrono::milliseconds(ms));
}

} // namespace FTDI
