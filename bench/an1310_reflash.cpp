// Full AN1310 re-flashes on the bench's wire line model (115200 baud, 1 ms USB
// latency): a family-4 image of about 20 kB and a family-2 image. Prints the
// wall time, the time bytes spent on the wire, the waits the protocol
// mandates (sleeps the host asked for), and the host's own share: wall time
// spent outside every call into the platform layer (framing, checksums,
// planning, image handling, logging); the host's time between an empty
// receive-queue poll and its next poll counts as waiting.
#include "AN1310/AN1310.h"
#include "sim/Bench.h"
#include "sim/pic/PicBootloaderDevice.h"
#include "tools/lib/HexGenerator.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

// Passes every call to the bench and adds up the real time spent inside.
class TimedPlatform final : public FTDI::Platform {
public:
    explicit TimedPlatform(std::shared_ptr<FTDI::Platform> inner) : inner_(std::move(inner)) {}
    Clock::duration inside{0};
    // Host time between an empty receive-queue poll and the next call: the
    // host had nothing to do but poll again.
    Clock::duration spinning{0};

private:
    template <class F> auto timed(F&& f) {
        const auto start = Clock::now();
        if (emptyPoll_) spinning += start - lastEnd_;
        emptyPoll_ = false;
        auto result = f();
        lastEnd_ = Clock::now();
        inside += lastEnd_ - start;
        return result;
    }
    bool emptyPoll_ = false;
    Clock::time_point lastEnd_{};

public:
    using Status = FTDI::Status;
    using Handle = FTDI::Handle;
    Status createDeviceInfoList(std::uint32_t& n) override {
        return timed([&] { return inner_->createDeviceInfoList(n); });
    }
    Status getDeviceInfoList(FTDI::DeviceInfo* l, std::uint32_t& n) override {
        return timed([&] { return inner_->getDeviceInfoList(l, n); });
    }
    Status open(std::uint32_t i, Handle& h) override {
        return timed([&] { return inner_->open(i, h); });
    }
    Status close(Handle h) override {
        return timed([&] { return inner_->close(h); });
    }
    Status setBaudRate(Handle h, std::uint32_t b) override {
        return timed([&] { return inner_->setBaudRate(h, b); });
    }
    Status setDataCharacteristics(Handle h, std::uint8_t w, std::uint8_t s, std::uint8_t p) override {
        return timed([&] { return inner_->setDataCharacteristics(h, w, s, p); });
    }
    Status setTimeouts(Handle h, std::uint32_t r, std::uint32_t w) override {
        return timed([&] { return inner_->setTimeouts(h, r, w); });
    }
    Status setFlowControl(Handle h, std::uint16_t m, std::uint8_t a, std::uint8_t b) override {
        return timed([&] { return inner_->setFlowControl(h, m, a, b); });
    }
    Status setDtr(Handle h) override {
        return timed([&] { return inner_->setDtr(h); });
    }
    Status clrDtr(Handle h) override {
        return timed([&] { return inner_->clrDtr(h); });
    }
    Status setRts(Handle h) override {
        return timed([&] { return inner_->setRts(h); });
    }
    Status clrRts(Handle h) override {
        return timed([&] { return inner_->clrRts(h); });
    }
    Status setBreakOn(Handle h) override {
        return timed([&] { return inner_->setBreakOn(h); });
    }
    Status setBreakOff(Handle h) override {
        return timed([&] { return inner_->setBreakOff(h); });
    }
    Status purge(Handle h, std::uint32_t m) override {
        return timed([&] { return inner_->purge(h, m); });
    }
    Status getQueueStatus(Handle h, std::uint32_t& n) override {
        const auto status = timed([&] { return inner_->getQueueStatus(h, n); });
        emptyPoll_ = status == FTDI::OK && n == 0;
        return status;
    }
    Status read(Handle h, void* b, std::uint32_t n, std::uint32_t& r) override {
        return timed([&] { return inner_->read(h, b, n, r); });
    }
    Status write(Handle h, const void* b, std::uint32_t n, std::uint32_t& w) override {
        return timed([&] { return inner_->write(h, b, n, w); });
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
    FTDI::Clock::time_point now() override {
        // A clock reading between two polls is part of the polling.
        const bool polling = emptyPoll_;
        const auto t = timed([&] { return inner_->now(); });
        emptyPoll_ = polling;
        return t;
    }
    void sleep(std::chrono::milliseconds d) override {
        timed([&] {
            inner_->sleep(d);
            return 0;
        });
    }
    bool isHardware() const override { return inner_->isHardware(); }

private:
    std::shared_ptr<FTDI::Platform> inner_;
};

std::string imageFor(const sim::PicPart& part, std::uint32_t codeBytes) {
    tools::HexImageRecipe recipe;
    recipe.part = {int(part.family), part.flashStart, part.flashEnd, part.eepromStart, part.eepromEnd};
    recipe.seed = 42;
    const auto start = part.flashStart + 16 * part.unitsPerWord();
    recipe.code = {{start, start + codeBytes / part.bytesPerWord() * part.unitsPerWord()}};
    for (unsigned i = 0; i < 128 && part.eepromEnd > part.eepromStart; ++i)
        recipe.eeprom.push_back(static_cast<std::uint8_t>(i * 13));
    return tools::generateHex(recipe);
}

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void reflash(const char* partName, std::uint32_t codeBytes) {
    auto bench = std::make_shared<sim::Bench>(sim::LineModel::Wire);
    bench->setUsbLatency(std::chrono::milliseconds(1));
    sim::BenchGuard guard(bench);
    auto& module = bench->add("pic-bootloader",
                              sim::ModelOptions(std::map<std::string, std::string>{{"part", partName}}));
    const auto& part = module.template device<sim::PicBootloaderDevice>().chip().part();
    const auto hex = imageFor(part, codeBytes);

    UartLink link(0);
    link.setBaudRate(115200);
    link.setDataCharacteristics(8, 0, 0);
    link.setTimeouts(300, 300);
    link.setFlowControl(0, 0, 0);
    link.setDtr(true);

    auto timing = std::make_shared<TimedPlatform>(bench);
    const auto previous = FTDI::installPlatform(timing);
    const auto countersBefore = bench->totals();
    std::size_t lines = 0;
    const auto start = Clock::now();
    AN1310::reflash(link, hex, [&](const std::string&) { ++lines; });
    const auto wall = Clock::now() - start;
    FTDI::installPlatform(previous);

    const auto counters = bench->totals();
    const auto lineBusy = counters.lineBusy - countersBefore.lineBusy;
    const auto slept = counters.slept - countersBefore.slept;
    const auto host = wall - timing->inside - timing->spinning;
    std::printf("%s (family %d), %zu bytes of HEX text, %llu bytes out, %llu bytes back, %zu status lines\n",
                partName, int(part.family), hex.size(),
                static_cast<unsigned long long>(counters.bytesToDevice - countersBefore.bytesToDevice),
                static_cast<unsigned long long>(counters.bytesFromDevice - countersBefore.bytesFromDevice),
                lines);
    std::printf("  wall time             %9.1f ms\n", ms(wall));
    std::printf("  line busy             %9.1f ms\n", ms(lineBusy));
    std::printf("  mandated waits        %9.1f ms (%llu sleeps)\n", ms(slept),
                static_cast<unsigned long long>(counters.sleeps - countersBefore.sleeps));
    std::printf("  other waiting         %9.1f ms (device work, USB latency, polling)\n",
                ms(timing->inside + timing->spinning) - ms(lineBusy) - ms(slept));
    std::printf("  host's own work       %9.1f ms = %.2f%% of wall time (goal: at most 5%%)\n", ms(host),
                100.0 * ms(host) / ms(wall));
}

} // namespace

int main() {
    try {
        reflash("PIC18F2620", 20000);
        reflash("PIC16F886", 6000);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "re-flash failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
