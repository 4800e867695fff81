// The position gauge as drawn, and the timing fields of the signal pages.
#include "GuiTest.h"

#include "app/EncoderGauge.h"
#include "app/SignalPages.h"

#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

namespace {

const wxColour white(255, 255, 255);
const wxColour primary(189, 35, 143), secondary(217, 135, 196);

class Gauge : public testing::Test {
protected:
    void SetUp() override {
        window = new wxFrame(nullptr, wxID_ANY, "gauge");
        window->SetBackgroundColour(white);
        gauge = new wxEncoderGauge(window, ID_GAUGE);
        gauge->SetSize(gauge->GetBestSize());
        gauge->inactive = false;
        gauge->counts = 4096;
    }
    void TearDown() override { window->Destroy(); }

    // The gauge as the screen would show it.
    wxImage drawn() {
        wxBitmap bitmap(gauge->GetClientSize());
        {
            wxMemoryDC dc(bitmap);
            gauge->draw(dc);
        }
        return bitmap.ConvertToImage();
    }
    static wxColour at(const wxImage& image, int x, int y) {
        return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
    }
    wxColour at(int x, int y) { return at(drawn(), x, y); }
    // Pixels of the hub, where the number is written, that are not background.
    int inkInTheHub() {
        const wxImage image = drawn();
        int ink = 0;
        for (int y = 88; y < 112; ++y)
            for (int x = 80; x < 120; ++x)
                ink += at(image, x, y) != white;
        return ink;
    }

    wxFrame* window = nullptr;
    wxEncoderGauge* gauge = nullptr;
};

TEST_F(Gauge, BestSizeGivesAnOuterDiscOf160PixelsGreyWhenInactive) {
    EXPECT_EQ(gauge->GetBestSize(), wxSize(200, 200));
    for (auto [x, y] : {std::pair{178, 100}, {22, 100}, {100, 22}})
        EXPECT_EQ(at(x, y), primary) << x << "," << y;
    for (auto [x, y] : {std::pair{182, 100}, {18, 100}, {100, 182}, {105, 100} /* the hub */})
        EXPECT_EQ(at(x, y), white) << x << "," << y;
    EXPECT_EQ(at(152, 100), secondary); // between the two rings
    gauge->inactive = true;
    EXPECT_EQ(at(178, 100), wxColour(93, 93, 93));
    EXPECT_EQ(at(152, 100), wxColour(166, 166, 166));
}

TEST_F(Gauge, MarkerNotchSits70PixelsFromTheCentreAndTurnsWithTheRingsInTheEncodersSense) {
    gauge->value = 0;
    EXPECT_EQ(at(101, 31), primary); // incremental: no marker
    gauge->absolute = true;
    EXPECT_EQ(at(101, 31), white); // top-left corner at (100, 30)
    gauge->value = 1024;           // a quarter turn
    EXPECT_EQ(at(171, 101), white);
    EXPECT_EQ(at(101, 31), primary);
    gauge->counterClockwise = true;
    EXPECT_EQ(at(31, 101), white);
    EXPECT_EQ(at(171, 101), primary);
    // Straight below the centre lies a crest of the eight-lobed ring; a
    // sixteenth of a turn more brings a trough there, showing the outer disc.
    EXPECT_EQ(at(100, 163), secondary);
    gauge->value += 4096 / 16;
    EXPECT_EQ(at(100, 163), primary);
}

TEST_F(Gauge, AbsolutePositionIsWrittenInTheHubNoPositionDrawsNeitherMarkerNorNumber) {
    gauge->absolute = true;
    gauge->value = 777;
    EXPECT_GT(inkInTheHub(), 20);
    gauge->value = -1;
    EXPECT_EQ(inkInTheHub(), 0);
    EXPECT_EQ(at(101, 31), primary);
}

TEST(SignalPages, FieldsStartAtZeroAreReadOnlyAndAnUpdateWithZeroChangesNothing) {
    auto* window = new wxFrame(nullptr, wxID_ANY, "pages");
    auto* notebook = new wxNotebook(window, wxID_ANY);
    auto* quadrature = new wxQuadratureSignals(notebook, wxID_ANY);
    auto* commutation = new wxCommutationSignals(notebook, wxID_ANY);
    for (const char* label : {"I", "P", "T", "S"}) {
        EXPECT_EQ(quadrature->field(label)->GetValue(), wxString::FromUTF8("0.0\u00B0"));
        EXPECT_FALSE(quadrature->field(label)->IsEditable());
    }
    EXPECT_EQ(commutation->field("C")->GetValue(), wxString::FromUTF8("0.0\u00B0"));
    quadrature->update(1024);
    quadrature->update(0);
    commutation->update(4);
    commutation->update(0);
    EXPECT_EQ(quadrature->field("T")->GetValue(), wxString::FromUTF8("0.352\u00B0"));
    EXPECT_EQ(commutation->field("T")->GetValue(), wxString::FromUTF8("180.000\u00B0"));
    window->Destroy();
}

} // namespace
