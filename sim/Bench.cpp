#include "Bench.h"

#include "Catalog.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace sim {

using namespace std::chrono;
using FTDI::Status;

namespace {
// A read time-out of 0 waits forever on real modules; the bench gives up after
// this long so that a forgotten time-out cannot hang a test.
constexpr milliseconds kForeverCap{10000};
// On the instant line model an empty queue poll still lets a little virtual
// time pass, so a host loop polling against a deadline always ends.
constexpr microseconds kPollQuantum{1000};

void copyText(char* destination, std::size_t size, const std::string& text) {
    std::strncpy(destination, text.c_str(), size - 1);
    destination[size - 1] = '\0';
}
} // namespace

// ---------------------------------------------------------------- Module

Module::Module(Bench& bench, std::string model, std::string description, std::string serial)
    : bench_(bench), model_(std::move(model)), description_(std::move(description)),
      serial_(std::move(serial)) {}

FTDI::DeviceInfo Module::info() const {
    FTDI::DeviceInfo info;
    info.flags = (busy_ || open_) ? std::uint32_t{FTDI::FLAG_OPENED} : 0u;
    info.type = isSpi() ? 6 /* FT2232H */ : 5 /* FT232R */;
    info.id = isSpi() ? 0x04036010 : 0x04036001;
    copyText(info.serialNumber, sizeof info.serialNumber, serial_);
    copyText(info.description, sizeof info.description, description_);
    return info;
}

void Module::failCalls(Status status, std::uint64_t afterCalls, std::uint64_t count) {
    failAt_ = counters.calls + afterCalls + 1;
    failLeft_ = count == 0 ? UINT64_MAX : count;
    failStatus_ = status;
}

void Module::unplug() {
    unplugged_ = true;
}
void Module::setBusy(bool busy) {
    busy_ = busy;
}
void Module::reseed(std::uint32_t seed) {
    faults.seed = seed;
    rng_.seed(seed);
}

Status Module::enterCall() {
    ++counters.calls;
    if (unplugged_) return FTDI::IO_ERROR;
    if (counters.calls >= failAt_ && failLeft_ > 0) {
        --failLeft_;
        return failStatus_;
    }
    return FTDI::OK;
}

microseconds Module::wireTime(std::size_t bytes) const {
    if (bench_.lineModel() == LineModel::Instant || line_.baud == 0) return microseconds{0};
    return microseconds{static_cast<long long>(bytes) * 10 * 1000000 / line_.baud};
}

Clock::time_point Module::now() const {
    return inDevice_ ? deviceTime_ : bench_.now();
}

// Applies the byte faults to one byte; `keep` turns false when it is dropped.
std::uint8_t Module::corruptible(std::uint8_t byte, bool& keep) {
    keep = true;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    if (faults.drop > 0 && chance(rng_) < faults.drop) {
        keep = false;
        return byte;
    }
    if (faults.flip > 0 && chance(rng_) < faults.flip) byte ^= static_cast<std::uint8_t>(1u << (rng_() % 8));
    return byte;
}

void Module::send(std::span<const std::uint8_t> bytes, microseconds delay) {
    if (!open_ || bytes.empty()) return;
    catchUp(now());
    queue(bytes, now() + delay);
}

void Module::sendLater(std::span<const std::uint8_t> bytes, microseconds delay) {
    if (!open_ || bytes.empty()) return;
    const auto due = now() + delay;
    const auto at = std::upper_bound(later_.begin(), later_.end(), due,
                                     [](Clock::time_point t, const Later& later) { return t < later.due; });
    later_.insert(at, Later{due, Bytes(bytes.begin(), bytes.end())});
}

void Module::catchUp(Clock::time_point t) {
    while (!later_.empty() && later_.front().due <= t) {
        const Later later = std::move(later_.front());
        later_.pop_front();
        queue(later.bytes, later.due);
    }
}

