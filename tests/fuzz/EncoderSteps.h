#pragma once
// An encoder driver run through what the window asks of it, from connecting
// to programming, on a module of the installed bench. The fuzz targets run
// it on a device answering with the fuzzer's bytes; the seed recorder runs it
// on the bench's own encoder models.
#include <string>

namespace fuzz {

enum class Settings {
    Written,   // resolution changes are EEPROM writes or commands: run them
    Reflashed, // they re-flash the encoder (another target's path): leave them out
};

// Connects the driver of `model` to module 0 and runs each step the window
// offers for the encoder: the values shown after connecting, position polls,
// the diagnostics report, writing the identity, address, termination and
// (see Settings) resolution, zero, defaults and a reconnect. Firmware
// updates and other re-flashes are left out.
void runEncoder(const std::string& model, Settings settings);

} // namespace fuzz
