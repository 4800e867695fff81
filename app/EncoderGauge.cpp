#include "EncoderGauge.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/graphics.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

struct Palette {
    wxColour primary, secondary;
};

const Palette& palette(bool inactive) {
    static const Palette active{wxColour(189, 35, 143), wxColour(217, 135, 196)};
    static const Palette grey{wxColour(93, 93, 93), wxColour(166, 166, 166)};
    return inactive ? grey : active;
}

// A closed ring whose radius swings `depth` around `radius`, `lobes` times a
// turn, rotated by the shaft angle.
void fillLobedRing(wxGraphicsContext& gc, double cx, double cy, double radius, double depth, int lobes,
                   double phi) {
    wxGraphicsPath path = gc.CreatePath();
    for (int i = 0; i <= 128; ++i) {
        const double u = 2 * std::numbers::pi * i / 128;
        const double rho = radius + depth * std::cos(lobes * u);
        const double theta = u - phi;
        const double x = cx + rho * std::sin(theta), y = cy + rho * std::cos(theta);
        if (i == 0)
            path.MoveToPoint(x, y);
        else
            path.AddLineToPoint(x, y);
    }
    path.CloseSubpath();
    gc.FillPath(path, wxODDEVEN_RULE);
}

} // namespace

wxEncoderGauge::wxEncoderGauge(wxWindow* parent, wxWindowID id) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, id);
    SetBackgroundColour(parent->GetBackgroundColour());
    Bind(wxEVT_PAINT, &wxEncoderGauge::onPaint, this);
}

wxSize wxEncoderGauge::DoGetBestClientSize() const {
    return {200, 200};
}

void wxEncoderGauge::onPaint(wxPaintEvent&) {
    wxAutoBufferedPaintDC dc(this);
    draw(dc);
}

void wxEncoderGauge::redraw() {
    wxClientDC client(this);
    wxBufferedDC dc(&client, GetClientSize());
    draw(dc);
}

void wxEncoderGauge::draw(wxDC& dc) {
    const wxColour background = GetBackgroundColour();
    dc.SetBackground(wxBrush(background));
    dc.Clear();
    const Palette& colours = palette(inactive);
    const wxBrush backgroundBrush(background);

    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::CreateFromUnknownDC(dc));
    if (!gc) return;
    gc->SetPen(*wxTRANSPARENT_PEN);

    const wxSize size = GetClientSize();
    const int cx = size.x / 2, cy = size.y / 2;
    const int r = std::min(size.x, size.y) / 2 - 20;
    double phi = value >= 0 ? value * 2 * std::numbers::pi / counts : 0.0;
    if (counterClockwise) phi = -phi;

    gc->SetBrush(wxBrush(colours.primary));
    gc->DrawEllipse(cx - r, cy - r, 2.0 * r, 2.0 * r);
    gc->SetBrush(wxBrush(colours.secondary));
    fillLobedRing(*gc, cx, cy, 0.75 * r, r / 16.0, 8, phi);
    gc->SetBrush(wxBrush(colours.primary));
    fillLobedRing(*gc, cx, cy, 0.55 * r, r / 16.0, 5, phi);
    gc->SetBrush(backgroundBrush);
    gc->DrawEllipse(cx - 0.35 * r, cy - 0.35 * r, 0.7 * r, 0.7 * r);

    if (value >= 0 && absolute) {
        gc->DrawEllipse(cx + 0.875 * r * std::sin(phi), cy - 0.875 * r * std::cos(phi), 0.04 * r, 0.04 * r);
        const wxString text = fmt::format("{}", value);
        const wxColour ink = dc.GetTextForeground().IsOk() ? dc.GetTextForeground() : *wxBLACK;
        gc->SetFont(dc.GetFont().IsOk() ? dc.GetFont() : *wxNORMAL_FONT, ink);
        double width = 0, height = 0;
        gc->GetTextExtent(text, &width, &height);
        gc->DrawText(text, cx - static_cast<int>(width) / 2, cy - static_cast<int>(height) / 2);
    }
}
