#include "DiagnosticsReport.h"

#include <charconv>

namespace vantix {

namespace {

// The next line without its ending (LF or CR LF); false at the end of the text.
bool nextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    const auto end = text.find('\n');
    line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    return true;
}

bool readNumber(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

} // namespace

std::optional<SignalAcquisition> readSignalAcquisition(std::string_view report) {
    std::string_view line;
    while (nextLine(report, line) && line != "Coarse,Fine") {
    }
    SignalAcquisition acquisition;
    while (nextLine(report, line)) {
        const auto comma = line.find(',');
        int coarse = 0, fine = 0;
        if (comma != std::string_view::npos && readNumber(line.substr(0, comma), coarse) &&
            readNumber(line.substr(comma + 1), fine)) {
            acquisition.coarse.push_back(coarse);
            acquisition.fine.push_back(fine);
            continue;
        }
        const auto colon = line.find(": ");
        if (colon == std::string_view::npos) continue;
        acquisition.figures.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    if (acquisition.coarse.empty()) return std::nullopt;
    return acquisition;
}

} // namespace vantix
