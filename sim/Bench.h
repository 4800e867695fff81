#pragma once
// The simulated bench: virtual RVX-LINK modules behind the transport's
// platform layer, each with its listing record, line state, encoder model,
// line model, seeded fault injection and counters.
#include "Device.h"
#include "transport/FtdiPlatform.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sim {

enum class LineModel {
    Instant, // replies are there at once; waits cost nothing (virtual clock)
    // Bytes take 10 bits each at the set baud rate; a UART chip holds what it
    // received until 62 bytes fill a USB packet or its latency timer runs
    // out; every USB transfer adds the USB latency. SPI transfers end with
    // send-immediate, so they pay the USB latency but not the timer.
    Wire,
};

// Bytes of data in one full-speed USB packet from the chip (64 less 2 status bytes).
constexpr std::size_t kUsbPacketData = 62;
// The latency timer of an FTDI chip at power-on, in ms.
constexpr std::uint8_t kPowerOnLatencyTimer = 16;

// Seeded, reproducible faults on one module. Byte faults apply to the reply
// bytes the device sends (and to the host's bytes when `hostToDevice`), once
// `armAfterBytes` reply bytes have passed.
struct Faults {
    std::uint32_t seed = 1;
    double drop = 0; // probability a byte is lost
    double flip = 0; // probability a byte gets one bit flipped
    double junk = 0; // probability a junk byte is inserted before a byte
    bool hostToDevice = false;
    std::uint64_t armAfterBytes = 0;
    std::optional<std::size_t> truncateReplies; // every reply cut to this many bytes
    std::chrono::milliseconds delay{0};         // added to every reply
    bool silent = false;                        // the device's replies never arrive
};

struct Counters {
    std::uint64_t bytesToDevice = 0;
    std::uint64_t bytesFromDevice = 0;
    std::chrono::microseconds lineBusy{0}; // time bytes spent on the wire
    std::uint64_t sleeps = 0;              // sleeps the host asked for
    std::chrono::milliseconds slept{0};
    std::uint64_t calls = 0; // platform calls on this module
    std::uint64_t spiTransfers = 0;
    std::uint64_t writes = 0;     // USB transfers of host bytes to the chip
    std::uint64_t queuePolls = 0; // queue status checks and waits
    // Wire line model: USB packets of reply data, those of them the latency
    // timer sent (not full), and how long their bytes sat in the chip.
    std::uint64_t packetsToHost = 0;
    std::uint64_t latencyPackets = 0;
    std::chrono::microseconds latencyWait{0};

    // Field by field: totals over modules, and what an operation added.
    Counters& operator+=(const Counters& other);
    Counters operator-(const Counters& earlier) const;
};

class Bench;

class Module final : public Port {
public:
    const std::string& model() const { return model_; }
    bool isSpi() const { return spi_ != nullptr; }
    FTDI::DeviceInfo info() const;
    const LineState& line() const override { return line_; }
    UartDevice* uartDevice() { return uart_.get(); }
    SpiDevice* spiDevice() { return spi_.get(); }
    template <class T> T& device() {
        if (uart_) return dynamic_cast<T&>(*uart_);
        return dynamic_cast<T&>(*spi_);
    }

    Faults faults;
    Counters counters;

    // Call faults: the call `afterCalls` calls from now fails with `status`,
    // and so do the next `count - 1` (count 0: every call from then on).
    void failCalls(FTDI::Status status, std::uint64_t afterCalls = 0, std::uint64_t count = 1);
    void unplug();           // every later call fails
    void setBusy(bool busy); // opened by another program
    void reseed(std::uint32_t seed);
    bool isOpen() const { return open_; }
    std::uint8_t latencyTimer() const { return latencyTimer_; }

    // Port, for the device model.
    void send(std::span<const std::uint8_t> bytes, std::chrono::microseconds delay) override;
    using Port::send;
    void sendLater(std::span<const std::uint8_t> bytes, std::chrono::microseconds delay) override;
    void discardPending() override;
    Clock::time_point now() const override;

private:
    friend class Bench;
    Module(Bench& bench, std::string model, std::string description, std::string serial);
    std::uint8_t corruptible(std::uint8_t byte, bool& keep);
    FTDI::Status enterCall();
    std::chrono::microseconds wireTime(std::size_t bytes) const;

