#pragma once
// The application object: opens the main window, starts the update check and
// reports every exception that escapes an event handler.
#include <wx/app.h>

#include <memory>

class VantixFrame;
namespace vantix {
class UpdateCheck;
}

class VantixApp : public wxApp {
public:
    // `checkForUpdates` false: the command line turned the update check off.
    explicit VantixApp(bool checkForUpdates = true);
    ~VantixApp() override;

    bool OnInit() override;
    bool OnExceptionInMainLoop() override;

private:
    VantixFrame* frame = nullptr; // owned by the toolkit's window tree
    bool checkForUpdates;
    std::unique_ptr<vantix::UpdateCheck> updateCheck; // stops its transfer when the frame goes
};
