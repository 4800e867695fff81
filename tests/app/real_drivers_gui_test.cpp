// The main window with the real drivers on the bench's encoder models, picked
// in the real selection dialog: one scenario per driver family, the
// diagnostics plots and pictures of the window. What the drivers leave in the
// encoders is the encoders' tests'; here what the window shows of it.
#include "GuiTest.h"
#include "Screenshot.h"
#include "app/DiagnosticsPlots.h"
#include "encoders/FirmwareSet.h"
#include "encoders/Registry.h"
#include "sim/models/rvx46_47/Rvx46Line.h"
#include "sim/models/rvx48/Rvx48.h"
#include "sim/models/rvx63/Rvx63.h"
#include "sim/models/rvx64/Rvx64.h"
#include "sim/models/rvx65_68/TerseEncoder.h"
#include "transport/FtdiPlatform.h"

#include <cmath>

namespace vantix::test {
namespace {

const std::string done = "Programming complete. Resetting encoder...";

class RealDrivers : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ui->realSelectionDialog = true;
        frame->createDriver = [this](const std::string& model, std::uint32_t index) {
            auto encoder = RVX::create_encoder(model, index);
            if (!encoder) return encoder;
            auto observed = [this](StatusCallback inner) {
                return StatusCallback([this, inner](const std::string& line) {
                    inner(line);
                    seen(line);
                });
            };
            if (auto set = encoder->set_resolution)
                encoder->set_resolution = [=](std::uint16_t r, StatusCallback s) { set(r, observed(s)); };
            if (auto set = encoder->set_commutation)
                encoder->set_commutation = [=](std::uint16_t r, std::uint8_t p, bool d, StatusCallback s) {
                    set(r, p, d, observed(s));
                };
            if (auto set = encoder->set_baud_rate)
                encoder->set_baud_rate = [=](std::uint32_t b, StatusCallback s) { set(b, observed(s)); };
            if (auto update = encoder->update_firmware)
                encoder->update_firmware = [=](StatusCallback s) { update(observed(s)); };
            return encoder;
        };
        bench.reset();
        bench.emplace(std::make_shared<sim::Bench>());
    }

    // Records a progress line of a re-flash with what the progress dialog shows with it.
    void seen(const std::string& line) {
        const auto dialog = openProgressDialog();
        const std::string head = "Programming encoder...\nDo not disconnect\n\n";
        if (!dialog || !dialog->message.starts_with(head) || !dialog->message.ends_with("\n" + line)) return;
        progress.push_back(dialog->title + ": " + line);
        // "Writing (42 %)" between the head and the line.
        const auto phase =
            dialog->message.substr(head.size(), dialog->message.find(" (", head.size()) - head.size());
        if (phases.empty() || phases.back() != phase) phases.push_back(phase);
        bar.push_back(dialog->value);
    }

    template <class Model = sim::Rvx46Line>
    Model& addEncoder(const std::string& model, std::map<std::string, std::string> options = {}) {
        options.emplace("rpm", "0");
        return (*bench)->add(model, sim::ModelOptions(std::move(options))).template device<Model>();
    }

    void connectTo(const std::string& model) {
        ui->models.push_back(model);
        click(ID_CONNECT);
        ASSERT_NE(frame->connectedEncoder(), nullptr);
        EXPECT_STREQ(frame->connectedEncoder()->name(), model.c_str());
    }

    void select(int row, const std::string& entry) {
        const auto entries = rowEntries(row);
        const auto at = std::find(entries.begin(), entries.end(), entry);
        ASSERT_NE(at, entries.end()) << entry;
        choose(row, static_cast<int>(at - entries.begin()));
    }
    std::string selected(int row) const {
        return frame->settingRow(row).choice->GetStringSelection().utf8_string();
    }
    // The gauge after a tick of the position timer.
    int position() {
        tick();
        return frame->positionGauge()->value;
    }

    std::vector<std::string> progress; // "dialog title: line"
    std::vector<std::string> phases;   // as shown, each once in a row
    std::vector<int> bar;              // the progress bar at each line
};

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
    EXPECT_EQ(heading(), "RVX463Q\nFirmware: 0x15 - Date Code: 2211");
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
    EXPECT_EQ(position(), 3000);
    click(ID_ZERO);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(messages().back(), "Zero position set!");

    const std::string report = saveDiagnostics(); // header, flags, 128 rows, summary
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 6 + 1 + 13 + 1 + 128 + 4);

    click(ID_CONNECT); // disconnect
    connectTo("RVX84");
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
    EXPECT_EQ(frame->positionGauge()->counts, 4096);
    EXPECT_TRUE(frame->positionGauge()->absolute);
    const int first = position();
    EXPECT_GE(first, 0);
    FTDI::sleepMs(1000);
    EXPECT_NEAR((position() - first + 4096) % 4096, 410, 41);

    select(0, "800 PPR");
    click(ID_PROGRAM);
    EXPECT_EQ(device.resolution(), 800);
    click(ID_ZERO);
    EXPECT_EQ(device.restarts(), 1u);
    EXPECT_EQ(saveDiagnostics(), "RVX Vantix\x99 diagnostics data\nModel: RVX633\nFirmware revision: 15\n"
                                 "Datecode: 2025\nLast programmed by: 30\nLast program date: 2025-01-01\n");
    EXPECT_TRUE(frame->resultLine().StartsWith("Diagnostics saved to "));
    EXPECT_EQ(frame->diagnosticsPlots(), nullptr); // no samples, nothing to plot
    EXPECT_TRUE(messages().empty());               // an absolute encoder is zeroed without a word
}