    // One USB packet the chip sends: when, how many bytes, and whether its
    // latency timer rather than a full packet sent it.
    struct Flush {
        Clock::time_point at;
        std::size_t bytes;
        bool byTimer;
    };
    std::optional<Flush> nextFlush() const;
    Clock::time_point deliveryOf(const Flush& flush) const;
    // Puts bytes on the line no earlier than `earliest`, after what is there.
    void queue(std::span<const std::uint8_t> bytes, Clock::time_point earliest);
    // Queues the later sends due by `t`.
    void catchUp(Clock::time_point t);
    // Moves the reply bytes the host has received by `t` into its queue.
    void deliverDue(Clock::time_point t);
    // When the host's queue next grows, or no later; nothing when no reply is under way.
    std::optional<Clock::time_point> nextDelivery() const;

    struct Pending {
        Clock::time_point at; // complete at the chip
        std::uint8_t byte;
    };

    Bench& bench_;
    std::string model_;
    std::string description_;
    std::string serial_;
    std::unique_ptr<UartDevice> uart_;
    std::unique_ptr<SpiDevice> spi_;
    LineState line_;
    bool open_ = false;
    bool busy_ = false;
    bool unplugged_ = false;
    std::uint64_t failAt_ = UINT64_MAX;
    std::uint64_t failLeft_ = 0;
    FTDI::Status failStatus_ = 0;
    std::mt19937 rng_{1};
    std::uint64_t replyBytesSeen_ = 0;
    std::deque<Pending> pending_;
    struct Later {
        Clock::time_point due;
        Bytes bytes;
    };
    std::deque<Later> later_; // by due time, queued as the bench gets there
    std::deque<std::uint8_t> rx_;
    Clock::time_point deviceTime_{}; // the time a device callback runs at
    bool inDevice_ = false;
    Clock::time_point txFree_{}; // when the host-to-device wire is free
    Clock::time_point rxFree_{}; // when the device-to-host wire is free
    std::uint8_t latencyTimer_ = kPowerOnLatencyTimer;
    Clock::time_point lastFlush_{}; // the chip's last USB packet: its latency timer counts from there
    bool spiReady_ = false;
    FTDI::ChannelConfig spiConfig_{};
};

class Bench final : public FTDI::Platform {
public:
    explicit Bench(LineModel model = LineModel::Instant);
    ~Bench() override;

    // Builds a bench from a description such as
    // "RVX46:fw=0x15;RVX63;line=wire,latency=1". An empty text gives the
    // default bench (one module per encoder model). Throws
    // std::invalid_argument with a readable message.
    static std::shared_ptr<Bench> fromDescription(const std::string& description);
    // The syntax of that description, for --help.
    static std::string descriptionHelp();

    Module& addUart(std::unique_ptr<UartDevice> device, std::string model = "custom",
                    std::string description = {}, std::string serial = {});
    Module& addSpi(std::unique_ptr<SpiDevice> device, std::string model = "custom",
                   std::string description = {}, std::string serial = {});
    // Adds a module carrying a catalogue model; throws std::invalid_argument.
    Module& add(const std::string& model, const ModelOptions& options = {});

    std::size_t size() const { return modules_.size(); }
    Module& module(std::size_t index) { return *modules_.at(index); }
    Module* find(const std::string& model);

    void setLineModel(LineModel model) { lineModel_ = model; }
    LineModel lineModel() const { return lineModel_; }
    void setUsbLatency(std::chrono::microseconds latency) { usbLatency_ = latency; }
    std::chrono::microseconds usbLatency() const { return usbLatency_; }
    // The latency timer every module's chip has before the host sets one.
    void setPowerOnLatencyTimer(std::uint8_t ms);
    // Waits pass on a virtual clock, which moves only when the bench moves
    // it: at once, however long they are. By default only on the instant
    // line model; the wire model runs in real time unless a test asks for a
    // virtual one.
    void setVirtualClock(bool on) { virtualClock_ = on; }
    bool virtualClock() const { return virtualClock_.value_or(lineModel_ == LineModel::Instant); }
    Counters totals() const;
    // The next listing call (device list or SPI channel count/info) fails.
    void failNextListing(FTDI::Status status);
    // Advances the bench clock (virtually on the instant line model).
    void advanceTo(Clock::time_point t);

