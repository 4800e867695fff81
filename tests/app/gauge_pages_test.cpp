// The position gauge as drawn, and the timing fields of the signal pages.
#include "GuiTest.h"

#include "app/EncoderGauge.h"
#include "app/SignalPages.h"

#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>

#include <memory>

namespace {

const wxColour white(255, 255, 255);
const wxColour primary(189, 35, 143), secondary(217, 135, 196);
const wxColour greyPrimary(93, 93, 93), greySecondary(166, 166, 166);

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

    // Draws the gauge as the screen would show it and returns the picture.
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

    wxFrame* window = nullptr;
    wxEncoderGauge* gauge = nullptr;
};

TEST_F(Gauge, BestSizeGivesAnOuterDiscOf160Pixels) {
    EXPECT_EQ(gauge->GetBestSize(), wxSize(200, 200));
    const wxImage image = drawn();
    EXPECT_EQ(at(image, 100 + 78, 100), primary);
    EXPECT_EQ(at(image, 100 + 82, 100), white);
    EXPECT_EQ(at(image, 100 - 78, 100), primary);
    EXPECT_EQ(at(image, 100 - 82, 100), white);
    EXPECT_EQ(at(image, 100, 100 - 78), primary);
    EXPECT_EQ(at(image, 100, 100 + 82), white);
    EXPECT_EQ(at(image, 100 + 52, 100), secondary); // between the two rings
    EXPECT_EQ(at(image, 100 + 5, 100), white);      // the hub
}

TEST_F(Gauge, InactiveGaugeIsGrey) {
    gauge->inactive = true;
    const wxImage image = drawn();
    EXPECT_EQ(at(image, 100 + 78, 100), greyPrimary);
    EXPECT_EQ(at(image, 100 + 52, 100), greySecondary);
}

TEST_F(Gauge, MarkerNotchSits70PixelsFromTheCentreForAbsoluteEncodersOnly) {
    gauge->value = 0;
    gauge->absolute = true;
    EXPECT_EQ(at(drawn(), 101, 31), white); // top-left corner at (100, 30)
    gauge->absolute = false;
    EXPECT_EQ(at(drawn(), 101, 31), primary);
}

TEST_F(Gauge, MarkerTurnsWithTheShaftInTheEncodersSense) {
    gauge->absolute = true;
    gauge->value = 1024; // a quarter turn
    EXPECT_EQ(at(drawn(), 171, 101), white);
    EXPECT_EQ(at(drawn(), 101, 31), primary);
    gauge->counterClockwise = true;
    EXPECT_EQ(at(drawn(), 31, 101), white);
    EXPECT_EQ(at(drawn(), 171, 101), primary);
}

TEST_F(Gauge, NoPositionDrawsNeitherMarkerNorNumber) {
    gauge->absolute = true;
    gauge->value = -1;
    const wxImage image = drawn();
    EXPECT_EQ(at(image, 101, 31), primary);
    for (int y = 88; y < 112; ++y)
        for (int x = 80; x < 120; ++x)
            ASSERT_EQ(at(image, x, y), white) << x << "," << y;
}

TEST_F(Gauge, AbsolutePositionIsWrittenInTheHub) {
    gauge->absolute = true;
    gauge->value = 777;
    const wxImage image = drawn();
    int ink = 0;
    for (int y = 88; y < 112; ++y)
        for (int x = 80; x < 120; ++x)
            ink += at(image, x, y) != white;
    EXPECT_GT(ink, 20);
}

TEST_F(Gauge, RingsTurnWithThePosition) {
    // Straight below the centre lies a crest of the eight-lobed ring; a
    // sixteenth of a turn brings a trough there, showing the outer disc.
    EXPECT_EQ(at(drawn(), 100, 100 + 63), secondary);
    gauge->value = 4096 / 16;
    EXPECT_EQ(at(drawn(), 100, 100 + 63), primary);
}

class SignalPages : public testing::Test {
protected:
    void SetUp() override {
        window = new wxFrame(nullptr, wxID_ANY, "pages");
        auto* notebook = new wxNotebook(window, wxID_ANY);
        quadrature = new wxQuadratureSignals(notebook, wxID_ANY);
        commutation = new wxCommutationSignals(notebook, wxID_ANY);
    }
    void TearDown() override { window->Destroy(); }
    static std::string text(wxSignalPage* page, const char* label) {
        return page->field(label)->GetValue().utf8_string();
    }
    wxFrame* window = nullptr;
    wxQuadratureSignals* quadrature = nullptr;
    wxCommutationSignals* commutation = nullptr;
};

TEST_F(SignalPages, FieldsStartAtZeroAndAreReadOnly) {
    for (const char* label : {"I", "P", "T", "S"}) {
        EXPECT_EQ(text(quadrature, label), "0.0\u00B0");
        EXPECT_FALSE(quadrature->field(label)->IsEditable());
    }
    for (const char* label : {"C", "P", "T", "S"})
        EXPECT_EQ(text(commutation, label), "0.0\u00B0");
}

TEST_F(SignalPages, QuadratureTimingsOfOneResolution) {
    quadrature->update(1024);
    EXPECT_EQ(text(quadrature, "T"), "0.352\u00B0");
    EXPECT_EQ(text(quadrature, "P"), "0.176\u00B0");
    EXPECT_EQ(text(quadrature, "I"), "0.088\u00B0");
    EXPECT_EQ(text(quadrature, "S"), "0.088\u00B0");
    quadrature->update(0);
    EXPECT_EQ(text(quadrature, "T"), "0.352\u00B0");
}

TEST_F(SignalPages, CommutationTimingsOfOnePoleCount) {
    commutation->update(4);
    EXPECT_EQ(text(commutation, "T"), "180.000\u00B0");
    EXPECT_EQ(text(commutation, "P"), "90.000\u00B0");
    EXPECT_EQ(text(commutation, "S"), "30.000\u00B0");
    EXPECT_EQ(text(commutation, "C"), "60.000\u00B0");
    commutation->update(0);
    EXPECT_EQ(text(commutation, "T"), "180.000\u00B0");
}

} // namespace
