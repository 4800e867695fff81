#include "LibftdiPlatform.h"

#include "ErrorMapping.h"

#include <algorithm>
#include <array>
#include <climits>

namespace FTDI {

std::shared_ptr<Platform> makeLibftdiPlatform() {
    return std::make_shared<libftdi::LibftdiPlatform>(libftdi::makeLibftdiUsb());
}

namespace libftdi {
namespace {

// At 1 MHz a reply takes microseconds; this long means the engine is gone.
constexpr std::chrono::milliseconds MPSSE_REPLY_TIMEOUT{1000};

// D2XX flow-control modes; libftdi1 uses the same coding.
enum : std::uint16_t {
    FLOW_NONE = 0x0000,
    FLOW_RTS_CTS = 0x0100,
    FLOW_DTR_DSR = 0x0200,
    FLOW_XON_XOFF = 0x0400
};

bool validLineProperties(std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity) {
    // D2XX and libftdi1 share the coding: 7 or 8 bits; stop bits 0 = 1, 1 = 1.5, 2 = 2;
    // parity none, odd, even, mark, space.
    return (wordLength == 7 || wordLength == 8) && stopBits <= 2 && parity <= 4;
}

} // namespace

LibftdiPlatform::LibftdiPlatform(std::shared_ptr<Usb> usb) : usb_(std::move(usb)) {}

LibftdiPlatform::~LibftdiPlatform() {
    while (!open_.empty()) {
        const auto& [handle, open] = *open_.begin();
        if (open->spi)
            spiCloseChannel(handle);
        else
            close(handle);
    }
}

// ---- listing ----

Handle LibftdiPlatform::holderOf(const InterfaceKey& key) const {
    for (const auto& [handle, open] : open_)
        if (open->key == key) return handle;
    return nullptr;
}

Status LibftdiPlatform::listAll(std::vector<ListedInterface>& entries, bool mpsseOnly) {
    std::vector<UsbDevice> devices;
    const int result = usb_->findAll(devices);
    if (result < 0) return statusOf(Call::FindAll, result);
    entries = listInterfaces(devices);
    if (mpsseOnly) std::erase_if(entries, [](const ListedInterface& entry) { return !entry.runsMpsse(); });
    for (auto& entry : entries) {
        entry.info.handle = holderOf(entry.key());
        if (entry.info.handle)
            entry.info.flags |= FLAG_OPENED;
        else // a look that opens nothing: the listing disturbs no port
            markHolder(entry, usb_->probe(entry.device, entry.interfaceIndex));
    }
    return OK;
}

Status LibftdiPlatform::createDeviceInfoList(std::uint32_t& count) {
    count = 0;
    const Status status = listAll(devices_, false);
    if (status != OK) {
        devices_.clear();
        return status;
    }
    count = static_cast<std::uint32_t>(devices_.size());
    return OK;
}

Status LibftdiPlatform::getDeviceInfoList(DeviceInfo* list, std::uint32_t& count) {
    if (!list) return INVALID_PARAMETER;
    std::transform(devices_.begin(), devices_.end(), list,
                   [](const ListedInterface& entry) { return entry.info; });
    count = static_cast<std::uint32_t>(devices_.size());
    return OK;
}

// ---- open and close ----

Status LibftdiPlatform::openEntry(const ListedInterface& entry, bool spi, Handle& handle) {
    if (holderOf(entry.key())) return DEVICE_NOT_OPENED;
    // Opening takes the interface from ftdi_sio: not from under a program using its tty.
    if (usb_->probe(entry.device, entry.interfaceIndex) == Holder::SerialPort) return DEVICE_NOT_OPENED;
    std::unique_ptr<UsbPort> port;
    const int result = usb_->open(entry.device, entry.interfaceIndex, port);
    if (result < 0) return statusOf(Call::Open, result);
    if (!spi) {
        // A previous user may have left the interface in a bit mode; a serial port starts in none.
        if (const int reset = port->setBitmode(0, BITMODE_RESET); reset < 0) {
            port->close();
            return statusOf(Call::SetBitmode, reset);
        }
    }
    auto open = std::make_unique<OpenInterface>();
    open->key = entry.key();
    open->port = std::move(port);
    open->queue = std::make_unique<ReceiveQueue>(*open->port);
    open->chip = entry.chip;
    open->spi = spi;
    handle = open.get();
    open_.emplace(handle, std::move(open));
    return OK;
}

Status LibftdiPlatform::open(std::uint32_t index, Handle& handle) {
    handle = nullptr;
    if (devices_.empty())
        if (const Status status = listAll(devices_, false); status != OK) return status;
    if (index >= devices_.size()) return DEVICE_NOT_FOUND;
    return openEntry(devices_[index], false, handle);
}

LibftdiPlatform::OpenInterface* LibftdiPlatform::find(Handle handle, bool spi) {
    const auto it = open_.find(handle);
    if (it == open_.end() || it->second->spi != spi) return nullptr;
    return it->second.get();
}

Status LibftdiPlatform::closeEntry(Handle handle, Status status) {
    auto& open = *open_.at(handle);
    open.queue.reset();
    const Status closed = statusOf(Call::Close, open.port->close());
    open_.erase(handle);
    return status == OK ? closed : status;
}

Status LibftdiPlatform::close(Handle handle) {
    if (!find(handle, false)) return INVALID_HANDLE;
    return closeEntry(handle, OK);
}

// ---- line settings ----

Status LibftdiPlatform::setBaudRate(Handle handle, std::uint32_t baud) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    if (baud == 0 || baud > INT_MAX) return INVALID_BAUD_RATE;
    return statusOf(Call::SetBaudrate, open->port->setBaudrate(static_cast<int>(baud)));
}

Status LibftdiPlatform::setDataCharacteristics(Handle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                               std::uint8_t parity) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    if (!validLineProperties(wordLength, stopBits, parity)) return INVALID_PARAMETER;
    const Status status =
        statusOf(Call::SetLineProperty, open->port->setLineProperty(wordLength, stopBits, parity, false));
    if (status == OK) {
        open->wordLength = wordLength;
        open->stopBits = stopBits;
        open->parity = parity;
    }
    return status;
}

