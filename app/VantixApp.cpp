#include "VantixApp.h"

#include "UpdateCheck.h"
#include "UserInterface.h"
#include "VantixFrame.h"
#include "flows/ErrorReport.h"

#include <wx/msgdlg.h>

VantixApp::VantixApp(bool checkForUpdates) : checkForUpdates(checkForUpdates) {
    // The toolkit's own boxes (a browser that cannot be started) are captioned with it.
    SetAppDisplayName("RVX Vantix");
}

VantixApp::~VantixApp() = default;

bool VantixApp::OnInit() {
    auto* window = new VantixFrame;
    window->Show();
    frame = window;
    updateCheck = vantix::startUpdateCheck(frame, checkForUpdates); // answers later, on this thread
    return true;
}

bool VantixApp::OnExceptionInMainLoop() {
    const auto message = vantix::describeException(std::current_exception());
    if (!message) return false; // not ours to understand: end the program
    vantix::userInterface().message(wxString::FromUTF8(message->text), wxString::FromUTF8(message->caption),
                                    wxOK | wxICON_ERROR, nullptr);
    return true;
}
