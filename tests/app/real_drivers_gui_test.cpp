// The main window with the real drivers on the bench's encoder models, picked
// in the real selection dialog: one scenario per driver family.
#include "RealDrivers.h"
#include "Screenshot.h"
#include "app/DiagnosticsPlots.h"
#include "app/EncoderGauge.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Registry.h"
#include "sim/models/rvx46_47/Rvx46Line.h"
#include "sim/models/rvx63/Rvx63.h"
#include "transport/FtdiPlatform.h"

#include <wx/dcmemory.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace vantix::test {
namespace {

TEST_F(RealDrivers, Rvx46AndRvx84UpdateProgramZeroAndSaveDiagnostics) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& rvx46 =
        addEncoder("RVX46", {{"fw", "0x14"}, {"code", "0xE3"}, {"datecode", "2211"}, {"shaft", "3000"}});
    auto& rvx84 = addEncoder("RVX84", {{"poles", "4"}});
    // The offer is accepted; the first attempt's restart handshake fails, the retry succeeds.
    ui->onMessage = [&rvx46](const Shown& shown) {
        if (shown.caption == "Update RVX Encoder Firmware?") rvx46.scriptReply("q", "q\r\n#");
    };
    ui->answers = {wxYES, wxYES};
    ui->moduleChoices = {0, 1};
    connectTo("RVX46");
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Encoder firmware update available\nFirmware version on encoder: 0x14\n"
                              "Latest firmware version available: 0x15\n\nUpdate to latest version?",
                              "Error occured while programming encoder:\nUnable to connect to RVX46 encoder. "
                              "Failed to initialization calibration\n\nRe-try?"}));
    EXPECT_EQ(rvx46.firmware()->version, 0x15);
    EXPECT_EQ(heading(), "RVX463Q\nFirmware: 0x15 - Date Code: 2211");
    EXPECT_EQ(frame->positionGauge()->counts, 16384);
    EXPECT_TRUE(frame->positionGauge()->counterClockwise);
    EXPECT_EQ(frame->resultLine(), "Encoder firmware updated to 0x15");

    select(0, "2048 PPR");
    phases.clear();
    bar.clear();
    click(ID_PROGRAM);
    EXPECT_EQ(rvx46.firmware()->resolution, 2048);
    // The re-flash read as it went: each phase in turn, the bar only forward.
    EXPECT_EQ(phases,
              (std::vector<std::string>{"Connecting", "Erasing", "Writing", "Verifying", "Restarting"}));
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
    EXPECT_EQ(bar.back(), 99);
    EXPECT_EQ(frame->resultLine(), "Encoder programmed: Resolution 2048 PPR");
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 3000);
    click(ID_ZERO);
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 0);
    EXPECT_EQ(messages().back(), "Zero position set!");

    std::vector<std::string> report;
    std::istringstream in(saveDiagnostics());
    for (std::string line; std::getline(in, line);)
        report.push_back(line);
    ASSERT_EQ(report.size(), 6u + 1 + 13 + 1 + 128 + 4); // header, flags, 128 rows, summary
    EXPECT_EQ(report[6], "Resolution: 2048");

    click(ID_CONNECT); // disconnect
    connectTo("RVX84");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX842S");
    select(0, "2000 PPR");
    select(1, "12");
    select(2, "Counter-Clockwise");
    click(ID_PROGRAM);
    EXPECT_EQ(messages().size(), 3u);
    EXPECT_EQ(rvx84.firmware()->resolution, 2000);
    EXPECT_EQ(rvx84.firmware()->poles, 12);
    EXPECT_TRUE(rvx84.firmware()->counterClockwise);
    EXPECT_EQ(frame->resultLine(),
              "Encoder programmed: Resolution 2000 PPR, Poles 12, Direction Counter-Clockwise");
    EXPECT_GE(std::count(progress.begin(), progress.end(), "Programming RVX Encoder: " + done), 1);
    EXPECT_EQ(std::count(progress.begin(), progress.end(), "Setting RVX Encoder Resolution: " + done), 2);
    EXPECT_FALSE(openProgressDialog());
}

