#include "encoders/An1310Reflash.h"

#include "AN1310/BootloadSession.h"
#include "AN1310/Log.h"
#include "encoders/FirmwareSet.h"

namespace RVX {

void An1310Reflash::program(const std::function<FirmwareImage()>& choose, const StatusCallback& status,
                            const std::function<void()>& eraseBegins) {
    firmware::refuse_on_hardware(name_());
    const FirmwareImage image = choose();
    // An attempt that failed before erasing left the encoder as it was, so
    // its identity is read afresh; after an erase only the saved one is true.
    if (!interrupted_) hooks_.save();
    {
        AN1310::SessionLogs logs(status);
        AN1310::BootloadSession session(link_);
        session.run(image, [&](AN1310::BootloadSession::Step step) {
            if (step != AN1310::BootloadSession::Step::Erase) return;
            interrupted_ = true;
            if (eraseBegins) eraseBegins();
        });
    }
    status("Programming complete. Resetting encoder...");
    hooks_.restart();
    hooks_.restore();
    interrupted_ = false;
}

} // namespace RVX
