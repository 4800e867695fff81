#pragma once
// Passes every platform call through to another backend and records its name,
// so tests can see which calls a link made (or did not make).
#include "transport/FtdiPlatform.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace test {

using std::uint16_t, std::uint32_t, std::uint8_t, FTDI::Handle, FTDI::Status;

// One forwarding override per platform call.
#define TEST_RECORD(name, params, args)                                                                      \
    Status name params override {                                                                            \
        return log(#name, inner_->name args);                                                                \
    }

class RecordingPlatform final : public FTDI::Platform {
public:
    explicit RecordingPlatform(std::shared_ptr<FTDI::Platform> inner) : inner_(std::move(inner)) {}

    std::vector<std::string> calls;
    long count(const std::string& name) const { return std::count(calls.begin(), calls.end(), name); }
    bool called(const std::string& name) const { return count(name) > 0; }

    TEST_RECORD(createDeviceInfoList, (uint32_t & n), (n))
    TEST_RECORD(getDeviceInfoList, (FTDI::DeviceInfo * l, uint32_t& n), (l, n))
    TEST_RECORD(open, (uint32_t i, Handle& h), (i, h))
    TEST_RECORD(close, (Handle h), (h))
    TEST_RECORD(setBaudRate, (Handle h, uint32_t b), (h, b))
    TEST_RECORD(setDataCharacteristics, (Handle h, uint8_t w, uint8_t s, uint8_t p), (h, w, s, p))
    TEST_RECORD(setTimeouts, (Handle h, uint32_t r, uint32_t w), (h, r, w))
    TEST_RECORD(setFlowControl, (Handle h, uint16_t m, uint8_t a, uint8_t b), (h, m, a, b))
    TEST_RECORD(setDtr, (Handle h), (h))
    TEST_RECORD(clrDtr, (Handle h), (h))
    TEST_RECORD(setRts, (Handle h), (h))
    TEST_RECORD(clrRts, (Handle h), (h))
    TEST_RECORD(setBreakOn, (Handle h), (h))
    TEST_RECORD(setBreakOff, (Handle h), (h))
    TEST_RECORD(purge, (Handle h, uint32_t m), (h, m))
    TEST_RECORD(getQueueStatus, (Handle h, uint32_t& n), (h, n))
    TEST_RECORD(read, (Handle h, void* b, uint32_t n, uint32_t& r), (h, b, n, r))
    TEST_RECORD(write, (Handle h, const void* b, uint32_t n, uint32_t& w), (h, b, n, w))
    TEST_RECORD(spiGetNumChannels, (uint32_t & n), (n))
    TEST_RECORD(spiGetChannelInfo, (uint32_t i, FTDI::DeviceInfo& d), (i, d))
    TEST_RECORD(spiOpenChannel, (uint32_t i, Handle& h), (i, h))
    TEST_RECORD(spiInitChannel, (Handle h, FTDI::ChannelConfig* c), (h, c))
    TEST_RECORD(spiReadWrite, (Handle h, uint8_t* i, const uint8_t* o, uint32_t s, uint32_t& t, uint32_t x),
                (h, i, o, s, t, x))
    TEST_RECORD(spiCloseChannel, (Handle h), (h))
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

#undef TEST_RECORD

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
