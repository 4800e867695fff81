#include "DiagnosticsPlots.h"

#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/graphics.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const wxColour sineColour(189, 35, 143), cosineColour(0, 120, 150), idealColour(110, 110, 110),
    gridColour(215, 215, 215), inkColour(60, 60, 60);

int swing(const std::vector<int>& samples) {
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    return *high - *low;
}

// A graphics context on `dc` with the window's background cleared and its font set.
std::unique_ptr<wxGraphicsContext> startDrawing(wxWindow& window, wxDC& dc) {
    dc.SetBackground(wxBrush(window.GetBackgroundColour()));
    dc.Clear();
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::CreateFromUnknownDC(dc));
    if (gc) gc->SetFont(window.GetFont(), inkColour);
    return gc;
}

void line(wxGraphicsContext& gc, double x1, double y1, double x2, double y2) {
    gc.StrokeLine(x1, y1, x2, y2);
}

void text(wxGraphicsContext& gc, const wxString& s, double x, double y, double alignX = 0) {
    double width = 0, height = 0;
    gc.GetTextExtent(s, &width, &height);
    gc.DrawText(s, x - width * alignX, y - height / 2);
}

template <class Plot> void bindPaint(Plot* plot) {
    plot->Bind(wxEVT_PAINT, [plot](wxPaintEvent&) {
        wxAutoBufferedPaintDC dc(plot);
        plot->draw(dc);
    });
}

} // namespace

wxSignalPlot::wxSignalPlot(wxWindow* parent, const vantix::SignalAcquisition& acquisition)
    : acquisition_(acquisition) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, wxDefaultPosition, {440, 260});
    SetBackgroundColour(*wxWHITE);
    bindPaint(this);
}

void wxSignalPlot::draw(wxDC& dc) {
    auto gc = startDrawing(*this, dc);
    if (!gc) return;
    const auto& coarse = acquisition_.coarse;
    const auto& fine = acquisition_.fine;
    const wxSize size = GetClientSize();
    const double left = 44, right = size.x - 12.0, top = 30, bottom = size.y - 26.0;

    // Volts on the left, from 0 to at least the 5 V supply.
    const int highest = std::max(*std::max_element(coarse.begin(), coarse.end()),
                                 *std::max_element(fine.begin(), fine.end()));
    const int topMv = std::max(5000, (highest + 999) / 1000 * 1000);
    const double samples = static_cast<double>(coarse.size());
    auto x = [&](double index) { return left + (right - left) * index / samples; };
    auto y = [&](double mv) { return bottom - (bottom - top) * std::clamp(mv, 0.0, double(topMv)) / topMv; };

    gc->SetPen(wxPen(gridColour, 1));
    for (int mv = 0; mv <= topMv; mv += 1000) {
        line(*gc, left, y(mv), right, y(mv));
        text(*gc, fmt::format("{} V", mv / 1000), left - 6, y(mv), 1);
    }
    for (int index = 0; index <= static_cast<int>(samples); index += 32) {
        line(*gc, x(index), top, x(index), bottom);
        text(*gc, fmt::format("{}", index), x(index), bottom + 12, 0.5);
    }

    auto trace = [&](const std::vector<int>& channel, const wxColour& colour) {
        wxGraphicsPath path = gc->CreatePath();
        for (std::size_t i = 0; i < channel.size(); ++i) {
            if (i == 0)
                path.MoveToPoint(x(0), y(channel[0]));
            else
                path.AddLineToPoint(x(static_cast<double>(i)), y(channel[i]));
        }
        gc->SetPen(wxPen(colour, 2));
        gc->StrokePath(path);
    };
    trace(coarse, sineColour);
    trace(fine, cosineColour);

    // The legend above the plot.
    double legendX = left;
    for (const auto& [name, colour] :
         {std::pair{"Coarse (sine)", sineColour}, {"Fine (cosine)", cosineColour}}) {
        gc->SetPen(wxPen(colour, 3));
        line(*gc, legendX, top - 14, legendX + 18, top - 14);
        text(*gc, name, legendX + 24, top - 14);
        legendX += 150;
    }
    text(*gc, "sample", right, top - 14, 1);
}

