// Saving the encoder's diagnostics report, and setting the zero position.
#include "ProgressStatus.h"
#include "UserInterface.h"
#include "VantixFrame.h"

#include <fmt/format.h>

#include <fstream>
#include <mutex>
#include <stdexcept>

namespace {
const wxString errorCaption = "RVX Vantix error";
}

bool VantixFrame::requireEncoder() {
    if (encoder) return true;
    vantix::userInterface().message("Not connected to encoder", errorCaption, wxOK | wxICON_ERROR, nullptr);
    return false;
}

void VantixFrame::OnDiagnostics(wxCommandEvent&) {
    std::unique_lock lock(encoderMutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    if (!requireEncoder()) return;
    auto& ui = vantix::userInterface();
    const wxString path = ui.chooseDiagnosticsFile(this);
    if (path.empty()) return;
    saveDiagnostics(path);
}

void VantixFrame::saveDiagnostics(const wxString& path) {
    const std::string name(path.mb_str());
    std::ofstream file(name, std::ios::out | std::ios::trunc);
    // A report that cannot be stored must not look as if it had been saved.
    if (!file)
        throw std::runtime_error(fmt::format("Unable to write diagnostics to \"{}\"", path.utf8_string()));
    {
        vantix::ProgressDialog progress("Getting RVX Encoder Diagnostics", "Getting diagnostics...", this);
        encoder->diagnostics(file, progress.step());
    }
    file.close();
    if (!file)
        throw std::runtime_error(fmt::format("Unable to write diagnostics to \"{}\"", path.utf8_string()));
}

void VantixFrame::OnZero(wxCommandEvent&) {
    std::unique_lock lock(encoderMutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    if (!requireEncoder()) return;
    auto& ui = vantix::userInterface();
    if (!encoder->zero) {
        ui.message("Cannot set zero on this encoder", errorCaption, wxOK | wxICON_ERROR, nullptr);
    } else {
        encoder->zero();
        if (!encoder->is_absolute()) ui.message("Zero position set!", "Encoder zero", wxOK, nullptr);
    }
}
