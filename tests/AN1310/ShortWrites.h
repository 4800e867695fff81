#pragma once
// A platform in front of the bench whose writes can come up short, as a
// module that drops part of a transfer reports them.
#include "transport/FtdiPlatform.h"

#include <functional>
#include <memory>

namespace an1310test {

class ShortWrites final : public FTDI::Platform {
public:
    explicit ShortWrites(std::shared_ptr<FTDI::Platform> inner) : inner_(std::move(inner)) {}

    // Given the byte count of a write, how many bytes the module reports as
    // written (and passes on). Unset: all of them.
    std::function<std::uint32_t(std::uint32_t)> limit;
    int writes = 0;

    using Status = FTDI::Status;
    using Handle = FTDI::Handle;
    Status write(Handle h, const void* b, std::uint32_t n, std::uint32_t& w) override {
        ++writes;
        const auto passed = limit ? std::min(limit(n), n) : n;
        const auto status = inner_->write(h, b, passed, w);
        w = std::min(w, passed);
        return status;
    }
    Status createDeviceInfoList(std::uint32_t& n) override { return inner_->createDeviceInfoList(n); }
    Status getDeviceInfoList(FTDI::DeviceInfo* l, std::uint32_t& n) override {
        return inner_->getDeviceInfoList(l, n);
    }
    Status open(std::uint32_t i, Handle& h) override { return inner_->open(i, h); }
    Status close(Handle h) override { return inner_->close(h); }
    Status setBaudRate(Handle h, std::uint32_t b) override { return inner_->setBaudRate(h, b); }
    Status setDataCharacteristics(Handle h, std::uint8_t w, std::uint8_t s, std::uint8_t p) override {
        return inner_->setDataCharacteristics(h, w, s, p);
    }
    Status setTimeouts(Handle h, std::uint32_t r, std::uint32_t w) override {
        return inner_->setTimeouts(h, r, w);
    }
    Status setFlowControl(Handle h, std::uint16_t m, std::uint8_t a, std::uint8_t b) override {
        return inner_->setFlowControl(h, m, a, b);
    }
    Status setDtr(Handle h) override { return inner_->setDtr(h); }
    Status clrDtr(Handle h) override { return inner_->clrDtr(h); }
    Status setRts(Handle h) override { return inner_->setRts(h); }
    Status clrRts(Handle h) override { return inner_->clrRts(h); }
    Status setBreakOn(Handle h) override { return inner_->setBreakOn(h); }
    Status setBreakOff(Handle h) override { return inner_->setBreakOff(h); }
    Status purge(Handle h, std::uint32_t m) override { return inner_->purge(h, m); }
    Status getQueueStatus(Handle h, std::uint32_t& n) override { return inner_->getQueueStatus(h, n); }
    Status read(Handle h, void* b, std::uint32_t n, std::uint32_t& r) override {
        return inner_->read(h, b, n, r);
    }
    Status spiGetNumChannels(std::uint32_t& n) override { return inner_->spiGetNumChannels(n); }
    Status spiGetChannelInfo(std::uint32_t i, FTDI::DeviceInfo& d) override {
        return inner_->spiGetChannelInfo(i, d);
    }
    Status spiOpenChannel(std::uint32_t i, Handle& h) override { return inner_->spiOpenChannel(i, h); }
    Status spiInitChannel(Handle h, FTDI::ChannelConfig* c) override { return inner_->spiInitChannel(h, c); }
    Status spiReadWrite(Handle h, std::uint8_t* i, const std::uint8_t* o, std::uint32_t s, std::uint32_t& t,
                        std::uint32_t opt) override {
        return inner_->spiReadWrite(h, i, o, s, t, opt);
    }
    Status spiCloseChannel(Handle h) override { return inner_->spiCloseChannel(h); }
    FTDI::Clock::time_point now() override { return inner_->now(); }
    void sleep(std::chrono::milliseconds d) override { inner_->sleep(d); }
    bool isHardware() const override { return inner_->isHardware(); }

private:
    std::shared_ptr<FTDI::Platform> inner_;
};

// Installs a platform for the lifetime of the guard.
class PlatformSwap {
public:
    explicit PlatformSwap(std::shared_ptr<FTDI::Platform> platform)
        : previous_(FTDI::installPlatform(std::move(platform))) {}
    ~PlatformSwap() { FTDI::installPlatform(std::move(previous_)); }

private:
    std::shared_ptr<FTDI::Platform> previous_;
};

} // namespace an1310test
