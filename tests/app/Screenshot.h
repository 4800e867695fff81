#pragma once
// Pictures of what the screen shows, for looking at the window as a user sees it.
#include <wx/image.h>

#include <string>

class wxWindow;

namespace vantix::test {

// What the X server shows of `window` once pending drawing is done.
wxImage grabWindow(wxWindow* window);
// What it shows right now, without letting the toolkit draw anything pending.
wxImage grabWindowNow(wxWindow* window);
// Saves that picture as screenshots/<name>.png under the working directory.
void saveScreenshot(wxWindow* window, const std::string& name);

} // namespace vantix::test
