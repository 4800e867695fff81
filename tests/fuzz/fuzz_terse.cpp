// The terse dialect, acknowledged (RVX65, RVX68) and silent (RVX62, RVX69),
// and the replies those drivers parse: the first byte picks the model, the
// rest is the encoder's reply script.
#include "EncoderSteps.h"
#include "Script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const models[] = {"RVX65", "RVX68", "RVX62", "RVX69"};
    if (size == 0) return 0;
    fuzz::OneModuleBench bench(std::make_unique<fuzz::ScriptedUart>(std::span(data + 1, size - 1)));
    fuzz::runEncoder(models[data[0] % std::size(models)], fuzz::Settings::Reflashed);
    return 0;
}
