#include "VantixApp.h"

#include "ErrorReport.h"
#include "UserInterface.h"
#include "VantixFrame.h"

#include <wx/msgdlg.h>

bool VantixApp::OnInit() {
    auto* window = new VantixFrame;
    window->Show();
    frame = window;
    // The update check starts here, with the frame as its handler's parent.
    return true;
}

bool VantixApp::OnExceptionInMainLoop() {
    const auto message = vantix::describeException(std::current_exception());
    if (!message) return false; // not ours to understand: end the program
    vantix::userInterface().message(wxString::FromUTF8(message->text), wxString::FromUTF8(message->caption),
                                    wxOK | wxICON_ERROR, nullptr);
    return true;
}