TEST_F(RealDrivers, Rvx48ResolutionRowUpdateOfferAndProgram) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& rvx48 = addEncoder<sim::Rvx48>("RVX48", {{"fw", "3"}, {"res", "0xB"}, {"datecode", "1907"}});
    ui->answers = {wxYES};
    connectTo("RVX48");
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_EQ(std::count(progress.begin(), progress.end(), "Programming RVX Encoder: Verify block 112/113"),
              1);
    // Firmware 3 could not say its resolution; the settings were read again after the update.
    EXPECT_EQ(heading(), "RVX48\nFirmware: 0x04 - Date Code: 1907");
    EXPECT_EQ(selected(0), "2048 PPR");
    EXPECT_EQ(rowLabel(1), "");
    EXPECT_EQ(notebookPages(), (std::vector<std::string>{"Quadrature"}));
    EXPECT_TRUE(frame->positionGauge()->inactive);

    select(0, "400 PPR");
    click(ID_PROGRAM);
    EXPECT_EQ(rvx48.resolutionCode(), 5);
    EXPECT_EQ(messages().size(), 1u);
    EXPECT_TRUE(saveDiagnostics().ends_with("\nResolution: 400\n"));
}

TEST_F(RealDrivers, Rvx64ProgramsAddressAndTerminationAndRestoresACorruptRecord) {
    auto& rvx64 =
        addEncoder<sim::Rvx64>("RVX64", {{"variant", "B"}, {"address", "0x10"}, {"datecode", "4025"}});
    auto& corrupt = addEncoder<sim::Rvx64>("RVX64", {{"record", "swwZMA=="}});
    ui->moduleChoices = {0, 1};
    connectTo("RVX64");
    EXPECT_EQ(heading(), "RVX64xB\nFirmware: 0x07 - Date Code: 4025");
    EXPECT_EQ(selected(0), "0x10");
    EXPECT_EQ(selected(2), "Disabled");
    select(0, "0x20");
    select(2, "Enabled (120 Ohm)");
    click(ID_PROGRAM);
    EXPECT_EQ(messages(), std::vector<std::string>{"Encoder address set"});
    EXPECT_EQ(rvx64.nodeAddress(), 0x20);
    EXPECT_TRUE(rvx64.termination());

    click(ID_CONNECT);
    ui->answers = {wxYES};
    connectTo("RVX64");
    EXPECT_EQ(messages().back(), "Encoder settings are invalid/corrupt. Reprogram with default values?");
    ASSERT_TRUE(corrupt.record());
    EXPECT_EQ(corrupt.record()->at(0), 0xB3);
    EXPECT_EQ(heading(), "RVX64xA\nFirmware: 0x07 - Date Code: 0000");
    EXPECT_EQ(rowLabel(2), ""); // no date code to tell whether the part has termination
}

TEST_F(RealDrivers, Rvx65ProgramsAddressAndBaudRateZeroesAndAMultiTurnPartCountsTurns) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& rvx65 = addEncoder<sim::TerseEncoder>("RVX65", {{"part", "RVX652F"},
                                                          {"address", "0x43"},
                                                          {"shaft", "5000"},
                                                          {"zero", "1000"},
                                                          {"datecode", "2219"}});
    addEncoder<sim::TerseEncoder>("RVX65", {{"part", "RVX652D"}, {"turns", "-2"}, {"address", "0x08"}});
    ui->moduleChoices = {0, 1};
    connectTo("RVX65");
    EXPECT_EQ(heading(), "RVX652F\nFirmware: 0x1B - Date Code: 2219");
    EXPECT_EQ(selected(0), "0x40");
    EXPECT_EQ(selected(1), "115200 bps");
    EXPECT_EQ(rowLabel(2), "");
    EXPECT_TRUE(enabled(ID_ZERO));
    EXPECT_FALSE(frame->turnsLabel()->IsShown());
    EXPECT_EQ(frame->positionGauge()->counts, 16384);
    EXPECT_EQ(position(), 4000);

    select(0, "0x24");
    select(1, "9600 bps");
    click(ID_PROGRAM);
    EXPECT_EQ(rvx65.rs485Baud(), 9600u);
    EXPECT_EQ(rvx65.eeprom(0xC0), 0x24);
    EXPECT_EQ(messages(), std::vector<std::string>{"Encoder programmed successfully"});
    EXPECT_EQ(progress.back(), "Setting RVX Encoder Baud Rate: " + done);
    click(ID_ZERO);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(messages().size(), 1u); // an absolute encoder is zeroed without a word

    // A multi-turn part: a fixed rate has no row; turns replace zero.
    click(ID_CONNECT);
    connectTo("RVX65");
    EXPECT_EQ(selected(0), "0x08");
    EXPECT_EQ(rowLabel(1), "");
    EXPECT_FALSE(enabled(ID_ZERO));
    position();
    EXPECT_TRUE(frame->turnsLabel()->IsShown());
    EXPECT_EQ(frame->turnsLabel()->GetLabel().utf8_string(), "Turns: -2");
    click(ID_CONNECT); // disconnects
    EXPECT_FALSE(frame->turnsLabel()->IsShown());
}

// The share of the Lissajous figure's drawn pixels within a tenth of the
// ideal circle's radius from the circle.
double figureOnCircle(wxLissajousPlot* plot) {
    const wxImage image = drawn(plot);
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
