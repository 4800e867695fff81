#pragma once
// Keeps the poll timer and the flows of the main window apart. Everything runs
// on the GUI thread, and a flow's modal or progress dialog runs a nested event
// loop in which timer ticks and clicks arrive: a std::mutex would be locked a
// second time by its own thread there. This flag only says "a flow owns the
// device"; whoever finds it taken stays away from the device.
class DeviceLock {
public:
    DeviceLock() = default;
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // For std::unique_lock<DeviceLock>(lock, std::try_to_lock).
    bool try_lock() {
        if (busy_) return false;
        busy_ = true;
        return true;
    }
    void unlock() { busy_ = false; }
    bool busy() const { return busy_; }

private:
    bool busy_ = false;
};