TEST_F(RealDrivers, Rvx63TurningOnTheGaugeProgramZeroAndHeaderOnlyReport) {
    addEncoder<sim::Rvx63>("RVX63");
    auto& device = addEncoder<sim::Rvx63>("RVX63", {{"rpm", "6"}, {"date", "0x3221"}}); // a turn in 10 s
    (*bench)->module(0).setBusy(true);
    ui->moduleChoices.push_back(1);
    connectTo("RVX63");
    EXPECT_EQ(ui->moduleLists.at(0), (std::vector<std::string>{"<busy>", "RVX-LINK (simulated): RVX63"}));
    EXPECT_EQ(heading(), "RVX633\nFirmware: 0x15 - Date Code: 2025");
    wxEncoderGauge* gauge = frame->positionGauge();
    EXPECT_EQ(gauge->counts, 4096);
    EXPECT_TRUE(gauge->absolute);
    tick();
    const int first = gauge->value;
    EXPECT_GE(first, 0);
    FTDI::sleepMs(1000);
    tick();
    EXPECT_NEAR((gauge->value - first + 4096) % 4096, 410, 41);

    select(0, "800 PPR");
    click(ID_PROGRAM);
    EXPECT_EQ(device.resolution(), 800);
    EXPECT_EQ(device.commands().back(), (sim::Bytes{0x80, 0xFA, 0xE9}));
    click(ID_ZERO);
    EXPECT_EQ(device.restarts(), 1u);
    EXPECT_EQ(saveDiagnostics(), "RVX Vantix\x99 diagnostics data\nModel: RVX633\nFirmware revision: 15\n"
                                 "Datecode: 2025\nLast programmed by: 30\nLast program date: 2025-01-01\n");
    EXPECT_TRUE(frame->resultLine().StartsWith("Diagnostics saved to "));
    EXPECT_EQ(frame->diagnosticsPlots(), nullptr); // no samples, nothing to plot
    EXPECT_TRUE(messages().empty());               // an absolute encoder is zeroed without a word
}

// The share of the Lissajous figure's drawn pixels within a tenth of the
// ideal circle's radius from the circle.
double figureOnCircle(wxLissajousPlot* plot) {
    wxBitmap bitmap(plot->GetClientSize());
    {
        wxMemoryDC dc(bitmap);
        plot->draw(dc);
    }
    const wxImage image = bitmap.ConvertToImage();
    const auto circle = plot->idealCircle();
    int figure = 0, onCircle = 0;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            if (image.GetRed(x, y) - image.GetGreen(x, y) > 80 &&
                image.GetBlue(x, y) - image.GetGreen(x, y) > 50) {
                ++figure; // magenta
                onCircle +=
                    std::abs(std::hypot(x - circle.x, y - circle.y) - circle.radius) < circle.radius / 10;
            }
    EXPECT_GT(figure, 200) << "no figure drawn";
    return figure ? double(onCircle) / figure : 0;
}

TEST_F(RealDrivers, DiagnosticsPlotTheSamplesTheLissajousFigureLiesOnTheCircleUnlessTheSineIsOffset) {
    addEncoder("RVX46");
    addEncoder("RVX46", {{"offset", "400"}});
    ui->moduleChoices = {0, 1};
    for (const bool offset : {false, true}) {
        SCOPED_TRACE(offset ? "offset sine" : "healthy");
        connectTo("RVX46");
        const std::string report = saveDiagnostics();
        EXPECT_TRUE(frame->resultLine().StartsWith("Diagnostics saved to "));
        wxDiagnosticsDialog* plots = frame->diagnosticsPlots();
        ASSERT_NE(plots, nullptr);
        EXPECT_TRUE(plots->IsShown());
        EXPECT_EQ(plots->GetTitle(), "RVX Vantix: Diagnostics of RVX462Q");
        // The summary beside the plots is the report's.
        const auto summary = report.substr(report.find("Coarse amplitude: "));
        for (const char* figure : {"Coarse amplitude: ", "Fine DC offset: "}) {
            const auto at = summary.find(figure);
            const auto line = summary.substr(at, summary.find('\n', at) - at);
            EXPECT_NE(wxWindow::FindWindowByLabel(line, plots), nullptr) << line;
        }
        const double on = figureOnCircle(plots->lissajousPlot());
        if (offset)
            EXPECT_LT(on, 0.4); // 400 mV on a radius of about 1075
        else
            EXPECT_GT(on, 0.95);
        click(ID_CONNECT);
    }
}

// Pictures of the window as a new user meets it, one per driver family, and
// of the diagnostics plots: saved into screenshots/ beside the test program.
TEST_F(RealDrivers, Screenshots) {
    // The SPI model last: the UART modules are listed in the order added.
    const char* const families[] = {"RVX46", "RVX48", "RVX84", "RVX65", "RVX62", "RVX64", "RVX63"};
    for (const char* model : families)
        (*bench)->add(model, sim::ModelOptions({{"rpm", "0"}, {"shaft", "3000"}}));
    frame->Move(0, 0);
    saveScreenshot(frame, "main-window-disconnected");
    for (int i = 0; i < 7; ++i) {
        ui->moduleChoices = {i};
        connectTo(families[i]);
        tick();
        saveScreenshot(frame, std::string("main-window-") + families[i]);
        click(ID_CONNECT);
    }
    ui->moduleChoices = {0};
    connectTo("RVX46");
    saveDiagnostics();
    ASSERT_NE(frame->diagnosticsPlots(), nullptr);
    frame->diagnosticsPlots()->Move(0, 0);
    saveScreenshot(frame->diagnosticsPlots(), "diagnostics-plots");
    EXPECT_THAT(messages(), testing::IsEmpty());
}

} // namespace
} // namespace vantix::test