Status LibftdiPlatform::setTimeouts(Handle handle, std::uint32_t readMs, std::uint32_t writeMs) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    open->readTimeoutMs = readMs;
    open->port->setWriteTimeout(static_cast<int>(std::min<std::uint32_t>(writeMs, INT_MAX)));
    return OK;
}

Status LibftdiPlatform::setFlowControl(Handle handle, std::uint16_t mode, std::uint8_t xon,
                                       std::uint8_t xoff) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    switch (mode) {
    case FLOW_NONE:
    case FLOW_RTS_CTS:
    case FLOW_DTR_DSR:
        return statusOf(Call::SetFlowControl, open->port->setFlowControl(mode));
    case FLOW_XON_XOFF:
        return statusOf(Call::SetFlowControl, open->port->setFlowControlXonXoff(xon, xoff));
    default:
        return INVALID_PARAMETER;
    }
}

Status LibftdiPlatform::setModemLine(Handle handle, int (UsbPort::*call)(bool), bool on) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    return statusOf(Call::SetModemLine, (open->port.get()->*call)(on));
}

Status LibftdiPlatform::setDtr(Handle handle) {
    return setModemLine(handle, &UsbPort::setDtr, true);
}
Status LibftdiPlatform::clrDtr(Handle handle) {
    return setModemLine(handle, &UsbPort::setDtr, false);
}
Status LibftdiPlatform::setRts(Handle handle) {
    return setModemLine(handle, &UsbPort::setRts, true);
}
Status LibftdiPlatform::clrRts(Handle handle) {
    return setModemLine(handle, &UsbPort::setRts, false);
}

Status LibftdiPlatform::setBreak(Handle handle, bool on) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    // The chip takes break together with the data characteristics.
    return statusOf(Call::SetLineProperty,
                    open->port->setLineProperty(open->wordLength, open->stopBits, open->parity, on));
}

Status LibftdiPlatform::setBreakOn(Handle handle) {
    return setBreak(handle, true);
}
Status LibftdiPlatform::setBreakOff(Handle handle) {
    return setBreak(handle, false);
}

Status LibftdiPlatform::purge(Handle handle, std::uint32_t mask) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    if (mask & PURGE_RX) {
        const int result = open->queue->purge([&] { return open->port->purgeReceive(); });
        if (result < 0) return statusOf(Call::Purge, result);
    }
    if (mask & PURGE_TX) return statusOf(Call::Purge, open->port->purgeTransmit());
    return OK;
}

// ---- data ----

Status LibftdiPlatform::collect(OpenInterface& open, std::uint8_t* buffer, std::uint32_t count,
                                std::uint32_t& received, std::optional<Clock::time_point> deadline) {
    received = 0;
    std::uint32_t queued = 0;
    if (const Status status = open.queue->waitFor(count, deadline, queued); status != OK) return status;
    received = open.queue->take(buffer, count);
    return OK;
}

