// The RVX48 and RVX64 drivers' own replies: their identification, record and
// position lines, RVX64's base64 records and the address it reads from its
// bootloader. The first byte picks the model, the rest is the encoder's reply
// script.
#include "EncoderSteps.h"
#include "Script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const models[] = {"RVX48", "RVX64"};
    if (size == 0) return 0;
    fuzz::OneModuleBench bench(std::make_unique<fuzz::ScriptedUart>(std::span(data + 1, size - 1)));
    fuzz::runEncoder(models[data[0] % std::size(models)], fuzz::Settings::Written);
    return 0;
}
