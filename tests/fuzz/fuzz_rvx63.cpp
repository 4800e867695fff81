// The RVX63 driver over SPI: every byte the encoder clocks out, one per frame,
// comes from the fuzzer.
#include "EncoderSteps.h"
#include "Script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::OneModuleBench bench(std::make_unique<fuzz::ScriptedSpi>(std::span(data, size)));
    fuzz::runEncoder("RVX63", fuzz::Settings::Written);
    return 0;
}
