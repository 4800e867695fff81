// The main window with the real RVX46 and RVX84 drivers on the bench's encoder
// models: picked in the real selection dialog, polled on the gauge, re-flashed
// for a new resolution and commutation set, zeroed, asked for diagnostics, and
// offered a firmware update that fails once and is retried.
#include "GuiTest.h"
#include "app/EncoderGauge.h"
#include "app/EncoderSelectDialog.h"
#include "encoders/FirmwareSet.h"
#include "sim/models/Rvx46Line.h"
#include "transport/FtdiPlatform.h"

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace vantix::test {
namespace {

// Opens the real selection dialog and presses the picture button of `model`.
class SelectionDialogUi : public ScriptedUserInterface {
public:
    std::string chooseModel(wxWindow* parent) override {
        ++modelDialogs;
        if (pick.empty()) return {}; // the start-up dialog: cancelled
        const std::string model = pick.front();
        pick.pop_front();
        const bool previous = allowModalDialogs(true);
        wxEncoderSelectDialog dialog(parent, wxID_ANY, "RVX Vantix: Select Encoder");
        dialog.CallAfter([&dialog, model] {
            auto* button = wxDynamicCast(wxWindow::FindWindowByLabel(model, &dialog), wxButton);
            if (!button) {
                ADD_FAILURE() << "no " << model << " button in the selection dialog";
                dialog.EndModal(0);
                return;
            }
            wxCommandEvent click(wxEVT_BUTTON, button->GetId());
            click.SetEventObject(button);
            button->GetEventHandler()->ProcessEvent(click);
        });
        dialog.ShowModal();
        allowModalDialogs(previous);
        return std::string(dialog.selectedModel);
    }
    std::deque<std::string> pick;
};

// One line of re-flash progress and the progress dialog it was shown in.
struct ProgressLine {
    std::string title;
    std::string message;
    std::string line;
};

class Rvx46Window : public FrameTest {
protected:
    Rvx46Window() { ui = selection = std::make_shared<SelectionDialogUi>(); }

    void SetUp() override {
        FrameTest::SetUp();
        // The real drivers, with their progress callbacks observed on the way.
        frame->createDriver = [this](const std::string& model, std::uint32_t index) {
            auto encoder = RVX::create_encoder(model, index);
            if (encoder) observeProgress(*encoder);
            return encoder;
        };
        bench.reset();
        bench.emplace(std::make_shared<sim::Bench>());
    }

    void observeProgress(RVX::Encoder& encoder) {
        auto observed = [this](StatusCallback inner) {
            return StatusCallback([this, inner](const std::string& line) {
                inner(line);
                const auto dialog = openProgressDialog();
                progress.push_back({dialog ? dialog->title : "", dialog ? dialog->message : "", line});
            });
        };
        if (auto setResolution = encoder.set_resolution)
            encoder.set_resolution = [=](std::uint16_t r, StatusCallback s) {
                setResolution(r, observed(s));
            };
        if (auto setCommutation = encoder.set_commutation)
            encoder.set_commutation = [=](std::uint16_t r, std::uint8_t p, bool d, StatusCallback s) {
                setCommutation(r, p, d, observed(s));
            };
        if (auto update = encoder.update_firmware)
            encoder.update_firmware = [=](StatusCallback s) { update(observed(s)); };
    }

    sim::Rvx46Line& addEncoder(const std::string& model, std::map<std::string, std::string> options = {}) {
        options.emplace("rpm", "0");
        return (*bench)->add(model, sim::ModelOptions(std::move(options))).device<sim::Rvx46Line>();
    }

    void select(int row, const std::string& entry) {
        const auto entries = rowEntries(row);
        const auto at = std::find(entries.begin(), entries.end(), entry);
        ASSERT_NE(at, entries.end()) << entry;
        choose(row, static_cast<int>(at - entries.begin()));
    }

    bool progressShows(const std::string& title, const std::string& line) const {
        return std::any_of(progress.begin(), progress.end(), [&](const ProgressLine& p) {
            return p.title == title && p.line == line &&
                   p.message == "Programming encoder...\nDo not disconnect\n\n" + line;
        });
    }

    static std::vector<std::string> lines(const std::string& path) {
        std::ifstream in(path);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }

    std::shared_ptr<SelectionDialogUi> selection;
    std::vector<ProgressLine> progress;
};

TEST_F(Rvx46Window, ConnectsAnRvx46AndShowsTheShaftTurning) {
    addEncoder("RVX46", {{"rpm", "6"}}); // a turn in 10 s
    selection->pick = {"RVX46"};

    click(ID_CONNECT);

    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_STREQ(frame->connectedEncoder()->name(), "RVX46");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX462Q");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 2024");
    EXPECT_EQ(rowLabel(0), "Resolution: ");
    EXPECT_EQ(rowEntries(0).size(), 22u);
    EXPECT_EQ(rowEntries(0).at(static_cast<std::size_t>(rowSelection(0))), "1024 PPR");
    EXPECT_EQ(rowLabel(1), "");
    EXPECT_EQ(notebookPages(), (std::vector<std::string>{"Quadrature"}));
    EXPECT_TRUE(enabled(ID_ZERO));

    wxEncoderGauge* gauge = frame->positionGauge();
    EXPECT_EQ(gauge->counts, 16384);
    EXPECT_FALSE(gauge->absolute);
    EXPECT_TRUE(gauge->counterClockwise);
    EXPECT_FALSE(gauge->inactive);
    tick();
    const int first = gauge->value;
    FTDI::sleepMs(1000);
    tick();
    EXPECT_NEAR((gauge->value - first + 16384) % 16384, 1638, 40);
}

TEST_F(Rvx46Window, ProgramsANewResolutionZeroesAndSavesDiagnostics) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& device = addEncoder("RVX46", {{"shaft", "3000"}});
    selection->pick = {"RVX46"};
    click(ID_CONNECT);
    ASSERT_NE(frame->connectedEncoder(), nullptr);

    select(0, "2048 PPR");
    click(ID_PROGRAM);
    EXPECT_TRUE(messages().empty()) << messages().front();
    EXPECT_EQ(device.firmware()->resolution, 2048);
    EXPECT_EQ(device.eeprom(0x82), 0x08);
    EXPECT_TRUE(progressShows("Setting RVX Encoder Resolution", "Connecting..."));
    EXPECT_TRUE(
        progressShows("Setting RVX Encoder Resolution", "Programming complete. Resetting encoder..."));
    EXPECT_FALSE(openProgressDialog());

    tick();
    EXPECT_EQ(frame->positionGauge()->value, 3000);
    click(ID_ZERO);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Zero position set!"}));
    EXPECT_EQ(ui->shown.back().caption, "Encoder zero");
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 0);

    device.setEeprom(0x8B, 0x20); // a high speed error since the re-flash
    const std::string path = wxFileName::CreateTempFileName("rvx46").utf8_string();
    ui->files.push_back(path);
    click(ID_DIAGNOSTICS);
    const auto report = lines(path);
    std::remove(path.c_str());
    ASSERT_EQ(report.size(), 6u + 1 + 13 + 1 + 128 + 4);
    EXPECT_EQ(report[0], "RVX Vantix\x99 diagnostics data");
    EXPECT_EQ(report[1], "Model: RVX462Q");
    EXPECT_EQ(report[4], "Last programmed by: 30");
    EXPECT_EQ(report[6], "Resolution: 2048");
    EXPECT_EQ(report[12], "High speed error: True");
    EXPECT_EQ(report[20], "Coarse,Fine");
    EXPECT_EQ(std::count_if(report.begin() + 21, report.begin() + 149,
                            [](const std::string& row) { return row.find(',') != std::string::npos; }),
              128);
    EXPECT_TRUE(report[149].starts_with("Coarse amplitude: ") && report[149].ends_with(" mV"));
    EXPECT_TRUE(report[152].starts_with("Fine DC offset: "));
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(Rvx46Window, ConnectsAnRvx84FromTwoModulesAndProgramsACommutationSet) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    addEncoder("RVX46");
    auto& device = addEncoder("RVX84", {{"poles", "4"}});
    selection->pick = {"RVX84"};
    ui->moduleChoices.push_back(1);

    click(ID_CONNECT);

    ASSERT_NE(frame->connectedEncoder(), nullptr);
    ASSERT_EQ(ui->moduleLists.size(), 1u);
    EXPECT_EQ(ui->moduleLists[0],
              (std::vector<std::string>{"RVX-LINK (simulated): RVX46", "RVX-LINK (simulated): RVX84"}));
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX842S");
    EXPECT_EQ(rowLabel(1), "Poles: ");
    EXPECT_EQ(rowLabel(2), "Direction: ");
    EXPECT_EQ(rowEntries(1).at(static_cast<std::size_t>(rowSelection(1))), "4");
    EXPECT_EQ(rowSelection(2), 0);
    EXPECT_EQ(notebookPages(), (std::vector<std::string>{"Quadrature", "Commutation"}));

    select(0, "2000 PPR");
    select(1, "12");
    select(2, "Counter-Clockwise");
    click(ID_PROGRAM);

    EXPECT_TRUE(messages().empty());
    const auto& running = *device.firmware();
    EXPECT_EQ(running.resolution, 2000);
    EXPECT_EQ(running.poles, 12);
    EXPECT_TRUE(running.counterClockwise);
    EXPECT_EQ(device.eeprom(0x84), 12);
    EXPECT_EQ(device.eeprom(0x85), 1);
    EXPECT_TRUE(
        progressShows("Setting RVX Encoder Resolution", "Programming complete. Resetting encoder..."));
}

