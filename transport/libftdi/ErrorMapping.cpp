#include "ErrorMapping.h"

#include <array>

namespace FTDI::libftdi {
namespace {

struct Row {
    Call call;
    int code; // 0: any code not listed before for this call
    Status status;
};

// The codes are those each ftdi_* call documents; "USB device unavailable"
// means the context lost its device, which D2XX reports as a bad handle.
constexpr std::array rows{
    Row{Call::FindAll, -3, INSUFFICIENT_RESOURCES}, // out of memory
    Row{Call::FindAll, 0, OTHER_ERROR},
    Row{Call::Open, -3, DEVICE_NOT_FOUND}, // no device at that bus address any more
    Row{Call::Open, 0, DEVICE_NOT_OPENED}, // cannot open or claim: in use, or no access rights
    Row{Call::SetBaudrate, -1, INVALID_BAUD_RATE},
    Row{Call::SetBaudrate, -3, INVALID_HANDLE},
    Row{Call::SetLineProperty, -2, INVALID_HANDLE},
    Row{Call::SetFlowControl, -2, INVALID_HANDLE},
    Row{Call::SetModemLine, -2, INVALID_HANDLE},
    Row{Call::Purge, -2, INVALID_HANDLE},
    Row{Call::Read, -666, INVALID_HANDLE},
    Row{Call::Write, -666, INVALID_HANDLE},
    Row{Call::SetLatencyTimer, -1, INVALID_PARAMETER}, // latency out of range
    Row{Call::SetLatencyTimer, -3, INVALID_HANDLE},
    Row{Call::GetLatencyTimer, -2, INVALID_HANDLE},
    Row{Call::SetBitmode, -2, INVALID_HANDLE},
};

} // namespace

Status statusOf(Call call, int result) {
    if (result >= 0) return OK;
    for (const auto& row : rows)
        if (row.call == call && (row.code == result || row.code == 0)) return row.status;
    // Everything else is a failed USB transfer.
    return IO_ERROR;
}

} // namespace FTDI::libftdi