void Module::queue(std::span<const std::uint8_t> bytes, Clock::time_point earliest) {
    Clock::time_point start = std::max(earliest + faults.delay, rxFree_);
    std::size_t count = bytes.size();
    if (faults.truncateReplies) count = std::min(count, *faults.truncateReplies);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::size_t onWire = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const bool armed = replyBytesSeen_++ >= faults.armAfterBytes;
        if (faults.silent) continue;
        if (armed && faults.junk > 0 && chance(rng_) < faults.junk) {
            ++onWire;
            pending_.push_back({start + wireTime(onWire), static_cast<std::uint8_t>(rng_())});
        }
        bool keep = true;
        const std::uint8_t byte = armed ? corruptible(bytes[i], keep) : bytes[i];
        ++onWire;
        if (!keep) continue;
        pending_.push_back({start + wireTime(onWire), byte});
    }
    counters.bytesFromDevice += onWire;
    counters.lineBusy += wireTime(onWire);
    // A reply starts no earlier than the last one ends, so the queue stays
    // sorted by time without sorting it.
    rxFree_ = start + wireTime(onWire);
}

void Module::discardPending() {
    pending_.clear();
    later_.clear();
}

std::optional<Module::Flush> Module::nextFlush() const {
    if (pending_.empty()) return std::nullopt;
    if (bench_.lineModel() == LineModel::Instant) return Flush{pending_.front().at, 1, false};
    // The timer runs out every period after the last packet: the first such
    // moment at or after the first byte came sends what is there by then,
    // unless a full packet goes first.
    const Clock::duration period = milliseconds(std::max<int>(latencyTimer_, 1));
    const auto first = pending_.front().at;
    auto tick = lastFlush_ + period;
    if (first > tick) tick += (first - tick + period - Clock::duration(1)) / period * period;
    if (pending_.size() >= kUsbPacketData && pending_[kUsbPacketData - 1].at <= tick)
        return Flush{pending_[kUsbPacketData - 1].at, kUsbPacketData, false};
    std::size_t bytes = 0;
    while (bytes < pending_.size() && pending_[bytes].at <= tick)
        ++bytes;
    return Flush{tick, bytes, true};
}

Clock::time_point Module::deliveryOf(const Flush& flush) const {
    return flush.at + (bench_.lineModel() == LineModel::Wire ? bench_.usbLatency() : microseconds{0});
}

std::optional<Clock::time_point> Module::nextDelivery() const {
    std::optional<Clock::time_point> delivery;
    if (const auto flush = nextFlush()) delivery = deliveryOf(*flush);
    // A later send joins the line when it is due; nothing of it arrives sooner.
    if (!later_.empty() && (!delivery || later_.front().due < *delivery)) delivery = later_.front().due;
    return delivery;
}

void Module::deliverDue(Clock::time_point t) {
    const bool wire = bench_.lineModel() == LineModel::Wire;
    catchUp(t);
    for (auto flush = nextFlush(); flush && deliveryOf(*flush) <= t; flush = nextFlush()) {
        if (wire) {
            ++counters.packetsToHost;
            if (flush->byTimer) {
                ++counters.latencyPackets;
                counters.latencyWait += duration_cast<microseconds>(flush->at - pending_.front().at);
            }
            lastFlush_ = flush->at;
        }
        for (std::size_t i = 0; i < flush->bytes; ++i) {
            rx_.push_back(pending_.front().byte);
            pending_.pop_front();
        }
    }
}

// ---------------------------------------------------------------- Bench

Bench::Bench(LineModel model) : lineModel_(model) {}
Bench::~Bench() = default;

Module& Bench::addUart(std::unique_ptr<UartDevice> device, std::string model, std::string description,
                       std::string serial) {
    if (description.empty()) description = "RVX-LINK (simulated): " + model;
    if (serial.empty()) serial = "RVXSIM" + std::to_string(1000 + modules_.size());
    modules_.push_back(std::unique_ptr<Module>(new Module(*this, model, description, serial)));
    modules_.back()->uart_ = std::move(device);
    modules_.back()->latencyTimer_ = powerOnLatencyTimer_;
    return *modules_.back();
}

