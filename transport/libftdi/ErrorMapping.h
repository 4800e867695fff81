#pragma once
// libftdi1 reports failures as negative numbers whose meaning depends on the
// call; the platform layer speaks FTDI's status numbering.
#include "transport/FtdiStatus.h"

namespace FTDI::libftdi {

enum class Call {
    FindAll,
    Open,
    SetBaudrate,
    SetLineProperty,
    SetFlowControl,
    SetModemLine,
    Purge,
    Read,
    Write,
    SetLatencyTimer,
    GetLatencyTimer,
    SetBitmode,
    Close,
};

// OK for a result of zero or more, else the status for that call's code.
Status statusOf(Call call, int result);

} // namespace FTDI::libftdi
