#pragma once
// The progress dialog of the long flows (re-flash, diagnostics) and the
// callbacks that move it: each shows the phase and an estimated percentage,
// read from what the driver reports, above the driver's own line.
#include "ProgressReading.h"
#include "encoders/Encoder.h"

#include <wx/progdlg.h>

namespace vantix {

inline const char* const programmingMessage = "Programming encoder...\nDo not disconnect";

class ProgressDialog {
public:
    ProgressDialog(const wxString& title, const wxString& message, wxWindow* parent)
        : message_(message),
          dialog_(title, message, 100, parent, wxPD_APP_MODAL | wxPD_ELAPSED_TIME | wxPD_REMAINING_TIME) {}

    // Moves the dialog with each line of a re-flash's progress text.
    StatusCallback programmingStatus() {
        return [this](const std::string& line) {
            flash_.read(line);
            dialog_.Update(flash_.percent(),
                           message_ + wxString::FromUTF8("\n\n" + flash_.summary() + "\n" + line));
        };
    }
    // Moves the dialog one step of a diagnostics acquisition.
    std::function<void()> step() {
        return [this] {
            acquisition_.step();
            dialog_.Update(acquisition_.percent(),
                           message_ + wxString::FromUTF8("\n\n" + acquisition_.summary()));
        };
    }

private:
    wxString message_;
    wxProgressDialog dialog_;
    FlashProgress flash_;
    AcquisitionProgress acquisition_;
};

} // namespace vantix
