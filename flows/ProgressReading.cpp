#include "ProgressReading.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <string_view>

namespace vantix {

namespace {

// Where each stage of a re-flash lies on the bar, in percent. From a bench
// re-flash of an RVX46 (PIC18F2620 at 115200 baud): connecting 0.2 s, erasing
// 4.3 s, flash 4.9 s (its own erase first), EEPROM 4.2 s, verifying 0.5 s.
constexpr double eraseFrom = 2, eraseTo = 30;
constexpr double rewriteEraseTo = 38; // the writer erases the blocks it writes
constexpr double flashTo = 63;        // then the EEPROM, one long request
constexpr double writeTo = 92, verifiedTo = 98, restarting = 99;
// The block bootloader writes and reads back each block in about the same time.
constexpr double blocksFrom = 3, blocksWrittenTo = 55, blocksVerifiedTo = 98;

bool readHex(std::string_view text, std::uint32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

// The address after `prefix`, when `line` is such a line.
std::optional<std::uint32_t> addressAfter(std::string_view line, std::string_view prefix) {
    std::uint32_t address = 0;
    if (!line.starts_with(prefix) || !readHex(line.substr(prefix.size()), address)) return std::nullopt;
    return address;
}

// "Writing block 5/113" read as {5, 113}.
std::optional<std::pair<int, int>> blockOf(std::string_view line, std::string_view prefix) {
    if (!line.starts_with(prefix)) return std::nullopt;
    line.remove_prefix(prefix.size());
    const auto slash = line.find('/');
    int block = 0, blocks = 0;
    if (slash == std::string_view::npos) return std::nullopt;
    const auto [end1, e1] = std::from_chars(line.data(), line.data() + slash, block);
    const auto [end2, e2] = std::from_chars(line.data() + slash + 1, line.data() + line.size(), blocks);
    if (e1 != std::errc{} || e2 != std::errc{} || end1 != line.data() + slash ||
        end2 != line.data() + line.size() || blocks <= 0 || block < 0)
        return std::nullopt;
    return std::pair{block, blocks};
}

double fraction(double done, double whole) {
    return whole > 0 ? std::clamp(done / whole, 0.0, 1.0) : 0.0;
}

} // namespace

void FlashProgress::reach(FlashPhase phase, double percent) {
    phase_ = std::max(phase_, phase);
    percent_ = std::max(percent_, static_cast<int>(percent));
}

double FlashProgress::flashWritten(std::uint32_t address) const {
    // Against the blocks the writer erased for its writes when it named them,
    // else against the whole erased flash.
    if (!rewriteErased_.empty()) {
        const auto below = std::count_if(rewriteErased_.begin(), rewriteErased_.end(),
                                         [address](std::uint32_t erased) { return erased < address; });
        return fraction(static_cast<double>(below), static_cast<double>(rewriteErased_.size()));
    }
    if (eraseStart_ && eraseEnd_)
        return fraction(static_cast<double>(address) - *eraseStart_, *eraseEnd_ - *eraseStart_);
    return 0;
}

void FlashProgress::read(const std::string& text) {
    const std::string_view line = text;
    if (line.starts_with("Connecting")) return reach(FlashPhase::Connecting, 1);
    if (line.starts_with("Programming complete")) return reach(FlashPhase::Restarting, restarting);

    // Block bootloader.
    if (const auto block = blockOf(line, "Writing block "))
        return reach(FlashPhase::Writing,
                     blocksFrom + (blocksWrittenTo - blocksFrom) * fraction(block->first, block->second));
    if (const auto block = blockOf(line, "Verify block "))
        return reach(FlashPhase::Verifying, blocksWrittenTo + (blocksVerifiedTo - blocksWrittenTo) *
                                                                  fraction(block->first, block->second));

    // AN1310 session: "Erasing (END to START]" before the writer's own lines.
    if (line.starts_with("Erasing (") && line.ends_with("]") && phase_ < FlashPhase::Writing) {
        const auto to = line.find(" to ");
        std::uint32_t end = 0, start = 0;
        if (to == std::string_view::npos || !readHex(line.substr(9, to - 9), end) ||
            !readHex(line.substr(to + 4, line.size() - to - 5), start))
            return;
        eraseStart_ = std::min(start, eraseStart_.value_or(start));
        eraseEnd_ = std::max(end, eraseEnd_.value_or(end));
        return reach(FlashPhase::Erasing, eraseFrom);
    }
    if (line.starts_with("Erase device complete")) return reach(FlashPhase::Writing, eraseTo);
    if (line.starts_with("Write complete")) return reach(FlashPhase::Verifying, writeTo);
    if (line.starts_with("Verify success")) return reach(FlashPhase::Verifying, verifiedTo);

    if (const auto address = addressAfter(line, "[DeviceWriter] Erasing address: ")) {
        if (phase_ == FlashPhase::Erasing && eraseStart_ && eraseEnd_) {
            // The session erases from the top down.
            return reach(FlashPhase::Erasing,
                         eraseFrom +
                             (eraseTo - eraseFrom) * fraction(static_cast<double>(*eraseEnd_) - *address,
                                                              *eraseEnd_ - *eraseStart_));
        }
        if (phase_ != FlashPhase::Writing) return;
        rewriteErased_.push_back(*address);
        // The first range runs down from the first address named towards the flash start.
        const double top = rewriteErased_.front(), bottom = eraseStart_.value_or(0);
        return reach(FlashPhase::Writing,
                     eraseTo + (rewriteEraseTo - eraseTo) * fraction(top - *address, top - bottom));
    }
    if (const auto address = addressAfter(line, "[DeviceWriter] Writing address: ")) {
        if (phase_ != FlashPhase::Writing) return;
        // The EEPROM lies beyond the flash: written once the flash is.
        return reach(FlashPhase::Writing,
                     rewriteEraseTo + (flashTo - rewriteEraseTo) * flashWritten(*address));
    }
}

std::string FlashProgress::summary() const {
    static constexpr const char* names[] = {"Connecting", "Erasing", "Writing", "Verifying", "Restarting"};
    return fmt::format("{} ({} %)", names[static_cast<int>(phase_)], percent_);
}

int AcquisitionProgress::percent() const {
    return std::min(99, steps_ * 100 / (samples + 2));
}

std::string AcquisitionProgress::summary() const {
    if (steps_ < 2) return "Reading settings";
    return fmt::format("Acquiring samples: {} of {}", std::min(steps_ - 2, samples), samples);
}

} // namespace vantix
