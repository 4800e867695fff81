// Saving the encoder's diagnostics report, and setting the zero position.
#include "DiagnosticsPlots.h"
#include "DiagnosticsReport.h"
#include "ProgressStatus.h"
#include "UserInterface.h"
#include "VantixFrame.h"

#include <fmt/format.h>

#include <fstream>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

namespace {

const wxString errorCaption = "RVX Vantix error";

// Passes what the driver writes on to the file and keeps a copy for the plots.
class CopyingBuffer : public std::streambuf {
public:
    explicit CopyingBuffer(std::streambuf& file) : file_(file) {}
    const std::string& text() const { return copy_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        copy_.push_back(traits_type::to_char_type(c));
        return file_.sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        copy_.append(text, static_cast<std::size_t>(count));
        return file_.sputn(text, count);
    }
    int sync() override { return file_.pubsync(); }

private:
    std::streambuf& file_;
    std::string copy_;
};

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
    const std::string name(path.mb_str());
    std::ofstream file(name, std::ios::out | std::ios::trunc);
    // A report that cannot be stored must not look as if it had been saved.
    const auto unwritable = [&] {
        return std::runtime_error(fmt::format("Unable to write diagnostics to \"{}\"", path.utf8_string()));
    };
    if (!file) throw unwritable();
    CopyingBuffer copy(*file.rdbuf());
    std::ostream out(&copy);
    {
        vantix::ProgressDialog progress("Getting RVX Encoder Diagnostics", "Getting diagnostics...", this);
        encoder->diagnostics(out, progress.step());
    }
    out.flush();
    file.close();
    if (!out || !file) throw unwritable();
    showResult("Diagnostics saved to " + path);
    if (auto acquisition = vantix::readSignalAcquisition(copy.text())) {
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