Module& Bench::addSpi(std::unique_ptr<SpiDevice> device, std::string model, std::string description,
                      std::string serial) {
    if (description.empty()) description = "RVX-LINK SPI (simulated): " + model;
    if (serial.empty()) serial = "RVXSIM" + std::to_string(1000 + modules_.size());
    modules_.push_back(std::unique_ptr<Module>(new Module(*this, model, description, serial)));
    modules_.back()->spi_ = std::move(device);
    modules_.back()->latencyTimer_ = powerOnLatencyTimer_;
    return *modules_.back();
}

Module& Bench::add(const std::string& model, const ModelOptions& options) {
    const ModelEntry* entry = findModel(model);
    if (!entry) throw std::invalid_argument("the bench has no encoder model \"" + model + "\"");
    std::string description = "RVX-LINK (simulated): " + model;
    if (options.has("fw")) description += ", firmware " + options.get("fw");
    if (entry->spi) return addSpi(entry->makeSpi(options), model, description, options.get("serial"));
    return addUart(entry->makeUart(options), model, description, options.get("serial"));
}

Module* Bench::find(const std::string& model) {
    for (auto& module : modules_)
        if (module->model_ == model) return module.get();
    return nullptr;
}

Counters& Counters::operator+=(const Counters& other) {
    bytesToDevice += other.bytesToDevice;
    bytesFromDevice += other.bytesFromDevice;
    lineBusy += other.lineBusy;
    sleeps += other.sleeps;
    slept += other.slept;
    calls += other.calls;
    spiTransfers += other.spiTransfers;
    writes += other.writes;
    queuePolls += other.queuePolls;
    packetsToHost += other.packetsToHost;
    latencyPackets += other.latencyPackets;
    latencyWait += other.latencyWait;
    return *this;
}

Counters Counters::operator-(const Counters& earlier) const {
    Counters added = *this;
    added.bytesToDevice -= earlier.bytesToDevice;
    added.bytesFromDevice -= earlier.bytesFromDevice;
    added.lineBusy -= earlier.lineBusy;
    added.sleeps -= earlier.sleeps;
    added.slept -= earlier.slept;
    added.calls -= earlier.calls;
    added.spiTransfers -= earlier.spiTransfers;
    added.writes -= earlier.writes;
    added.queuePolls -= earlier.queuePolls;
    added.packetsToHost -= earlier.packetsToHost;
    added.latencyPackets -= earlier.latencyPackets;
    added.latencyWait -= earlier.latencyWait;
    return added;
}

Counters Bench::totals() const {
    // Modules count no sleeps: the host's are the bench's own.
    Counters sum = hostSleeps_;
    for (const auto& module : modules_)
        sum += module->counters;
    return sum;
}

Clock::time_point Bench::now() {
    return virtualClock() ? virtualNow_ : Clock::now();
}

void Bench::setPowerOnLatencyTimer(std::uint8_t ms) {
    powerOnLatencyTimer_ = std::max<std::uint8_t>(ms, 1);
    for (auto& module : modules_)
        module->latencyTimer_ = powerOnLatencyTimer_;
}

void Bench::advanceTo(Clock::time_point t) {
    const auto current = now();
    if (t <= current) return;
    if (virtualClock())
        virtualNow_ = t;
    else
        std::this_thread::sleep_until(t);
}

void Bench::sleep(milliseconds duration) {
    ++hostSleeps_.sleeps;
    hostSleeps_.slept += duration;
    advanceTo(now() + duration);
}

std::vector<Module*> Bench::listed(bool spi) {
    std::vector<Module*> result;
    for (auto& module : modules_)
        if (module->isSpi() == spi && !module->unplugged_) result.push_back(module.get());
    return result;
}

Module* Bench::uartByHandle(FTDI::Handle handle) {
    for (auto& module : modules_)
        if (module.get() == handle && !module->isSpi() && module->open_) return module.get();
    return nullptr;
}

Module* Bench::spiByHandle(FTDI::Handle handle) {
    for (auto& module : modules_)
        if (module.get() == handle && module->isSpi() && module->open_) return module.get();
    return nullptr;
}

void Bench::failNextListing(Status status) {
    listingFailure_ = status;
}

Status Bench::takeListingFailure() {
    const Status status = listingFailure_;
    listingFailure_ = FTDI::OK;
    return status;
}

