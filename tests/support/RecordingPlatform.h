#pragma once
// Passes every platform call through to another backend and records its name,
// so tests can see which calls a link made (or did not make).
#include "transport/FtdiPlatform.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace test {

class RecordingPlatform final : public FTDI::Platform {
public:
    explicit RecordingPlatform(std::shared_ptr<FTDI::Platform> inner) : inner_(std::move(inner)) {}

    std::vector<std::string> calls;
    long count(const std::string& name) const { return std::count(calls.begin(), calls.end(), name); }
    bool called(const std::string& name) const { return count(name) > 0; }

    using Status = FTDI::Status;
    using Handle = FTDI::Handle;
    Status createDeviceInfoList(std::uint32_t& n) override {
        return log("createDeviceInfoList", inner_->createDeviceInfoList(n));
    }
    Status getDeviceInfoList(FTDI::DeviceInfo* l, std::uint32_t& n) override {
        return log("getDeviceInfoList", inner_->getDeviceInfoList(l, n));
    }
    Status open(std::uint32_t i, Handle& h) override { return log("open", inner_->open(i, h)); }
    Status close(Handle h) override { return log("close", inner_->close(h)); }
    Status setBaudRate(Handle h, std::uint32_t b) override {
        return log("setBaudRate", inner_->setBaudRate(h, b));
    }
    Status setDataCharacteristics(Handle h, std::uint8_t w, std::uint8_t s, std::uint8_t p) override {
        return log("setDataCharacteristics", inner_->setDataCharacteristics(h, w, s, p));
    }
    Status setTimeouts(Handle h, std::uint32_t r, std::uint32_t w) override {
        return log("setTimeouts", inner_->setTimeouts(h, r, w));
    }
    Status setFlowControl(Handle h, std::uint16_t m, std::uint8_t a, std::uint8_t b) override {
        return log("setFlowControl", inner_->setFlowControl(h, m, a, b));
    }
    Status setDtr(Handle h) override { return log("setDtr", inner_->setDtr(h)); }
    Status clrDtr(Handle h) override { return log("clrDtr", inner_->clrDtr(h)); }
    Status setRts(Handle h) override { return log("setRts", inner_->setRts(h)); }
    Status clrRts(Handle h) override { return log("clrRts", inner_->clrRts(h)); }
    Status setBreakOn(Handle h) override { return log("setBreakOn", inner_->setBreakOn(h)); }
    Status setBreakOff(Handle h) override { return log("setBreakOff", inner_->setBreakOff(h)); }
    Status purge(Handle h, std::uint32_t m) override { return log("purge", inner_->purge(h, m)); }
    Status getQueueStatus(Handle h, std::uint32_t& n) override {
        return log("getQueueStatus", inner_->getQueueStatus(h, n));
    }
    Status waitForQueue(Handle h, std::uint32_t m, FTDI::Clock::time_point d, std::uint32_t& n) override {
        return log("waitForQueue", inner_->waitForQueue(h, m, d, n));
    }
    Status setLatencyTimer(Handle h, std::uint8_t ms) override {
        return log("setLatencyTimer", inner_->setLatencyTimer(h, ms));
    }
    Status getLatencyTimer(Handle h, std::uint8_t& ms) override {
        return log("getLatencyTimer", inner_->getLatencyTimer(h, ms));
    }
    Status read(Handle h, void* b, std::uint32_t n, std::uint32_t& r) override {
        return log("read", inner_->read(h, b, n, r));
    }
    Status write(Handle h, const void* b, std::uint32_t n, std::uint32_t& w) override {
        return log("write", inner_->write(h, b, n, w));
    }
    Status spiGetNumChannels(std::uint32_t& n) override {
        return log("spiGetNumChannels", inner_->spiGetNumChannels(n));
    }
    Status spiGetChannelInfo(std::uint32_t i, FTDI::DeviceInfo& d) override {
        return log("spiGetChannelInfo", inner_->spiGetChannelInfo(i, d));
    }
    Status spiOpenChannel(std::uint32_t i, Handle& h) override {
        return log("spiOpenChannel", inner_->spiOpenChannel(i, h));
    }
    Status spiInitChannel(Handle h, FTDI::ChannelConfig* c) override {
        return log("spiInitChannel", inner_->spiInitChannel(h, c));
    }
    Status spiReadWrite(Handle h, std::uint8_t* i, const std::uint8_t* o, std::uint32_t s, std::uint32_t& t,
                        std::uint32_t opt) override {
        return log("spiReadWrite", inner_->spiReadWrite(h, i, o, s, t, opt));
    }
    Status spiCloseChannel(Handle h) override { return log("spiCloseChannel", inner_->spiCloseChannel(h)); }
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
