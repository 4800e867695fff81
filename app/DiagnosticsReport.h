#pragma once
// The signal acquisition read back from a diagnostics report, for the plots
// the window shows after saving it. The report itself is the driver's text.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantix {

struct SignalAcquisition {
    // Millivolts per sample, in the order acquired: the coarse channel carries
    // the sine, the fine channel the cosine.
    std::vector<int> coarse, fine;
    // The figures written after the samples, as {"Coarse amplitude", "2200 mV"}.
    std::vector<std::pair<std::string, std::string>> figures;
};

// The acquisition in a report; none when it holds no sample table (short
// reports, or a report cut off before its first sample).
std::optional<SignalAcquisition> readSignalAcquisition(std::string_view report);

} // namespace vantix
