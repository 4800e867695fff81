// Re-flashing an RVX46/47-line encoder through its AN1310 bootloader, keeping
// the encoder's identity bytes across the flash.
#include "AN1310/BootloadSession.h"
#include "AN1310/Log.h"
#include "FirmwareSet.h"
#include "RVX46_47.h"

#include <fmt/format.h>
#include <istream>
#include <streambuf>

namespace RVX {

namespace {
constexpr std::uint8_t thisStation = 0x30;

// Reads a character span in place, without copying the image.
class SpanBuffer : public std::streambuf {
public:
    explicit SpanBuffer(std::span<const char> text) {
        auto* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }
};
} // namespace

void RVX46_47::check_firmware_may_be_sent() {
    if (firmware::simulation_images() && FTDI::platform().isHardware())
        throw Exception(fmt::format("This program carries firmware images for the simulated bench only; "
                                    "they are not sent to a real {} encoder",
                                    name()),
                        0);
}

void RVX46_47::reflash(FirmwareImage image, const Settings& target, const StatusCallback& status) {
    check_firmware_may_be_sent();
    save_identity();
    unfinishedSettings_ = target;
    program_an1310(image, status);
    unfinishedSettings_.reset();
}

void RVX46_47::save_identity() {
    // An earlier attempt that failed may have left the image's defaults in the
    // identity bytes; the identity read before that attempt is the true one
    // and is kept until a re-flash completes.
    if (unfinishedIdentity_) return;
    const auto code = model_code();
    const auto date = datecode();
    const auto kept7A = dialect.read_eeprom_hex(KEPT_7A);
    unfinishedIdentity_ = Identity{code, date, kept7A, dialect.read_eeprom_hex(KEPT_7D)};
}

void RVX46_47::program_an1310(FirmwareImage image, const StatusCallback& status) {
    check_firmware_may_be_sent();
    save_identity();
    const auto identity = *unfinishedIdentity_;

    {
        // Debug lines go nowhere, status and warning lines to the caller, until
        // the session is over (whichever way it ends).
        AN1310::SessionLogs logs(status);
        AN1310::BootloadSession session(link);
        SpanBuffer buffer(image);
        std::istream hex(&buffer);
        session.connect();
        session.loadImage(hex);
        session.erase();
        session.write();
        session.verify();
        session.runApplication();
    }

    status("Programming complete. Resetting encoder...");
    connect();
    dialect.write_eeprom_hex(MODEL_CODE, static_cast<std::uint8_t>(identity.model_code));
    set_datecode(identity.datecode);
    dialect.write_eeprom_hex(KEPT_7A, identity.byte7A);
    dialect.write_eeprom_hex(KEPT_7D, identity.byte7D);
    dialect.write_eeprom_hex(STATION, thisStation);
    dialect.write_eeprom_hex(FIRMWARE_VERSION, latest_firmware_version());
    set_last_program_date(std::chrono::system_clock::now());
    unfinishedIdentity_.reset();
}

} // namespace RVX
