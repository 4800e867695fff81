// Runs the GUI tests inside the toolkit's main loop, as the program's handlers
// run: nested loops, progress dialogs and timers behave as they do for a user.
#include "app/VantixApp.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/log.h>
#include <wx/modalhook.h>

#include <cstdio>

namespace {

// The tests answer every question through the scripted user interface; a real
// modal dialog would wait for a user who never comes, so it is cancelled.
class CancelUnexpectedDialogs : public wxModalDialogHook {
public:
    static bool allow; // set by tests that show a dialog on purpose

protected:
    int Enter(wxDialog* dialog) override {
        if (allow) return wxID_NONE;
        ADD_FAILURE() << "unexpected modal dialog: " << dialog->GetTitle().utf8_string();
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};
bool CancelUnexpectedDialogs::allow = false;

void failOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_string().c_str(), line) << "toolkit assertion in " << func.utf8_string() << ": "
                                                     << cond.utf8_string() << " " << msg.utf8_string();
}

class TestApp : public VantixApp {
public:
    int result = 1;
    bool OnInit() override { return true; } // the tests make their own windows
    int OnRun() override {
        CallAfter([this] {
            result = RUN_ALL_TESTS();
            ExitMainLoop();
        });
        return wxApp::OnRun();
    }
};

} // namespace

bool allowModalDialogs(bool allow) {
    const bool previous = CancelUnexpectedDialogs::allow;
    CancelUnexpectedDialogs::allow = allow;
    return previous;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    auto* app = new TestApp;
    wxApp::SetInstance(app);
    int toolkitArgc = 1;
    if (!wxEntryStart(toolkitArgc, argv)) {
        std::fprintf(stderr, "cannot start the toolkit (no display?)\n");
        return 1;
    }
    wxSetAssertHandler(failOnAssert);
    delete wxLog::SetActiveTarget(new wxLogStderr); // no log message boxes
    CancelUnexpectedDialogs hook;
    hook.Register();
    app->CallOnInit();
    app->OnRun();
    const int result = app->result;
    hook.Unregister();
    app->OnExit();
    wxEntryCleanup();
    return result;
}
