#pragma once
// The one re-flash procedure of the encoders with the block bootloader (RVX48,
// RVX64). A family gives hooks in its own command language: save what the
// flash would lose (settings kept outside program memory may be unreadable
// once no application is left to answer, and what sits in program memory is
// overwritten), set the line up for the bootloader and back, restart the
// application and restore what was saved. The procedure refuses simulation
// images on real hardware before anything is sent, keeps what it saved before
// the first attempt until an update succeeds, so that a retry after a flash
// cut short writes the encoder's own settings back rather than defaults, and
// returns the line to the application's settings whatever happened.
#include "blockloader/Hexldr.h"
#include "encoders/Encoder.h"
#include "transport/UartLink.h"

#include <functional>

namespace RVX {

struct BlockReflashHooks {
    std::function<void()> save;       // reads what the flash would lose into the family's keeping
    std::function<void()> enter_line; // may be empty: line settings for the bootloader
    std::function<void()> leave_line; // may be empty: back to the application's, after failures too
    std::function<void()> restart;    // after the flash: the application answers again
    std::function<void()> restore;    // writes what was saved back
};

class BlockReflash {
public:
    BlockReflash(FTDI::UartLink& link, const char* model, BlockReflashHooks hooks)
        : link_(link), model_(model), hooks_(std::move(hooks)) {}

    void program(hexldr::Image image, const StatusCallback& status);

private:
    FTDI::UartLink& link_;
    const char* model_;
    BlockReflashHooks hooks_;
    bool keeping_ = false;
};

} // namespace RVX
