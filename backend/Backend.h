#pragma once
// The choice of what the executables talk to, shared by the window and the
// command-line program: real RVX-LINK modules through libftdi1, or the
// simulated bench (--simulate[=BENCH]), and the UART latency timer
// (--default-latency). Only executables link this; the libraries below them
// know neither backend.
#include <string>

namespace vantix {

struct BackendChoice {
    bool simulate = false;
    std::string benchDescription; // empty: the default bench
    bool defaultLatency = false;  // leave the UART modules' latency timer at the chip's own
};

// Whether "--simulate BENCH" may take its description as the next argument
// (the window's form) or only as "--simulate=BENCH" (where the next argument
// may be a subcommand).
enum class BenchArgument { NextOrEquals, EqualsOnly };

// Reads the backend option at argv[i], if it is one, advancing i past a
// description it took. Returns false for any other argument.
bool readBackendOption(BackendChoice& choice, int argc, char** argv, int& i, BenchArgument form);

// The usage lines of the backend options, in the given form.
std::string backendOptionsHelp(BenchArgument form);
// The syntax of a bench description.
std::string benchDescriptionHelp();

// Installs the chosen backend. Throws std::invalid_argument with a readable
// message for a bench description that cannot be read.
void installBackend(const BackendChoice& choice);

} // namespace vantix
