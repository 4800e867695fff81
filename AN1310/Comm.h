#pragma once
// The packet channel to a bootloader over a borrowed UART link: request and
// reply exchange, synchronisation, the information block, the device ID, and
// the reset and break lines that start the bootloader.
#include "Family.h"
#include "Frame.h"
#include "transport/UartLink.h"

#include <cstdint>

namespace AN1310 {

struct BootInfo {
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    Family familyId = Family::Any;
    std::uint32_t capabilities = 0;
    std::uint32_t bootloaderStart = 0;
    std::uint32_t bootloaderEnd = 0;
    std::uint32_t deviceId = 0;

    bool answered() const { return majorVersion != 0 || minorVersion != 0; }
};

struct DeviceIdentity {
    std::uint32_t deviceId = 0;
    std::uint32_t revision = 0;
};

class Comm {
public:
    explicit Comm(UartLink& link) : link_(link) {}
    Comm(const Comm&) = delete;
    Comm& operator=(const Comm&) = delete;

    UartLink& link() { return link_; }

    // Time n ten-bit bytes take on the line, in whole milliseconds.
    std::uint32_t transmitMillis(std::uint64_t bytes) const;

    Bytes transact(const Bytes& frame, int retries, std::uint32_t extraMs);
    void sendPacket(const Bytes& frame);
    Bytes receivePacket(int timeoutMs, bool waitForStx);
    Bytes receiveRaw();

    BootInfo readBootInfo(int tries);
    DeviceIdentity readDeviceId(Family family);

    void startBreak();
    void holdReset();
    void endBreak();
    void releaseReset();
    void releaseIntoBootloader();

    // No reply can be longer than the largest read the host asks for; a line
    // that streams bytes without ETX ends in ReadTimeout at this length.
    static constexpr std::size_t maxReplyBytes = 0x40000 + 16;
    // Bytes other than STX that the wait for a bootloader takes before it
    // decides that none is there.
    static constexpr int maxJunk = 100;

private:
    // Unescaped bytes up to ETX, and the running checksum of all but the last two.
    struct Collected {
        Bytes bytes;
        std::uint16_t checksum = 0;
    };
    void writeStx();
    Collected collect(std::uint32_t timeoutMs, bool byteAfterDleByRead);

    UartLink& link_;
};

} // namespace AN1310
