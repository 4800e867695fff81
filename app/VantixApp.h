#pragma once
// The application object: opens the main window and reports every exception
// that escapes an event handler.
#include <wx/app.h>

class VantixFrame;

class VantixApp : public wxApp {
public:
    bool OnInit() override;
    bool OnExceptionInMainLoop() override;

private:
    VantixFrame* frame = nullptr; // owned by the toolkit's window tree
};