Status LibftdiPlatform::getQueueStatus(Handle handle, std::uint32_t& bytesWaiting) {
    bytesWaiting = 0;
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    return open->queue->waitFor(0, std::nullopt, bytesWaiting);
}

Status LibftdiPlatform::waitForQueue(Handle handle, std::uint32_t minBytes, Clock::time_point deadline,
                                     std::uint32_t& bytesWaiting) {
    bytesWaiting = 0;
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    return open->queue->waitFor(minBytes, deadline, bytesWaiting);
}

Status LibftdiPlatform::read(Handle handle, void* buffer, std::uint32_t count, std::uint32_t& received) {
    received = 0;
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    if (!buffer && count) return INVALID_PARAMETER;
    std::optional<Clock::time_point> deadline;
    if (open->readTimeoutMs) deadline = Clock::now() + std::chrono::milliseconds(open->readTimeoutMs);
    return collect(*open, static_cast<std::uint8_t*>(buffer), count, received, deadline);
}

Status LibftdiPlatform::write(Handle handle, const void* buffer, std::uint32_t count,
                              std::uint32_t& written) {
    written = 0;
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    if ((!buffer && count) || count > INT_MAX) return INVALID_PARAMETER;
    const int result = open->port->write(static_cast<const std::uint8_t*>(buffer), static_cast<int>(count));
    if (result > 0) written = static_cast<std::uint32_t>(result);
    return statusOf(Call::Write, result);
}

Status LibftdiPlatform::setLatencyTimer(Handle handle, std::uint8_t ms) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    if (ms == 0) return INVALID_PARAMETER;
    return statusOf(Call::SetLatencyTimer, open->port->setLatencyTimer(ms));
}

Status LibftdiPlatform::getLatencyTimer(Handle handle, std::uint8_t& ms) {
    auto* open = find(handle, false);
    if (!open) return INVALID_HANDLE;
    return statusOf(Call::GetLatencyTimer, open->port->getLatencyTimer(ms));
}

// ---- SPI over MPSSE ----

Status LibftdiPlatform::sendAll(OpenInterface& open, const std::vector<std::uint8_t>& bytes) {
    const int result = open.port->write(bytes.data(), static_cast<int>(bytes.size()));
    if (result < 0) return statusOf(Call::Write, result);
    return static_cast<std::size_t>(result) == bytes.size() ? OK : IO_ERROR;
}

Status LibftdiPlatform::synchroniseMpsse(OpenInterface& open) {
    // An invalid opcode makes the engine answer "bad command" and echo it,
    // which proves MPSSE is running and everything before it has been read.
    open.queue->discard();
    if (const Status status = sendAll(open, {mpsse::SYNC_COMMAND}); status != OK) return status;
    const auto deadline = Clock::now() + MPSSE_REPLY_TIMEOUT;
    std::uint8_t previous = 0;
    for (;;) {
        std::uint8_t byte = 0;
        std::uint32_t got = 0;
        if (const Status status = collect(open, &byte, 1, got, deadline); status != OK) return status;
        if (got == 0) return IO_ERROR;
        if (previous == mpsse::BAD_COMMAND_REPLY && byte == mpsse::SYNC_COMMAND) {
            open.resynchronise = false;
            return OK;
        }
        previous = byte;
    }
}

Status LibftdiPlatform::spiGetNumChannels(std::uint32_t& count) {
    count = 0;
    const Status status = listAll(spiChannels_, true);
    if (status != OK) {
        spiChannels_.clear();
        return status;
    }
    count = static_cast<std::uint32_t>(spiChannels_.size());
    return OK;
}

Status LibftdiPlatform::spiGetChannelInfo(std::uint32_t index, DeviceInfo& info) {
    if (spiChannels_.empty())
        if (const Status status = listAll(spiChannels_, true); status != OK) return status;
    if (index >= spiChannels_.size()) return DEVICE_NOT_FOUND;
    info = spiChannels_[index].info;
    if (Handle holder = holderOf(spiChannels_[index].key())) {
        info.flags |= FLAG_OPENED;
        info.handle = holder;
    }
    return OK;
}

Status LibftdiPlatform::spiOpenChannel(std::uint32_t index, Handle& handle) {
    handle = nullptr;
    if (spiChannels_.empty())
        if (const Status status = listAll(spiChannels_, true); status != OK) return status;
    if (index >= spiChannels_.size()) return DEVICE_NOT_FOUND;
    return openEntry(spiChannels_[index], true, handle);
}

