// The main window with the real RVX63 driver on the RVX63 encoder model: picked
// in the real selection dialog, polled on the gauge, programmed, zeroed and
// asked for its diagnostics.
#include "GuiTest.h"
#include "app/EncoderGauge.h"
#include "app/EncoderSelectDialog.h"
#include "sim/models/Rvx63.h"
#include "transport/FtdiPlatform.h"

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

namespace vantix::test {
namespace {

// Opens the real selection dialog and presses the RVX63 picture button in it.
class SelectionDialogUi : public ScriptedUserInterface {
public:
    bool armed = false; // the start-up Connect click is cancelled like in every window test

    std::string chooseModel(wxWindow* parent) override {
        ++modelDialogs;
        if (!armed) return {};
        const bool previous = allowModalDialogs(true);
        wxEncoderSelectDialog dialog(parent, wxID_ANY, "RVX Vantix: Select Encoder");
        dialog.CallAfter([&dialog] {
            auto* button = wxDynamicCast(wxWindow::FindWindowByLabel("RVX63", &dialog), wxButton);
            if (!button) {
                ADD_FAILURE() << "no RVX63 button in the selection dialog";
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
};

class Rvx63Window : public FrameTest {
protected:
    Rvx63Window() { ui = selectionUi; }

    void SetUp() override {
        FrameTest::SetUp();
        selectionUi->armed = true;
        frame->createDriver = RVX::create_encoder; // the real drivers
        bench.reset();
        bench.emplace(std::make_shared<sim::Bench>());
    }

    std::shared_ptr<SelectionDialogUi> selectionUi = std::make_shared<SelectionDialogUi>();

    sim::Rvx63& addEncoder(std::map<std::string, std::string> options) {
        return (*bench)->add("RVX63", sim::ModelOptions(std::move(options))).device<sim::Rvx63>();
    }

    std::string file(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(Rvx63Window, ConnectsFromTheSelectionDialogAndShowsTheShaftTurning) {
    addEncoder({{"rpm", "6"}}); // a turn in 10 s

    click(ID_CONNECT);

    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_STREQ(frame->connectedEncoder()->name(), "RVX63");
    EXPECT_TRUE(ui->moduleLists.empty()); // one module: no choice
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX633");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 2025");
    EXPECT_EQ(rowLabel(0), "Resolution: ");
    EXPECT_EQ(rowEntries(0).size(), 12u);
    EXPECT_EQ(rowEntries(0).at(static_cast<std::size_t>(rowSelection(0))), "1024 PPR");
    EXPECT_TRUE(enabled(ID_ZERO));

    wxEncoderGauge* gauge = frame->positionGauge();
    EXPECT_EQ(gauge->counts, 4096);
    EXPECT_TRUE(gauge->absolute);
    EXPECT_TRUE(gauge->counterClockwise);
    EXPECT_FALSE(gauge->inactive);

    tick();
    const int first = gauge->value;
    FTDI::sleepMs(1000);
    tick();
    const int second = gauge->value;
    EXPECT_GE(first, 0);
    EXPECT_NEAR((second - first + 4096) % 4096, 410, 30);
}

TEST_F(Rvx63Window, OffersTheSpiModulesAndMarksOnesInUse) {
    click(ID_CONNECT);
    EXPECT_EQ(messages(), (std::vector<std::string>{"No RVX SPI programming module found"}));
    EXPECT_EQ(ui->shown.at(0).caption, "RVX Vantix Error");
    EXPECT_EQ(frame->connectedEncoder(), nullptr);

    addEncoder({{"rpm", "0"}});
    auto& second = addEncoder({{"rpm", "0"}});
    (*bench)->module(0).setBusy(true);
    ui->moduleChoices.push_back(1);
    click(ID_CONNECT);

    ASSERT_EQ(ui->moduleLists.size(), 1u);
    EXPECT_EQ(ui->moduleLists[0], (std::vector<std::string>{"<busy>", "RVX-LINK (simulated): RVX63"}));
    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_FALSE(second.received().empty());
}

TEST_F(Rvx63Window, ProgramsZeroesAndSavesTheHeaderOnlyReport) {
    auto& device = addEncoder({{"rpm", "0"}, {"position", "1234"}, {"date", "0x3221"}});
    click(ID_CONNECT);
    ASSERT_NE(frame->connectedEncoder(), nullptr);
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 1234);

    const auto entries = rowEntries(0);
    const auto at800 = std::find(entries.begin(), entries.end(), "800 PPR") - entries.begin();
    choose(0, static_cast<int>(at800));
    click(ID_PROGRAM);
    EXPECT_EQ(device.resolution(), 800);
    EXPECT_EQ(device.commands().back(), (sim::Bytes{0x80, 0xFA, 0xE9}));

    click(ID_ZERO);
    EXPECT_EQ(device.restarts(), 1u);
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 0);

    const std::string path = wxFileName::CreateTempFileName("rvx63").utf8_string();
    ui->files.push_back(path);
    click(ID_DIAGNOSTICS);
    EXPECT_EQ(file(path), "RVX Vantix\x99 diagnostics data\n"
                          "Model: RVX633\n"
                          "Firmware revision: 15\n"
                          "Datecode: 2025\n"
                          "Last programmed by: 30\n"
                          "Last program date: 2025-01-01\n");
    std::remove(path.c_str());

    // An absolute encoder is zeroed without a word; nothing else was said either.
    EXPECT_TRUE(messages().empty());
}

} // namespace
} // namespace vantix::test
