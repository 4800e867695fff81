#pragma once
// Pictures of what the screen shows, for looking at the window as a user sees it.
#include <wx/dcmemory.h>
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

// What `control` draws, at its size, as its paint handler would draw it.
template <class Control> wxImage drawn(Control* control) {
    wxBitmap bitmap(control->GetClientSize());
    {
        wxMemoryDC dc(bitmap);
        control->draw(dc);
    }
    return bitmap.ConvertToImage();
}
inline wxColour pixel(const wxImage& image, int x, int y) {
    return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}

} // namespace vantix::test