Status Bench::createDeviceInfoList(std::uint32_t& count) {
    if (Status status = takeListingFailure()) return status;
    count = static_cast<std::uint32_t>(listed(false).size());
    return FTDI::OK;
}

Status Bench::getDeviceInfoList(FTDI::DeviceInfo* list, std::uint32_t& count) {
    if (Status status = takeListingFailure()) return status;
    auto modules = listed(false);
    count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(modules.size()));
    for (std::uint32_t i = 0; i < count; ++i)
        list[i] = modules[i]->info();
    return FTDI::OK;
}

Status Bench::open(std::uint32_t index, FTDI::Handle& handle) {
    auto modules = listed(false);
    if (index >= modules.size()) return FTDI::DEVICE_NOT_FOUND;
    Module& m = *modules[index];
    if (Status status = m.enterCall()) return status;
    if (m.busy_ || m.open_) return FTDI::DEVICE_NOT_OPENED;
    m.open_ = true;
    m.line_ = LineState{};
    m.rx_.clear();
    m.pending_.clear();
    m.later_.clear();
    m.txFree_ = m.rxFree_ = m.lastFlush_ = now();
    handle = &m;
    m.deviceTime_ = now();
    m.inDevice_ = true;
    m.uart_->opened(m);
    m.inDevice_ = false;
    return FTDI::OK;
}

Status Bench::close(FTDI::Handle handle) {
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    ++m->counters.calls;
    m->open_ = false;
    m->uart_->closed();
    return FTDI::OK;
}

Status Bench::changeLine(FTDI::Handle handle, const std::function<void(LineState&)>& change) {
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    const LineState before = m->line_;
    change(m->line_);
    m->deviceTime_ = now();
    m->inDevice_ = true;
    m->uart_->lineChanged(before, *m);
    m->inDevice_ = false;
    return FTDI::OK;
}

Status Bench::setBaudRate(FTDI::Handle handle, std::uint32_t baud) {
    // The chip's divisor cannot reach rates above 3 Mbaud or below 183 baud.
    if (baud > 3000000 || baud < 183) {
        Module* m = uartByHandle(handle);
        if (!m) return FTDI::INVALID_HANDLE;
        if (Status status = m->enterCall()) return status;
        return FTDI::INVALID_BAUD_RATE;
    }
    return changeLine(handle, [baud](LineState& line) { line.baud = baud; });
}

Status Bench::setDataCharacteristics(FTDI::Handle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                     std::uint8_t parity) {
    return changeLine(handle, [=](LineState& line) {
        line.wordLength = wordLength;
        line.stopBits = stopBits;
        line.parity = parity;
    });
}

Status Bench::setTimeouts(FTDI::Handle handle, std::uint32_t readMs, std::uint32_t writeMs) {
    return changeLine(handle, [=](LineState& line) {
        line.readTimeoutMs = readMs;
        line.writeTimeoutMs = writeMs;
    });
}

Status Bench::setFlowControl(FTDI::Handle handle, std::uint16_t mode, std::uint8_t, std::uint8_t) {
    return changeLine(handle, [=](LineState& line) { line.flowControl = mode; });
}

Status Bench::setDtr(FTDI::Handle handle) {
    return changeLine(handle, [](LineState& line) { line.dtr = true; });
}
Status Bench::clrDtr(FTDI::Handle handle) {
    return changeLine(handle, [](LineState& line) { line.dtr = false; });
}
Status Bench::setRts(FTDI::Handle handle) {
    return changeLine(handle, [](LineState& line) { line.rts = true; });
}
Status Bench::clrRts(FTDI::Handle handle) {
    return changeLine(handle, [](LineState& line) { line.rts = false; });
}
Status Bench::setBreakOn(FTDI::Handle handle) {
    return changeLine(handle, [](LineState& line) { line.breakOn = true; });
}
Status Bench::setBreakOff(FTDI::Handle handle) {
    return changeLine(handle, [](LineState& line) { line.breakOn = false; });
}