    // Platform.
    FTDI::Status createDeviceInfoList(std::uint32_t& count) override;
    FTDI::Status getDeviceInfoList(FTDI::DeviceInfo* list, std::uint32_t& count) override;
    FTDI::Status open(std::uint32_t index, FTDI::Handle& handle) override;
    FTDI::Status close(FTDI::Handle handle) override;
    FTDI::Status setBaudRate(FTDI::Handle handle, std::uint32_t baud) override;
    FTDI::Status setDataCharacteristics(FTDI::Handle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                        std::uint8_t parity) override;
    FTDI::Status setTimeouts(FTDI::Handle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    FTDI::Status setFlowControl(FTDI::Handle handle, std::uint16_t mode, std::uint8_t xon,
                                std::uint8_t xoff) override;
    FTDI::Status setDtr(FTDI::Handle handle) override;
    FTDI::Status clrDtr(FTDI::Handle handle) override;
    FTDI::Status setRts(FTDI::Handle handle) override;
    FTDI::Status clrRts(FTDI::Handle handle) override;
    FTDI::Status setBreakOn(FTDI::Handle handle) override;
    FTDI::Status setBreakOff(FTDI::Handle handle) override;
    FTDI::Status purge(FTDI::Handle handle, std::uint32_t mask) override;
    FTDI::Status getQueueStatus(FTDI::Handle handle, std::uint32_t& bytesWaiting) override;
    FTDI::Status waitForQueue(FTDI::Handle handle, std::uint32_t minBytes, Clock::time_point deadline,
                              std::uint32_t& bytesWaiting) override;
    FTDI::Status read(FTDI::Handle handle, void* buffer, std::uint32_t count,
                      std::uint32_t& received) override;
    FTDI::Status write(FTDI::Handle handle, const void* buffer, std::uint32_t count,
                       std::uint32_t& written) override;
    FTDI::Status setLatencyTimer(FTDI::Handle handle, std::uint8_t ms) override;
    FTDI::Status getLatencyTimer(FTDI::Handle handle, std::uint8_t& ms) override;
    FTDI::Status spiGetNumChannels(std::uint32_t& count) override;
    FTDI::Status spiGetChannelInfo(std::uint32_t index, FTDI::DeviceInfo& info) override;
    FTDI::Status spiOpenChannel(std::uint32_t index, FTDI::Handle& handle) override;
    FTDI::Status spiInitChannel(FTDI::Handle handle, FTDI::ChannelConfig* config) override;
    FTDI::Status spiReadWrite(FTDI::Handle handle, std::uint8_t* in, const std::uint8_t* out,
                              std::uint32_t size, std::uint32_t& transferred, std::uint32_t options) override;
    FTDI::Status spiCloseChannel(FTDI::Handle handle) override;
    Clock::time_point now() override;
    void sleep(std::chrono::milliseconds duration) override;
    bool isHardware() const override { return false; }

    // The configuration the last spiInitChannel received, for tests.
    std::optional<FTDI::ChannelConfig> lastSpiConfig;

private:
    friend class Module;
    Module* uartByHandle(FTDI::Handle handle);
    Module* spiByHandle(FTDI::Handle handle);
    std::vector<Module*> listed(bool spi);
    FTDI::Status changeLine(FTDI::Handle handle, const std::function<void(LineState&)>& change);
    FTDI::Status takeListingFailure();

    std::vector<std::unique_ptr<Module>> modules_;
    LineModel lineModel_;
    std::chrono::microseconds usbLatency_{1000};
    std::uint8_t powerOnLatencyTimer_ = kPowerOnLatencyTimer;
    std::optional<bool> virtualClock_;
    Clock::time_point virtualNow_ = Clock::now(); // moves only when the bench advances it
    Counters hostSleeps_;
    FTDI::Status listingFailure_ = 0;
};

// Installs a bench as the platform for the lifetime of the guard (tests).
class BenchGuard {
public:
    explicit BenchGuard(std::shared_ptr<Bench> bench);
    ~BenchGuard();
    Bench& operator*() const { return *bench_; }
    Bench* operator->() const { return bench_.get(); }

private:
    std::shared_ptr<Bench> bench_;
    std::shared_ptr<FTDI::Platform> previous_;
};

} // namespace sim
