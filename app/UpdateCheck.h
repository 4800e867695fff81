#pragma once
// The update check at start-up: a worker thread asks the maker's web site for
// the newest version of the program; back on the GUI thread, each newer version
// that the answer names is offered with a question that opens the download page.
// Every failure is silent, and closing the main window stops the transfer at once.
#include "HttpsFetch.h"

#include <wx/event.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <chrono>
#include <memory>
#include <string>

namespace vantix {

struct UpdateCheckSettings {
    bool enabled = true;
    std::string host;   // https base address of the version document and the download page
    std::string caFile; // empty: the system's trusted authorities
    std::chrono::milliseconds timeout{30'000};

    // The maker's host and the program's defaults, changed by RVX_VANTIX_NO_UPDATE_CHECK,
    // RVX_VANTIX_UPDATE_HOST, RVX_VANTIX_UPDATE_CA_FILE and RVX_VANTIX_UPDATE_TIMEOUT_MS.
    static UpdateCheckSettings fromEnvironment();
};

class UpdateCheck : public wxEvtHandler {
public:
    // Starts the transfer; questions are parented to `window`.
    UpdateCheck(wxWindow* window, const UpdateCheckSettings& settings);
    ~UpdateCheck() override;

    // The answer has been handled, or the transfer has failed.
    bool finished() const { return done; }

private:
    void onWindowDestroyed(wxWindowDestroyEvent& event);
    void handle(const HttpsResponse& response);
    void offerNewerVersions(const HttpsResponse& response);

    wxWeakRef<wxWindow> window;
    std::string downloadPage;
    bool done = false;
    std::unique_ptr<HttpsFetch> fetch;
};

// Starts the check unless the command line or the environment turns it off (null then).
std::unique_ptr<UpdateCheck> startUpdateCheck(wxWindow* window, bool allowedByCommandLine);

} // namespace vantix