Status LibftdiPlatform::spiInitChannel(Handle handle, ChannelConfig* config) {
    auto* open = find(handle, true);
    if (!open) return INVALID_HANDLE;
    if (!config) return INVALID_PARAMETER;
    const auto setup = mpsse::planSpi(*config, *open->chip);
    if (!setup) return INVALID_PARAMETER;
    open->spiSetup.reset();

    auto& port = *open->port;
    if (const int result = port.setLatencyTimer(setup->latencyTimer); result < 0)
        return statusOf(Call::SetLatencyTimer, result);
    // Directions are set by MPSSE commands, so the bit-mode mask stays 0.
    if (const int result = port.setBitmode(0, BITMODE_RESET); result < 0)
        return statusOf(Call::SetBitmode, result);
    if (const int result = port.setBitmode(0, BITMODE_MPSSE); result < 0)
        return statusOf(Call::SetBitmode, result);
    if (const int result = open->queue->purge([&] { return port.purgeReceive(); }); result < 0)
        return statusOf(Call::Purge, result);
    if (const int result = port.purgeTransmit(); result < 0) return statusOf(Call::Purge, result);
    if (const Status status = synchroniseMpsse(*open); status != OK) return status;
    if (const Status status = sendAll(*open, mpsse::initCommands(*setup, *open->chip)); status != OK)
        return status;

    // Written back with the SPI lines added; a second init with this record sets up the same lines.
    config->pin = setup->pinField();
    open->spiSetup = setup;
    return OK;
}

Status LibftdiPlatform::spiReadWrite(Handle handle, std::uint8_t* in, const std::uint8_t* out,
                                     std::uint32_t size, std::uint32_t& transferred, std::uint32_t options) {
    transferred = 0;
    auto* open = find(handle, true);
    if (!open) return INVALID_HANDLE;
    if (!open->spiSetup) return DEVICE_NOT_OPENED;
    // The program clocks whole bytes only.
    if (options & SPI_TRANSFER_OPTIONS_SIZE_IN_BITS) return NOT_SUPPORTED;
    if (size && !out) return INVALID_PARAMETER;
    // After a reply that came short, the engine may still send it: let it
    // finish before this transfer, or every answer would be the one before.
    if (open->resynchronise)
        if (const Status status = synchroniseMpsse(*open); status != OK) return status;

    // Pieces no larger than the chip holds for us, each read before the next
    // is clocked, with chip select taken only before the first and released
    // only after the last.
    if (size == 0) return transferPiece(*open, in, out, 0, transferred, options);
    const std::uint32_t piece = std::max<std::uint32_t>(open->chip->hostBuffer, 1);
    for (std::uint32_t done = 0; done < size;) {
        const std::uint32_t n = std::min(size - done, piece);
        std::uint32_t pieceOptions = options;
        if (done > 0) pieceOptions &= ~SPI_TRANSFER_OPTIONS_CHIPSELECT_ENABLE;
        if (done + n < size) pieceOptions &= ~SPI_TRANSFER_OPTIONS_CHIPSELECT_DISABLE;
        std::uint32_t got = 0;
        const Status status =
            transferPiece(*open, in ? in + done : nullptr, out + done, n, got, pieceOptions);
        transferred += got;
        if (status != OK || got < n) return status;
        done += n;
    }
    return OK;
}

Status LibftdiPlatform::transferPiece(OpenInterface& open, std::uint8_t* in, const std::uint8_t* out,
                                      std::uint32_t size, std::uint32_t& transferred, std::uint32_t options) {
    transferred = 0;
    // Nothing but this piece's reply may be taken for it.
    open.queue->discard();
    if (const Status status = sendAll(open, mpsse::transferCommands(*open.spiSetup, out, size, options));
        status != OK)
        return status;
    std::vector<std::uint8_t> reply(size);
    const Status status = collect(open, reply.data(), size, transferred, Clock::now() + MPSSE_REPLY_TIMEOUT);
    if (transferred < size) open.resynchronise = true;
    if (in) std::copy_n(reply.begin(), transferred, in);
    return status;
}

Status LibftdiPlatform::spiCloseChannel(Handle handle) {
    auto* open = find(handle, true);
    if (!open) return INVALID_HANDLE;
    Status status = OK;
    if (open->spiSetup) {
        status = sendAll(*open, mpsse::closeCommands(*open->spiSetup));
        const Status reset = statusOf(Call::SetBitmode, open->port->setBitmode(0, BITMODE_RESET));
        if (status == OK) status = reset;
    }
    return closeEntry(handle, status);
}

} // namespace libftdi
} // namespace FTDI
