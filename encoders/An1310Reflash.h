#pragma once
// The one re-flash procedure of the encoders with an AN1310 bootloader. A
// driver family gives three hooks in its own dialect: save the encoder's
// identity (and whatever else a flash would overwrite), restart the encoder's
// application after the bootloader, and write the identity back. The procedure
// does the rest: it refuses simulation images on real hardware, runs the
// bootloader host's re-flash with its status and warning lines going to the
// caller, reports "Programming complete. Resetting encoder..." and restores.
#include "encoders/Encoder.h"
#include "transport/UartLink.h"

#include <functional>

namespace RVX {

struct IdentityHooks {
    std::function<void()> save;    // reads the identity into the family's keeping
    std::function<void()> restart; // after the flash: the application answers again
    std::function<void()> restore; // writes the kept identity (station, version, date) back
};

class An1310Reflash {
public:
    An1310Reflash(FTDI::UartLink& link, std::function<const char*()> modelName, IdentityHooks hooks)
        : link_(link), name_(std::move(modelName)), hooks_(std::move(hooks)) {}

    // Re-flashes the image that `choose` returns. `choose` runs after the
    // hardware check and before anything else; it may ask the encoder and
    // throws for a setting without an image, before anything is flashed.
    // `eraseBegins` is told when the encoder's application may start to go:
    // the family then remembers the settings it is flashing.
    void program(const std::function<FirmwareImage()>& choose, const StatusCallback& status,
                 const std::function<void()>& eraseBegins = {});

    // True once an attempt has begun to erase and until a re-flash completes:
    // the encoder may hold no application, and its EEPROM the image's
    // defaults. The identity saved before that attempt is kept for the retry,
    // and the family flashes the settings it was flashing then.
    bool interrupted() const { return interrupted_; }

private:
    FTDI::UartLink& link_;
    std::function<const char*()> name_;
    IdentityHooks hooks_;
    bool interrupted_ = false;
};

} // namespace RVX
