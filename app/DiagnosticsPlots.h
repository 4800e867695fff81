#pragma once
// The window that shows a diagnostics acquisition after its report is saved:
// both channels against the sample index, the sine against the cosine as a
// Lissajous figure around the ideal circle, and the report's figures.
#include "DiagnosticsReport.h"

#include <wx/dialog.h>
#include <wx/window.h>

// Both channels against the sample index, in volts.
class wxSignalPlot : public wxWindow {
public:
    wxSignalPlot(wxWindow* parent, const vantix::SignalAcquisition& acquisition);
    void draw(wxDC& dc);

private:
    const vantix::SignalAcquisition& acquisition_;
};

// The sine (coarse channel, upwards) against the cosine (fine channel, to the
// right). A healthy sensor traces the ideal circle: centred on the signals'
// bias, its radius their mean half swing. Offsets move the figure off it,
// unequal swings squash it, a phase error tilts it.
class wxLissajousPlot : public wxWindow {
public:
    wxLissajousPlot(wxWindow* parent, const vantix::SignalAcquisition& acquisition);
    void draw(wxDC& dc);

    // Millivolts both channels ride on when the sensor is healthy: half its 5 V supply.
    static constexpr int biasMv = 2500;

    // Where the ideal circle is drawn, in pixels.
    struct Circle {
        double x, y, radius;
    };
    Circle idealCircle() const;

private:
    // The square view around the bias, wide enough for every sample.
    struct View {
        double left, top, side, cx, cy, mvPerPixel;
    };
    View view() const;

    const vantix::SignalAcquisition& acquisition_;
};

class wxDiagnosticsDialog : public wxDialog {
public:
    wxDiagnosticsDialog(wxWindow* parent, const wxString& title, vantix::SignalAcquisition acquisition);

    wxSignalPlot* signalPlot() const { return signals_; }
    wxLissajousPlot* lissajousPlot() const { return lissajous_; }

private:
    vantix::SignalAcquisition acquisition_;
    wxSignalPlot* signals_ = nullptr;
    wxLissajousPlot* lissajous_ = nullptr;
};
