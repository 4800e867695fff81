#pragma once
// One re-flash of an encoder through its AN1310 bootloader: wake the
// bootloader, identify the chip, load and prepare the HEX image, erase, write,
// verify, and start the application. Borrows the driver's link.
#include "Comm.h"
#include "DeviceData.h"
#include "DeviceReader.h"
#include "DeviceVerifier.h"
#include "DeviceWriter.h"
#include "Log.h"
#include "WritePlanner.h"

#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <span>

namespace AN1310 {

class BootloadSession {
public:
    explicit BootloadSession(UartLink& link);
    BootloadSession(const BootloadSession&) = delete;
    BootloadSession& operator=(const BootloadSession&) = delete;

    void connect();
    void loadImage(std::istream& hex);
    void erase();
    void write();
    void verify();
    void runApplication();

    // The steps of a re-flash, in order; loading the image belongs to Connect.
    enum class Step { Connect, Erase, Write, Verify };
    using StepHook = std::function<void(Step)>;

    // The whole re-flash of a HEX text: connect, load, erase, write, verify,
    // start the application. `beforeStep`, when set, is told before each step
    // begins: a driver marks the moment its encoder's application may be gone
    // (Erase), tests meddle with the line.
    void run(std::span<const char> hex, const StepHook& beforeStep = {});

    const Device& device() const { return *device_; }
    // The image the last loadImage prepared; refuses when none is loaded.
    const DeviceData& hexImage() const;

private:
    std::uint32_t flashWriteEnd() const;
    // The first image word in the configuration erase block, outside the
    // configuration words themselves.
    std::optional<std::uint32_t> codeInConfigBlock() const;

    UartLink& link_;
    Comm comm_;
    std::unique_ptr<Device> device_; // stable address: the components point at it
    WritePlanner planner_;
    // Made by loadImage only: half a megabyte that a session which fails to
    // connect never needs, and write or verify without one must not go on.
    std::optional<DeviceData> hexImage_;
    DeviceReader reader_;
    DeviceWriter writer_;
    DeviceVerifier verifier_;
};

// What an encoder driver calls to re-flash: status and warning lines go to
// `status`, debug lines nowhere, and afterwards (also on failure) the status
// and warning sinks discard. Exceptions propagate to the caller.
void reflash(UartLink& link, std::span<const char> hex, const LogSink& status);

} // namespace AN1310