TEST_F(Rvx46Window, AFailedFirmwareUpdateIsRetriedOnRequestAndKeepsTheEncodersIdentity) {
    if (!RVX::firmware::simulation_images()) GTEST_SKIP() << "the bench runs only the simulation images";
    auto& device = addEncoder("RVX46", {{"fw", "0x14"}, {"code", "0xE3"}, {"datecode", "2211"}});
    // When the offer comes, arrange for the first attempt's restart handshake to fail.
    ui->onMessage = [&device](const Shown& shown) {
        if (shown.caption == "Update RVX Encoder Firmware?") device.scriptReply("q", "q\r\n#");
    };
    ui->answers = {wxYES, wxYES};
    selection->pick = {"RVX46"};

    click(ID_CONNECT);

    ASSERT_EQ(ui->shown.size(), 2u);
    EXPECT_EQ(ui->shown[0].text, "Encoder firmware update available\nFirmware version on encoder: 0x14\n"
                                 "Latest firmware version available: 0x15\n\nUpdate to latest version?");
    EXPECT_EQ(ui->shown[1].text,
              "Error occured while programming encoder:\nUnable to connect to RVX46 encoder. "
              "Failed to initialization calibration\n\nRe-try?");
    EXPECT_EQ(ui->shown[1].caption, "RVX Encoder Programming Error");
    EXPECT_TRUE(progressShows("Programming RVX Encoder", "Programming complete. Resetting encoder..."));
    EXPECT_EQ(device.firmware()->version, 0x15);
    EXPECT_EQ(device.eeprom(0x79), 0xE3);
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 2211");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX463Q");
    ASSERT_NE(frame->connectedEncoder(), nullptr);
}

TEST_F(Rvx46Window, AnEncoderWithTheLatestFirmwareGetsNoOffer) {
    addEncoder("RVX84");
    selection->pick = {"RVX84"};
    click(ID_CONNECT);
    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_TRUE(ui->shown.empty());
}

} // namespace
} // namespace vantix::test
