#pragma once
// The progress dialog of the long flows (reflash, diagnostics) and the status
// callback that moves it.
#include "encoders/Encoder.h"

#include <wx/progdlg.h>

namespace vantix {

class ProgressDialog {
public:
    ProgressDialog(const wxString& title, const wxString& message, wxWindow* parent)
        : dialog_(title, message, 100, parent, wxPD_APP_MODAL | wxPD_ELAPSED_TIME) {}

    // Pulses the dialog with each line of a reflash's progress text.
    StatusCallback programmingStatus() {
        return [this](const std::string& line) {
            dialog_.Pulse(wxString::FromUTF8("Programming encoder...\nDo not disconnect\n\n" + line));
        };
    }
    // Pulses the dialog without changing its message.
    std::function<void()> step() {
        return [this] { dialog_.Pulse(); };
    }

private:
    wxProgressDialog dialog_;
};

inline const char* const programmingMessage = "Programming encoder...\nDo not disconnect";

} // namespace vantix
