#include "VantixApp.h"

#include "ErrorReport.h"
#include "UserInterface.h"
#include "VantixFrame.h"

#include <wx/msgdlg.h>

bool VantixApp::OnInit() {
    auto* window = new VantixFrame;
    window->Show();
    frame = window;
    // The asynchronous update check is to start here, with the frame as its handler's parent;
    // it is not part of the program yet.
    return true;
}

bool VantixApp::OnExceptionInMainLoop() {
    const auto message = vantix::describeException(std::current_exception());
    if (!message) return false; // not ours to understand: end the program
    vantix::userInterface().message(wxString::FromUTF8(message->text), wxString::FromUTF8(message->caption),
                                    wxOK | wxICON_ERROR, nullptr);
    return true;
}