Status Bench::purge(FTDI::Handle handle, std::uint32_t mask) {
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    if (mask & FTDI::PURGE_RX) {
        // The host's queue and what the chip holds; bytes still on the wire come later.
        m->deliverDue(now());
        m->rx_.clear();
        while (!m->pending_.empty() && m->pending_.front().at <= now())
            m->pending_.pop_front();
    }
    return FTDI::OK;
}

Status Bench::getQueueStatus(FTDI::Handle handle, std::uint32_t& bytesWaiting) {
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    ++m->counters.queuePolls;
    m->deliverDue(now());
    if (m->rx_.empty() && virtualClock()) {
        auto next = now() + kPollQuantum;
        if (const auto delivery = m->nextDelivery()) next = std::min(next, *delivery);
        advanceTo(next);
        m->deliverDue(now());
    }
    bytesWaiting = static_cast<std::uint32_t>(m->rx_.size());
    return FTDI::OK;
}

Status Bench::waitForQueue(FTDI::Handle handle, std::uint32_t minBytes, Clock::time_point deadline,
                           std::uint32_t& bytesWaiting) {
    bytesWaiting = 0;
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    ++m->counters.queuePolls;
    for (;;) {
        m->deliverDue(now());
        if (m->rx_.size() >= minBytes || now() >= deadline) break;
        const auto delivery = m->nextDelivery();
        advanceTo(delivery ? std::min(*delivery, deadline) : deadline);
    }
    bytesWaiting = static_cast<std::uint32_t>(m->rx_.size());
    return FTDI::OK;
}

Status Bench::read(FTDI::Handle handle, void* buffer, std::uint32_t count, std::uint32_t& received) {
    received = 0;
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    const milliseconds timeout = m->line_.readTimeoutMs ? milliseconds{m->line_.readTimeoutMs} : kForeverCap;
    const auto deadline = now() + timeout;
    for (;;) {
        m->deliverDue(now());
        if (m->rx_.size() >= count) break;
        const auto delivery = m->nextDelivery();
        if (!delivery || *delivery > deadline) {
            advanceTo(deadline);
            m->deliverDue(now());
            break;
        }
        advanceTo(*delivery);
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (received < count && !m->rx_.empty()) {
        out[received++] = m->rx_.front();
        m->rx_.pop_front();
    }
    return FTDI::OK;
}

Status Bench::write(FTDI::Handle handle, const void* buffer, std::uint32_t count, std::uint32_t& written) {
    written = 0;
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    Bytes bytes;
    bytes.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        bool keep = true;
        const std::uint8_t byte = m->faults.hostToDevice ? m->corruptible(in[i], keep) : in[i];
        if (keep) bytes.push_back(byte);
    }
    written = count;
    ++m->counters.writes;
    m->counters.bytesToDevice += count;
    const bool wire = lineModel_ == LineModel::Wire;
    const auto start = std::max(now() + (wire ? usbLatency_ : microseconds{0}), m->txFree_);
    const auto arrival = start + m->wireTime(count);
    m->txFree_ = arrival;
    m->counters.lineBusy += m->wireTime(count);
    // A break holds the line low: nothing the host sends gets through.
    if (m->line_.breakOn || bytes.empty()) return FTDI::OK;
    m->deviceTime_ = arrival;
    m->inDevice_ = true;
    m->uart_->receive(bytes, *m);
    m->inDevice_ = false;
    return FTDI::OK;
}

Status Bench::setLatencyTimer(FTDI::Handle handle, std::uint8_t ms) {
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    if (ms == 0) return FTDI::INVALID_PARAMETER;
    m->latencyTimer_ = ms;
    return FTDI::OK;
}

Status Bench::getLatencyTimer(FTDI::Handle handle, std::uint8_t& ms) {
    Module* m = uartByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    ms = m->latencyTimer_;
    return FTDI::OK;
}

Status Bench::spiGetNumChannels(std::uint32_t& count) {
    if (Status status = takeListingFailure()) return status;
    count = static_cast<std::uint32_t>(listed(true).size());
    return FTDI::OK;
}

Status Bench::spiGetChannelInfo(std::uint32_t index, FTDI::DeviceInfo& info) {
    if (Status status = takeListingFailure()) return status;
    auto modules = listed(true);
    if (index >= modules.size()) return FTDI::DEVICE_NOT_FOUND;
    info = modules[index]->info();
    return FTDI::OK;
}

