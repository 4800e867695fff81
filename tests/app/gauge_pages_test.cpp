// The position gauge as drawn, and the timing fields of the signal pages.
#include "GuiTest.h"
#include "Screenshot.h"

#include <wx/panel.h>

using namespace vantix::test;

namespace {

const wxColour white(255, 255, 255), primary(189, 35, 143);

// The pixels of the hub, where the number is written, that are not background.
int inkInTheHub(const wxImage& image) {
    int ink = 0;
    for (int y = 88; y < 112; ++y)
        for (int x = 80; x < 120; ++x)
            ink += pixel(image, x, y) != white;
    return ink;
}

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
    EXPECT_EQ(pixel(drawn(gauge), 171, 101), white);
    EXPECT_EQ(pixel(drawn(gauge), 101, 31), primary);
    EXPECT_GT(inkInTheHub(drawn(gauge)), 20);
    gauge->counterClockwise = true;
    EXPECT_EQ(pixel(drawn(gauge), 31, 101), white);
    EXPECT_EQ(pixel(drawn(gauge), 171, 101), primary);
    gauge->value = -1; // no position: neither marker nor number
    EXPECT_EQ(inkInTheHub(drawn(gauge)), 0);
    EXPECT_EQ(pixel(drawn(gauge), 101, 31), primary); // no marker at zero either
    gauge->inactive = true;
    EXPECT_EQ(pixel(drawn(gauge), 178, 100), wxColour(93, 93, 93));
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
