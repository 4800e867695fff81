#pragma once
// How far a long operation has got, read from what it reports: a re-flash
// from its progress lines, a diagnostics acquisition from its steps. Knows no
// toolkit; the progress dialog shows what it says.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantix {

enum class FlashPhase { Connecting, Erasing, Writing, Verifying, Restarting };

// Reads the lines of the AN1310 host ("Erasing (FC00 to 0]", "[DeviceWriter]
// Writing address: 1E80", "Verify success (...)") and of the block bootloader
// ("Writing block 5/113", "Verify block 5/113"). The percentage is an estimate
// weighted by how long each stage takes; it never goes back and stays below
// 100 until the operation has returned.
class FlashProgress {
public:
    // Takes one line; a line it does not know leaves the estimate as it was.
    void read(const std::string& line);
    FlashPhase phase() const { return phase_; }
    int percent() const { return percent_; }
    // The phase and percentage as the dialog shows them: "Writing (42 %)".
    std::string summary() const;

private:
    void reach(FlashPhase phase, double percent);
    double flashWritten(std::uint32_t address) const;

    FlashPhase phase_ = FlashPhase::Connecting;
    int percent_ = 0;
    // The range the session erases, [start, end): flash, the bootloader excluded.
    std::optional<std::uint32_t> eraseStart_, eraseEnd_;
    // The writer first erases the blocks it is about to write, each range from
    // the top down: the addresses it names, in order.
    std::vector<std::uint32_t> rewriteErased_;
};

// Steps of a diagnostics report: two while the settings and flags are read,
// then one per sample row of the acquisition.
class AcquisitionProgress {
public:
    static constexpr int samples = 128;

    void step() { ++steps_; }
    int percent() const;
    // "Reading settings" or "Acquiring samples: 12 of 128".
    std::string summary() const;

private:
    int steps_ = 0;
};

} // namespace vantix
