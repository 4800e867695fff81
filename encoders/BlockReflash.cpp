#include "encoders/BlockReflash.h"

#include "encoders/FirmwareSet.h"

namespace RVX {

void BlockReflash::program(hexldr::Image image, const StatusCallback& status) {
    firmware::refuse_on_hardware(model_);
    if (!keeping_) {
        hooks_.save();
        keeping_ = true;
    }
    try {
        if (hooks_.enter_line) hooks_.enter_line();
        hexldr::programImage(link_, image, status);
    } catch (...) {
        // The first failure is the one to report; one while putting the line
        // back would only hide it.
        try {
            if (hooks_.leave_line) hooks_.leave_line();
        } catch (...) {
        }
        throw;
    }
    if (hooks_.leave_line) hooks_.leave_line();
    hooks_.restart();
    hooks_.restore();
    keeping_ = false;
}

} // namespace RVX