Status Bench::spiOpenChannel(std::uint32_t index, FTDI::Handle& handle) {
    auto modules = listed(true);
    if (index >= modules.size()) return FTDI::DEVICE_NOT_FOUND;
    Module& m = *modules[index];
    if (Status status = m.enterCall()) return status;
    if (m.busy_ || m.open_) return FTDI::DEVICE_NOT_OPENED;
    m.open_ = true;
    m.spiReady_ = false;
    handle = &m;
    return FTDI::OK;
}

Status Bench::spiInitChannel(FTDI::Handle handle, FTDI::ChannelConfig* config) {
    Module* m = spiByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    if (!config || config->clockRate == 0 || config->clockRate > 30000000) return FTDI::INVALID_PARAMETER;
    // Like the MPSSE library, add clock (ADBUS0), data out (ADBUS1) and chip
    // select (ADBUS3) to the initial and final pin directions, with chip select
    // at its inactive level, and write the field back.
    const std::uint32_t outputs = 0x0B;
    const std::uint32_t csBit = 1u << (3 + ((config->configOptions >> 2) & 0x7));
    const std::uint32_t inactive = (config->configOptions & 0x20) ? csBit : 0;
    config->pin |= outputs | (inactive << 8) | (outputs << 16) | (inactive << 24);
    m->spiConfig_ = *config;
    m->latencyTimer_ = std::max<std::uint8_t>(config->latencyTimer, 1);
    lastSpiConfig = *config;
    m->spiReady_ = true;
    m->spi_->opened(now());
    return FTDI::OK;
}

Status Bench::spiReadWrite(FTDI::Handle handle, std::uint8_t* in, const std::uint8_t* out, std::uint32_t size,
                           std::uint32_t& transferred, std::uint32_t options) {
    transferred = 0;
    Module* m = spiByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    if (Status status = m->enterCall()) return status;
    if (!m->spiReady_) return FTDI::DEVICE_NOT_OPENED;
    const std::uint32_t bytes = (options & FTDI::SPI_TRANSFER_OPTIONS_SIZE_IN_BITS) ? (size + 7) / 8 : size;
    const microseconds clockTime{static_cast<long long>(bytes) * 8 * 1000000 /
                                 std::max<std::uint32_t>(m->spiConfig_.clockRate, 1)};
    if (lineModel_ == LineModel::Wire) advanceTo(now() + usbLatency_ + clockTime);
    m->counters.lineBusy += clockTime;
    ++m->counters.spiTransfers;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    for (std::uint32_t i = 0; i < bytes; ++i) {
        m->counters.bytesToDevice += 1;
        const std::uint8_t reply = m->spi_->exchange(out[i], now());
        m->counters.bytesFromDevice += 1;
        const bool armed = m->replyBytesSeen_++ >= m->faults.armAfterBytes;
        if (m->faults.silent) {
            in[i] = 0xFF; // nobody drives the data line
        } else if (armed) {
            bool keep = true;
            in[i] = m->corruptible(reply, keep);
            if (!keep) break; // a lost byte ends the transfer short
        } else {
            in[i] = reply;
        }
        ++transferred;
    }
    if (options & FTDI::SPI_TRANSFER_OPTIONS_SIZE_IN_BITS) transferred = std::min(size, transferred * 8);
    return FTDI::OK;
}

Status Bench::spiCloseChannel(FTDI::Handle handle) {
    Module* m = spiByHandle(handle);
    if (!m) return FTDI::INVALID_HANDLE;
    ++m->counters.calls;
    m->open_ = false;
    m->spiReady_ = false;
    return FTDI::OK;
}

// ---------------------------------------------------------------- BenchGuard

BenchGuard::BenchGuard(std::shared_ptr<Bench> bench)
    : bench_(std::move(bench)), previous_(FTDI::installPlatform(bench_)) {}

BenchGuard::~BenchGuard() {
    FTDI::installPlatform(std::move(previous_));
}

} // namespace sim