wxLissajousPlot::wxLissajousPlot(wxWindow* parent, const vantix::SignalAcquisition& acquisition)
    : acquisition_(acquisition) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, wxDefaultPosition, {260, 260});
    SetBackgroundColour(*wxWHITE);
    bindPaint(this);
}

wxLissajousPlot::View wxLissajousPlot::view() const {
    const auto& sine = acquisition_.coarse;
    const auto& cosine = acquisition_.fine;
    const wxSize size = GetClientSize();
    View v{};
    v.top = 30;
    v.side = std::min(size.x - 20.0, size.y - v.top - 10);
    v.left = (size.x - v.side) / 2;
    int reach = 1250;
    for (std::size_t i = 0; i < sine.size(); ++i)
        reach =
            std::max({reach, std::abs(sine[i] - biasMv) * 11 / 10, std::abs(cosine[i] - biasMv) * 11 / 10});
    reach = (reach + 249) / 250 * 250;
    v.mvPerPixel = 2.0 * reach / v.side;
    v.cx = v.left + v.side / 2;
    v.cy = v.top + v.side / 2;
    return v;
}

wxLissajousPlot::Circle wxLissajousPlot::idealCircle() const {
    const View v = view();
    return {v.cx, v.cy, (swing(acquisition_.coarse) + swing(acquisition_.fine)) / 4.0 / v.mvPerPixel};
}

void wxLissajousPlot::draw(wxDC& dc) {
    auto gc = startDrawing(*this, dc);
    if (!gc) return;
    const auto& sine = acquisition_.coarse;
    const auto& cosine = acquisition_.fine;
    const View v = view();
    auto px = [&](double mv) { return v.cx + (mv - biasMv) / v.mvPerPixel; };
    auto py = [&](double mv) { return v.cy - (mv - biasMv) / v.mvPerPixel; };

    gc->SetPen(wxPen(gridColour, 1));
    line(*gc, v.left, v.cy, v.left + v.side, v.cy);
    line(*gc, v.cx, v.top, v.cx, v.top + v.side);
    text(*gc, "sine against cosine, ideal circle grey", GetClientSize().x / 2.0, 12, 0.5);

    wxGraphicsPath figure = gc->CreatePath();
    for (std::size_t i = 0; i < sine.size(); ++i) {
        if (i == 0)
            figure.MoveToPoint(px(cosine[0]), py(sine[0]));
        else
            figure.AddLineToPoint(px(cosine[i]), py(sine[i]));
    }
    figure.CloseSubpath();
    gc->SetPen(wxPen(sineColour, 2));
    gc->StrokePath(figure);

    // On top, so that the reference stays whole where the figure lies on it.
    const Circle ideal = idealCircle();
    gc->SetPen(wxPen(idealColour, 1));
    gc->SetBrush(*wxTRANSPARENT_BRUSH);
    gc->DrawEllipse(ideal.x - ideal.radius, ideal.y - ideal.radius, 2 * ideal.radius, 2 * ideal.radius);
}

wxDiagnosticsDialog::wxDiagnosticsDialog(wxWindow* parent, const wxString& title,
                                         vantix::SignalAcquisition acquisition)
    : wxDialog(parent, wxID_ANY, title), acquisition_(std::move(acquisition)) {
    auto* plots = new wxBoxSizer(wxHORIZONTAL);
    signals_ = new wxSignalPlot(this, acquisition_);
    lissajous_ = new wxLissajousPlot(this, acquisition_);
    plots->Add(signals_, 0, wxALL, 8);
    plots->Add(lissajous_, 0, wxTOP | wxBOTTOM | wxRIGHT, 8);

    auto* figures = new wxBoxSizer(wxVERTICAL);
    for (const auto& [name, value] : acquisition_.figures)
        figures->Add(new wxStaticText(this, wxID_ANY, wxString::FromUTF8(name + ": " + value)), 0, wxBOTTOM,
                     4);
    plots->Add(figures, 0, wxTOP | wxRIGHT, 38);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(plots);
    auto* close = new wxButton(this, wxID_CLOSE, "Close");
    sizer->Add(close, 0, wxALIGN_RIGHT | wxRIGHT | wxBOTTOM, 8);
    SetSizerAndFit(sizer);
    SetEscapeId(wxID_CLOSE);
    close->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Close(); });
    // A window of its own while the user goes on with the encoder: gone when closed.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Destroy(); });
}
