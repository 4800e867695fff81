#pragma once
// Passes every platform call through to another backend and records its name,
// so tests can see which calls a link made (or did not make).
#include "transport/FtdiPlatform.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace test {

// One override: the call's name goes into `calls`, the call to the inner platform.
#define VANTIX_RECORDED(name, params, args)                                                                  \
    Status name params override {                                                                            \
        return log(#name, inner_->name args);                                                                \
    }

class RecordingPlatform final : public FTDI::Platform {
public:
    explicit RecordingPlatform(std::shared_ptr<FTDI::Platform> inner) : inner_(std::move(inner)) {}

    std::vector<std::string> calls;
    long count(const std::string& name) const { return std::count(calls.begin(), calls.end(), name); }
    bool called(const std::string& name) const { return count(name) > 0; }

    using Status = FTDI::Status;
    using Handle = FTDI::Handle;
    using U8 = std::uint8_t;
    using U32 = std::uint32_t;
    VANTIX_RECORDED(createDeviceInfoList, (U32 & n), (n))
    VANTIX_RECORDED(getDeviceInfoList, (FTDI::DeviceInfo * l, U32& n), (l, n))
    VANTIX_RECORDED(open, (U32 i, Handle& h), (i, h))
    VANTIX_RECORDED(close, (Handle h), (h))
    VANTIX_RECORDED(setBaudRate, (Handle h, U32 b), (h, b))
    VANTIX_RECORDED(setDataCharacteristics, (Handle h, U8 w, U8 s, U8 p), (h, w, s, p))
    VANTIX_RECORDED(setTimeouts, (Handle h, U32 r, U32 w), (h, r, w))
    VANTIX_RECORDED(setFlowControl, (Handle h, std::uint16_t m, U8 a, U8 b), (h, m, a, b))
    VANTIX_RECORDED(setDtr, (Handle h), (h))
    VANTIX_RECORDED(clrDtr, (Handle h), (h))
    VANTIX_RECORDED(setRts, (Handle h), (h))
    VANTIX_RECORDED(clrRts, (Handle h), (h))
    VANTIX_RECORDED(setBreakOn, (Handle h), (h))
    VANTIX_RECORDED(setBreakOff, (Handle h), (h))
    VANTIX_RECORDED(purge, (Handle h, U32 m), (h, m))
    VANTIX_RECORDED(getQueueStatus, (Handle h, U32& n), (h, n))
    VANTIX_RECORDED(waitForQueue, (Handle h, U32 m, FTDI::Clock::time_point d, U32& n), (h, m, d, n))
    VANTIX_RECORDED(setLatencyTimer, (Handle h, U8 ms), (h, ms))
    VANTIX_RECORDED(getLatencyTimer, (Handle h, U8& ms), (h, ms))
    VANTIX_RECORDED(read, (Handle h, void* b, U32 n, U32& r), (h, b, n, r))
    VANTIX_RECORDED(write, (Handle h, const void* b, U32 n, U32& w), (h, b, n, w))
    VANTIX_RECORDED(spiGetNumChannels, (U32 & n), (n))
    VANTIX_RECORDED(spiGetChannelInfo, (U32 i, FTDI::DeviceInfo& d), (i, d))
    VANTIX_RECORDED(spiOpenChannel, (U32 i, Handle& h), (i, h))
    VANTIX_RECORDED(spiInitChannel, (Handle h, FTDI::ChannelConfig* c), (h, c))
    VANTIX_RECORDED(spiReadWrite, (Handle h, U8* i, const U8* o, U32 s, U32& t, U32 opt),
                    (h, i, o, s, t, opt))
    VANTIX_RECORDED(spiCloseChannel, (Handle h), (h))
    FTDI::Clock::time_point now() override { return inner_->now(); }
    void sleep(std::chrono::milliseconds d) override { inner_->sleep(d); }
    bool isHardware() const override { return inner_->isHardware(); }

private:
    Status log(const char* name, Status status) {
        calls.emplace_back(name);
        return status;
    }
    std::shared_ptr<FTDI::Platform> inner_;
};

#undef VANTIX_RECORDED

// Installs a platform for the lifetime of the guard.
class PlatformGuard {
public:
    explicit PlatformGuard(std::shared_ptr<FTDI::Platform> platform)
        : previous_(FTDI::installPlatform(std::move(platform))) {}
    ~PlatformGuard() { FTDI::installPlatform(std::move(previous_)); }

private:
    std::shared_ptr<FTDI::Platform> previous_;
};

} // namespace test
