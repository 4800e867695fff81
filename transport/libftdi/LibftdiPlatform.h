#pragma once
// The platform layer over libftdi1, for real RVX-LINK modules on Linux. It
// gives libftdi1 the D2XX behaviour the links rely on (per-interface listing,
// busy flags, a receive queue per open interface that a reader thread keeps
// filled, reads that return once their count is in or the read time-out has
// passed) and runs SPI through its own MPSSE layer.
#include "DeviceListing.h"
#include "Mpsse.h"
#include "ReceiveQueue.h"
#include "UsbSeam.h"

#include <map>
#include <memory>
#include <optional>

namespace FTDI::libftdi {

class LibftdiPlatform final : public Platform {
public:
    explicit LibftdiPlatform(std::shared_ptr<Usb> usb);
    ~LibftdiPlatform() override;

    Status createDeviceInfoList(std::uint32_t& count) override;
    // As D2XX: fills as many records as the last createDeviceInfoList counted.
    Status getDeviceInfoList(DeviceInfo* list, std::uint32_t& count) override;
    Status open(std::uint32_t index, Handle& handle) override;
    Status close(Handle handle) override;
    Status setBaudRate(Handle handle, std::uint32_t baud) override;
    Status setDataCharacteristics(Handle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                  std::uint8_t parity) override;
    // A read time-out of 0 waits for the whole count, as D2XX does.
    Status setTimeouts(Handle handle, std::uint32_t readMs, std::uint32_t writeMs) override;
    Status setFlowControl(Handle handle, std::uint16_t mode, std::uint8_t xon, std::uint8_t xoff) override;
    Status setDtr(Handle handle) override;
    Status clrDtr(Handle handle) override;
    Status setRts(Handle handle) override;
    Status clrRts(Handle handle) override;
    Status setBreakOn(Handle handle) override;
    Status setBreakOff(Handle handle) override;
    Status purge(Handle handle, std::uint32_t mask) override;
    Status getQueueStatus(Handle handle, std::uint32_t& bytesWaiting) override;
    Status waitForQueue(Handle handle, std::uint32_t minBytes, Clock::time_point deadline,
                        std::uint32_t& bytesWaiting) override;
    Status read(Handle handle, void* buffer, std::uint32_t count, std::uint32_t& received) override;
    Status write(Handle handle, const void* buffer, std::uint32_t count, std::uint32_t& written) override;
    Status setLatencyTimer(Handle handle, std::uint8_t ms) override;
    Status getLatencyTimer(Handle handle, std::uint8_t& ms) override;

    Status spiGetNumChannels(std::uint32_t& count) override;
    Status spiGetChannelInfo(std::uint32_t index, DeviceInfo& info) override;
    Status spiOpenChannel(std::uint32_t index, Handle& handle) override;
    Status spiInitChannel(Handle handle, ChannelConfig* config) override;
    Status spiReadWrite(Handle handle, std::uint8_t* in, const std::uint8_t* out, std::uint32_t size,
                        std::uint32_t& transferred, std::uint32_t options) override;
    Status spiCloseChannel(Handle handle) override;

private:
    struct OpenInterface {
        InterfaceKey key;
        std::unique_ptr<UsbPort> port;
        std::unique_ptr<ReceiveQueue> queue; // stopped before the port closes
        const ChipModel* chip = nullptr;
        bool spi = false;
        std::uint32_t readTimeoutMs = 0;
        int wordLength = 8; // line properties, repeated with every break change
        int stopBits = 0;
        int parity = 0;
        std::optional<mpsse::SpiSetup> spiSetup; // set once the channel is initialised
        bool resynchronise = false;              // a reply came short: it may still arrive late
    };

    Status listAll(std::vector<ListedInterface>& entries, bool mpsseOnly);
    Status openEntry(const ListedInterface& entry, bool spi, Handle& handle);
    Status closeEntry(Handle handle, Status status);
    OpenInterface* find(Handle handle, bool spi);
    Handle holderOf(const InterfaceKey& key) const;
    // Waits for `count` bytes (or the deadline) and takes them; a short read is no error.
    Status collect(OpenInterface& open, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received,
                   std::optional<Clock::time_point> deadline);
    Status sendAll(OpenInterface& open, const std::vector<std::uint8_t>& bytes);
    Status synchroniseMpsse(OpenInterface& open);
    Status transferPiece(OpenInterface& open, std::uint8_t* in, const std::uint8_t* out, std::uint32_t size,
                         std::uint32_t& transferred, std::uint32_t options);
    Status setModemLine(Handle handle, int (UsbPort::*call)(bool), bool on);
    Status setBreak(Handle handle, bool on);

    std::shared_ptr<Usb> usb_;
    std::vector<ListedInterface> devices_;     // the last device listing; open indices refer to it
    std::vector<ListedInterface> spiChannels_; // the last SPI channel count
    std::map<Handle, std::unique_ptr<OpenInterface>> open_;
};

} // namespace FTDI::libftdi
