// Saving the encoder's diagnostics report, and setting the zero position.
#include "DiagnosticsPlots.h"
#include "DiagnosticsReport.h"
#include "ProgressStatus.h"
#include "UserInterface.h"
#include "VantixFrame.h"

#include "flows/Diagnostics.h"

#include <mutex>
#include <string>

namespace {

const wxString errorCaption = "RVX Vantix error";

} // namespace

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
    showResult("");
    saveDiagnostics(path);
}

void VantixFrame::saveDiagnostics(const wxString& path) {
    vantix::WindowConversation conversation(this);
    const std::string report = vantix::saveDiagnostics(*encoder, std::string(path.mb_str()), conversation);
    showResult("Diagnostics saved to " + path);
    if (auto acquisition = vantix::readSignalAcquisition(report)) {
        if (diagnosticsWindow) diagnosticsWindow->Destroy();
        const std::string part = encoder->part_number ? encoder->part_number : encoder->name();
        diagnosticsWindow = new wxDiagnosticsDialog(
            this, wxString::FromUTF8("RVX Vantix: Diagnostics of " + part), std::move(*acquisition));
        diagnosticsWindow->Show();
    }
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
