// The simulated bench's description, as --simulate takes it. A description
// the parser accepts is then used on the instant line model: its first modules
// are opened and spoken to, an encoder model through its driver (connect, one
// position poll, reconnect), so that the option values reach the models' arithmetic.
#include "Script.h"
#include "encoders/Registry.h"
#include "transport/SpiLink.h"
#include "transport/UartLink.h"

#include <algorithm>

namespace {

// The driver of a catalogue model: "RVX46-oldfw" is an RVX46.
const RVX::ModelInfo* driverOf(const std::string& model) {
    return RVX::find_model(model.substr(0, model.find('-')));
}

void speakTo(sim::Module& module, std::uint32_t index) {
    if (const auto* driver = driverOf(module.model())) {
        const auto encoder = driver->create(index);
        if (encoder->read_position) encoder->read_position();
        encoder->connect();
    } else if (module.isSpi()) {
        FTDI::SpiLink link(index);
        link.transfer(0x10);
        link.transfer(0x00);
    } else {
        FTDI::UartLink link(index);
        link.setTimeouts(20, 20);
        link.write("q\x0F\n");
        link.read(16);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::shared_ptr<sim::Bench> bench;
    try {
        bench = sim::Bench::fromDescription(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const std::invalid_argument&) {
        return 0; // the clear error --simulate shows
    }
    bench->setLineModel(sim::LineModel::Instant);
    sim::BenchGuard installed(bench);
    // Any item can come first, so two modules reach every model's options;
    // more only cost time: sixteen chattering block encoders with junk on
    // their lines take a second of sanitized code, the time that marks a hang.
    constexpr std::size_t kModulesSpokenTo = 2;
    std::uint32_t uartIndex = 0, spiIndex = 0;
    for (std::size_t i = 0; i < std::min(bench->size(), kModulesSpokenTo); ++i) {
        sim::Module& module = bench->module(i);
        const auto index = module.isSpi() ? spiIndex++ : uartIndex++;
        fuzz::asTheWindowWould([&] { speakTo(module, index); });
    }
    return 0;
}
