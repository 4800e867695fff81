#pragma once
// The round position gauge of the main window: two lobed rings that turn with
// the shaft and, for absolute encoders, a marker and the count in the middle.
#include <wx/window.h>

#include <cstdint>

class wxEncoderGauge : public wxWindow {
public:
    wxEncoderGauge(wxWindow* parent, wxWindowID id);

    // Draws at once, without waiting for a paint event.
    void redraw();
    // Draws the whole gauge into `dc`, sized to the client area.
    void draw(wxDC& dc);

    std::int32_t counts = 100;
    std::int32_t value = -1; // negative: no position
    bool absolute = false;
    bool counterClockwise = false;
    bool inactive = true;

protected:
    wxSize DoGetBestClientSize() const override;

private:
    void onPaint(wxPaintEvent& event);
};
