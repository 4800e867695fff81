// The position gauge as drawn, and the timing fields of the signal pages.
#include "GuiTest.h"

#include <wx/dcmemory.h>
#include <wx/panel.h>

namespace {

const wxColour white(255, 255, 255), primary(189, 35, 143);

// The gauge at its best size as the screen would show it: the colour at (x, y)
// and the pixels of the hub, where the number is written, that are not background.
struct Drawn {
    explicit Drawn(wxEncoderGauge* gauge) {
        wxBitmap bitmap(gauge->GetClientSize());
        {
            wxMemoryDC dc(bitmap);
            gauge->draw(dc);
        }
        image = bitmap.ConvertToImage();
    }
    wxColour at(int x, int y) const {
        return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
    }
    int inkInTheHub() const {
        int ink = 0;
        for (int y = 88; y < 112; ++y)
            for (int x = 80; x < 120; ++x)
                ink += at(x, y) != white;
        return ink;
    }
    wxImage image;
};

TEST(Gauge, MarkerTurnsInTheEncodersSenseNoPositionShowsNoneGreyWhenInactive) {
    auto* window = new wxFrame(nullptr, wxID_ANY, "gauge");
    // A frame stretches its only child to its client area whenever a size
    // event arrives; a panel in between keeps the gauge at the size set here.
    auto* panel = new wxPanel(window);
    panel->SetBackgroundColour(white);
    auto* gauge = new wxEncoderGauge(panel, ID_GAUGE);
    gauge->SetSize(gauge->GetBestSize());
    gauge->inactive = false;
    gauge->absolute = true;
    gauge->counts = 2048;
    gauge->value = 512; // a quarter turn: the notch 70 pixels right of the centre
    EXPECT_EQ(Drawn(gauge).at(171, 101), white);
    EXPECT_EQ(Drawn(gauge).at(101, 31), primary);
    EXPECT_GT(Drawn(gauge).inkInTheHub(), 20);
    gauge->counterClockwise = true;
    EXPECT_EQ(Drawn(gauge).at(31, 101), white);
    EXPECT_EQ(Drawn(gauge).at(171, 101), primary);
    gauge->value = -1; // no position: neither marker nor number
    const Drawn none(gauge);
    EXPECT_EQ(none.inkInTheHub(), 0);
    EXPECT_EQ(none.at(101, 31), primary); // no marker at zero either
    gauge->inactive = true;
    EXPECT_EQ(Drawn(gauge).at(178, 100), wxColour(93, 93, 93));
    window->Destroy();
}

TEST(SignalPages, AnUpdateWithZeroChangesNothing) {
    auto* window = new wxFrame(nullptr, wxID_ANY, "pages");
    auto* notebook = new wxNotebook(window, wxID_ANY);
    auto* quadrature = new wxQuadratureSignals(notebook, wxID_ANY);
    auto* commutation = new wxCommutationSignals(notebook, wxID_ANY);
    quadrature->update(1024);
    quadrature->update(0);
    commutation->update(4);
    commutation->update(0);
    EXPECT_EQ(quadrature->field("T")->GetValue(), wxString::FromUTF8("0.352\u00B0"));
    EXPECT_EQ(commutation->field("T")->GetValue(), wxString::FromUTF8("180.000\u00B0"));
    window->Destroy();
}

} // namespace
