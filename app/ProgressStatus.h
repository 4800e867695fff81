#pragma once
// The progress dialog of the long flows (re-flash, diagnostics) and the
// callbacks that move it: each shows the phase and an estimated percentage,
// read from what the driver reports, above the driver's own line; and the
// window's answers to the shared sequences' questions.
#include "UserInterface.h"
#include "flows/Conversation.h"
#include "flows/ProgressReading.h"

#include <wx/progdlg.h>

namespace vantix {

class ProgressDialog : public Progress {
public:
    ProgressDialog(const wxString& title, const wxString& message, wxWindow* parent)
        : message_(message),
          dialog_(title, message, 100, parent, wxPD_APP_MODAL | wxPD_ELAPSED_TIME | wxPD_REMAINING_TIME) {}

    // Moves the dialog with each line of a re-flash's progress text.
    StatusCallback status() override {
        return [this](const std::string& line) {
            flash_.read(line);
            dialog_.Update(flash_.percent(),
                           message_ + wxString::FromUTF8("\n\n" + flash_.summary() + "\n" + line));
        };
    }
    // Moves the dialog one step of a diagnostics acquisition.
    std::function<void()> step() override {
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

// The window's side of the shared sequences: its message boxes and progress dialogs.
class WindowConversation : public Conversation {
public:
    explicit WindowConversation(wxWindow* parent) : parent_(parent) {}
    bool ask(Question, const std::string& text, const std::string& caption) override {
        return userInterface().message(wxString::FromUTF8(text), wxString::FromUTF8(caption), wxYES_NO,
                                       parent_) == wxYES;
    }
    std::unique_ptr<Progress> progress(const std::string& title, const std::string& message) override {
        return std::make_unique<ProgressDialog>(wxString::FromUTF8(title), wxString::FromUTF8(message),
                                                parent_);
    }

private:
    wxWindow* parent_;
};

} // namespace vantix
