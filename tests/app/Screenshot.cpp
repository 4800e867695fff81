#include "Screenshot.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/filename.h>
#include <wx/imagpng.h>
#include <wx/utils.h>
#include <wx/wfstream.h>
#include <wx/window.h>

// Last: Xlib's macros clash with names in the toolkit's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vantix::test {

namespace {

// Read from the server itself: the toolkit's screen context can hand back an
// older picture under Xvfb.
wxImage grabScreen(const wxRect& rect) {
    wxImage image(rect.width, rect.height);
    Display* display = XOpenDisplay(nullptr);
    if (!display) return image;
    XImage* shot =
        XGetImage(display, DefaultRootWindow(display), rect.x, rect.y, static_cast<unsigned>(rect.width),
                  static_cast<unsigned>(rect.height), AllPlanes, ZPixmap);
    if (shot) {
        for (int y = 0; y < rect.height; ++y)
            for (int x = 0; x < rect.width; ++x) {
                const unsigned long pixel = XGetPixel(shot, x, y);
                image.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
            }
        XDestroyImage(shot);
    }
    XCloseDisplay(display);
    return image;
}

} // namespace

wxImage grabWindow(wxWindow* window) {
    window->Raise();
    for (int i = 0; i < 30; ++i) { // lets the window system draw everything pending
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    }
    return grabWindowNow(window);
}

wxImage grabWindowNow(wxWindow* window) {
    return grabScreen(window->GetScreenRect());
}

void saveScreenshot(wxWindow* window, const std::string& name) {
    wxImage image = grabWindow(window);
    wxFileName::Mkdir("screenshots", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    wxFileOutputStream out("screenshots/" + name + ".png");
    wxPNGHandler png;
    EXPECT_TRUE(out.IsOk() && png.SaveFile(&image, out, false)) << name;
}

} // namespace vantix::test
