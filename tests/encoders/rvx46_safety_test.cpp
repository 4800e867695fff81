// The simulation firmware set must never reach a real encoder: over a platform
// that talks to hardware, a re-flash is refused before a byte is sent.
#include "encoders/FirmwareSet.h"
#include "encoders/RVX46_47.h"
#include "encoders/RVX84_86.h"
#include "sim/Bench.h"
#include "sim/models/Rvx46Line.h"

#include <gtest/gtest.h>

namespace {

// A bench module that the drivers see as real hardware.
class LooksLikeHardware final : public FTDI::Platform {
public:
    explicit LooksLikeHardware(std::shared_ptr<sim::Bench> bench) : b(std::move(bench)) {}
    bool isHardware() const override { return true; }
    FTDI::Status createDeviceInfoList(std::uint32_t& n) override { return b->createDeviceInfoList(n); }
    FTDI::Status getDeviceInfoList(FTDI::DeviceInfo* l, std::uint32_t& n) override {
        return b->getDeviceInfoList(l, n);
    }
    FTDI::Status open(std::uint32_t i, FTDI::Handle& h) override { return b->open(i, h); }
    FTDI::Status close(FTDI::Handle h) override { return b->close(h); }
    FTDI::Status setBaudRate(FTDI::Handle h, std::uint32_t v) override { return b->setBaudRate(h, v); }
    FTDI::Status setDataCharacteristics(FTDI::Handle h, std::uint8_t w, std::uint8_t s,
                                        std::uint8_t p) override {
        return b->setDataCharacteristics(h, w, s, p);
    }
    FTDI::Status setTimeouts(FTDI::Handle h, std::uint32_t r, std::uint32_t w) override {
        return b->setTimeouts(h, r, w);
    }
    FTDI::Status setFlowControl(FTDI::Handle h, std::uint16_t m, std::uint8_t x, std::uint8_t y) override {
        return b->setFlowControl(h, m, x, y);
    }
    FTDI::Status setDtr(FTDI::Handle h) override { return b->setDtr(h); }
    FTDI::Status clrDtr(FTDI::Handle h) override { return b->clrDtr(h); }
    FTDI::Status setRts(FTDI::Handle h) override { return b->setRts(h); }
    FTDI::Status clrRts(FTDI::Handle h) override { return b->clrRts(h); }
    FTDI::Status setBreakOn(FTDI::Handle h) override { return b->setBreakOn(h); }
    FTDI::Status setBreakOff(FTDI::Handle h) override { return b->setBreakOff(h); }
    FTDI::Status purge(FTDI::Handle h, std::uint32_t m) override { return b->purge(h, m); }
    FTDI::Status getQueueStatus(FTDI::Handle h, std::uint32_t& n) override { return b->getQueueStatus(h, n); }
    FTDI::Status read(FTDI::Handle h, void* d, std::uint32_t n, std::uint32_t& r) override {
        return b->read(h, d, n, r);
    }
    FTDI::Status write(FTDI::Handle h, const void* s, std::uint32_t n, std::uint32_t& w) override {
        return b->write(h, s, n, w);
    }
    FTDI::Status spiGetNumChannels(std::uint32_t& n) override { return b->spiGetNumChannels(n); }
    FTDI::Status spiGetChannelInfo(std::uint32_t i, FTDI::DeviceInfo& d) override {
        return b->spiGetChannelInfo(i, d);
    }
    FTDI::Status spiOpenChannel(std::uint32_t i, FTDI::Handle& h) override { return b->spiOpenChannel(i, h); }
    FTDI::Status spiInitChannel(FTDI::Handle h, FTDI::ChannelConfig* c) override {
        return b->spiInitChannel(h, c);
    }
    FTDI::Status spiReadWrite(FTDI::Handle h, std::uint8_t* i, const std::uint8_t* o, std::uint32_t n,
                              std::uint32_t& t, std::uint32_t opt) override {
        return b->spiReadWrite(h, i, o, n, t, opt);
    }
    FTDI::Status spiCloseChannel(FTDI::Handle h) override { return b->spiCloseChannel(h); }
    FTDI::Clock::time_point now() override { return b->now(); }
    void sleep(std::chrono::milliseconds d) override { b->sleep(d); }

private:
    std::shared_ptr<sim::Bench> b;
};

class SimulationFirmwareOnHardware : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "built with the maker's firmware images";
        bench->add("RVX46", sim::ModelOptions(std::map<std::string, std::string>{{"fw", "0x14"}}));
        bench->add("RVX84");
        previous = FTDI::installPlatform(std::make_shared<LooksLikeHardware>(bench));
        installed = true;
    }
    void TearDown() override {
        if (installed) FTDI::installPlatform(previous);
    }
    std::uint64_t sent(std::size_t index) { return bench->module(index).counters.bytesToDevice; }

    std::shared_ptr<sim::Bench> bench = std::make_shared<sim::Bench>();
    std::shared_ptr<FTDI::Platform> previous;
    bool installed = false;
    StatusCallback ignore = [](const std::string&) {};
};

TEST_F(SimulationFirmwareOnHardware, EveryReflashIsRefusedBeforeAnythingIsSent) {
    RVX::RVX46 incremental(0);
    RVX::RVX84 commutation(1);
    const auto before = sent(0), before84 = sent(1);
    const auto resets = bench->module(0).device<sim::Rvx46Line>().resets();

    const char* refusal =
        "This program carries firmware images for the simulated bench only; they are not sent "
        "to a real RVX46 encoder";
    try {
        incremental.update_firmware(ignore);
        FAIL() << "update_firmware went ahead";
    } catch (const RVX::Exception& e) {
        EXPECT_STREQ(e.what(), refusal);
    }
    EXPECT_THROW(incremental.set_resolution(2048, ignore), RVX::Exception);
    EXPECT_EQ(sent(0), before);
    EXPECT_EQ(bench->module(0).device<sim::Rvx46Line>().resets(), resets);

    EXPECT_THROW(commutation.set_commutation(1024, 8, true, ignore), RVX::Exception);
    EXPECT_THROW(commutation.set_resolution(1024, ignore), RVX::Exception);
    EXPECT_THROW(commutation.update_firmware(ignore), RVX::Exception);
    EXPECT_EQ(sent(1), before84);
    EXPECT_EQ(commutation.firmware_version(), 0x15);
}

} // namespace
