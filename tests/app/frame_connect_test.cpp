// Connecting and disconnecting through the real main window.
#include "GuiTest.h"

#include "app/Artwork.h"
#include "app/EncoderGauge.h"
#include "encoders/Pictures.h"
#include "transport/FtdiException.h"

#include <wx/choice.h>
#include <wx/generic/statbmpg.h>
#include <wx/notebook.h>
#include <wx/stattext.h>

using namespace vantix::test;
using testing::ElementsAre;

namespace {

TEST(StartUp, SelectionDialogOpensWithoutAClick) {
    auto ui = std::make_shared<ScriptedUserInterface>();
    auto previous = vantix::installUserInterface(ui);
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto* frame = new VantixFrame;
    frame->positionTimer().Stop();
    EXPECT_EQ(ui->modelDialogs, 0);
    wxTheApp->ProcessPendingEvents();
    EXPECT_EQ(ui->modelDialogs, 1);
    EXPECT_EQ(frame->GetTitle(), "RVX Vantix");
    EXPECT_EQ(frame->connectedEncoder(), nullptr);
    EXPECT_TRUE(ui->shown.empty());
    frame->Destroy();
    wxTheApp->ProcessIdle();
    vantix::installUserInterface(previous);
}

using Connecting = FrameTest;

TEST_F(Connecting, StartUpStateBeforeAnyConnection) {
    EXPECT_EQ(ui->modelDialogs, 1);
    EXPECT_EQ(label(ID_CONNECT), "Connect");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX Vantix");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Disconnected");
    EXPECT_TRUE(enabled(ID_DIAGNOSTICS));
    EXPECT_FALSE(enabled(ID_ZERO));
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_FALSE(enabled(ID_DATASHEET));
    EXPECT_THAT(notebookPages(), ElementsAre("Quadrature", "Commutation"));
    EXPECT_TRUE(frame->signalNotebook()->IsShown());
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(rowLabel(row), "");
        EXPECT_TRUE(rowEntries(row).empty());
        EXPECT_FALSE(frame->settingRow(row).choice->IsEnabled());
    }
}

TEST_F(Connecting, ConnectFillsTheWindowAndDisconnectEmptiesIt) {
    script->accessors = {Accessor::Resolution, Accessor::Zero, Accessor::ReadPosition};
    script->partNumber = "RVX462Q";
    script->firmware = 0x15;
    script->datecode = 742;
    connect();
    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_EQ(script->createdModel, "RVX46");
    EXPECT_EQ(script->createdIndex, 0u); // one UART module: no module choice
    EXPECT_TRUE(ui->moduleLists.empty());
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX462Q");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 0742");
    EXPECT_TRUE(enabled(ID_DATASHEET));
    EXPECT_TRUE(enabled(ID_DIAGNOSTICS));
    EXPECT_TRUE(enabled(ID_ZERO));
    EXPECT_TRUE(enabled(ID_PROGRAM));
    EXPECT_EQ(frame->positionGauge()->counts, 4096); // no position_bits
    EXPECT_FALSE(frame->positionGauge()->inactive);
    EXPECT_TRUE(ui->shown.empty());

    click(ID_DATASHEET);
    EXPECT_THAT(ui->opened, ElementsAre("https://www.rvx-encoders.example/product/resource/rvxtest.pdf"));

    click(ID_CONNECT); // disconnect
    EXPECT_EQ(frame->connectedEncoder(), nullptr);
    EXPECT_EQ(label(ID_CONNECT), "Connect");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX Vantix");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Disconnected");
    EXPECT_FALSE(enabled(ID_DIAGNOSTICS));
    EXPECT_FALSE(enabled(ID_ZERO));
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_FALSE(enabled(ID_DATASHEET));
    EXPECT_TRUE(notebookPages().empty());
    EXPECT_FALSE(frame->signalNotebook()->IsShown());
    EXPECT_EQ(frame->positionGauge()->value, -1);
    EXPECT_TRUE(frame->positionGauge()->inactive);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(rowLabel(row), "");
        EXPECT_TRUE(rowEntries(row).empty());
        EXPECT_FALSE(frame->settingRow(row).choice->IsEnabled());
    }
    EXPECT_EQ(ui->modelDialogs, 2); // disconnecting asks nothing
}

TEST_F(Connecting, GaugeTakesItsShapeFromTheDriver) {
    script->accessors = {Accessor::PositionBits};
    script->positionBits = 14;
    script->absolute = true;
    script->counterClockwise = true;
    connect();
    EXPECT_EQ(frame->positionGauge()->counts, 16384);
    EXPECT_TRUE(frame->positionGauge()->absolute);
    EXPECT_TRUE(frame->positionGauge()->counterClockwise);
    EXPECT_TRUE(frame->positionGauge()->inactive); // no read_position
    EXPECT_FALSE(enabled(ID_ZERO));
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_FALSE(frame->signalNotebook()->IsShown());
}

TEST_F(Connecting, DriverPictureReplacesThePlaceholderUntilDisconnection) {
    const wxBitmap placeholder = frame->encoderPicture()->GetBitmap();
    const auto png = RVX::model_picture("RVX84-2");
    script->accessors = {Accessor::Picture};
    script->picture.assign(png.begin(), png.end());
    connect();
    const wxImage shown = frame->encoderPicture()->GetBitmap().ConvertToImage();
    const wxImage expected = loadPngImage(png);
    ASSERT_EQ(shown.GetSize(), expected.GetSize());
    EXPECT_EQ(0, memcmp(shown.GetData(), expected.GetData(), 140 * 140 * 3));
    click(ID_CONNECT);
    const wxImage back = frame->encoderPicture()->GetBitmap().ConvertToImage();
    EXPECT_EQ(0, memcmp(back.GetData(), placeholder.ConvertToImage().GetData(), 140 * 140 * 3));
}

TEST_F(Connecting, DriverWithoutPictureKeepsThePlaceholder) {
    const wxImage placeholder = frame->encoderPicture()->GetBitmap().ConvertToImage();
    connect();
    const wxImage shown = frame->encoderPicture()->GetBitmap().ConvertToImage();
    EXPECT_EQ(0, memcmp(shown.GetData(), placeholder.GetData(), 140 * 140 * 3));
}

TEST_F(Connecting, CancelledModelChoiceChangesNothing) {
    ui->models.push_back("");
    click(ID_CONNECT);
    EXPECT_EQ(driversCreated, 0);
    EXPECT_EQ(label(ID_CONNECT), "Connect");
    EXPECT_TRUE(ui->shown.empty());
}

TEST_F(Connecting, SeveralModulesAreOfferedWithBusyOnesMarked) {
    (*bench)->add("echo").setBusy(true);
    (*bench)->add("echo");
    ui->moduleChoices.push_back(2);
    connect();
    ASSERT_EQ(ui->moduleLists.size(), 1u);
    EXPECT_THAT(ui->moduleLists[0],
                ElementsAre("RVX-LINK (simulated): echo", "<busy>", "RVX-LINK (simulated): echo"));
    EXPECT_EQ(script->createdIndex, 2u);
    EXPECT_NE(frame->connectedEncoder(), nullptr);
}

TEST_F(Connecting, CancelledModuleChoiceChangesNothing) {
    (*bench)->add("echo");
    ui->moduleChoices.push_back(-1);
    connect();
    EXPECT_EQ(driversCreated, 0);
    EXPECT_EQ(frame->connectedEncoder(), nullptr);
    EXPECT_TRUE(ui->shown.empty());
}

TEST_F(Connecting, SpiModelListsSpiChannels) {
    (*bench)->add("spi-echo").setBusy(true);
    ui->models.push_back("RVX63");
    ui->moduleChoices.push_back(0);
    click(ID_CONNECT);
    ASSERT_EQ(ui->moduleLists.size(), 1u);
    EXPECT_THAT(ui->moduleLists[0], ElementsAre((*bench)->module(1).info().description, "<busy>"));
    EXPECT_EQ(script->createdModel, "RVX63");
}

TEST(ConnectingWithoutModules, EachTransportReportsItsMissingModule) {
    auto ui = std::make_shared<ScriptedUserInterface>();
    auto previous = vantix::installUserInterface(ui);
    sim::BenchGuard bench(std::make_shared<sim::Bench>());
    auto* frame = new VantixFrame;
    frame->positionTimer().Stop();
    int created = 0;
    frame->createDriver = [&](const std::string&, std::uint32_t) -> std::unique_ptr<RVX::Encoder> {
        ++created;
        return nullptr;
    };
    ui->models = {"RVX63", "RVX46"};
    wxTheApp->ProcessPendingEvents();
    wxCommandEvent click(wxEVT_BUTTON, ID_CONNECT);
    deliver(*frame, click);
    ASSERT_EQ(ui->shown.size(), 2u);
    EXPECT_EQ(ui->shown[0].text, "No RVX SPI programming module found");
    EXPECT_EQ(ui->shown[1].text, "No RVX programming module found");
    for (const auto& shown : ui->shown) {
        EXPECT_EQ(shown.caption, "RVX Vantix Error");
        EXPECT_EQ(shown.style, wxOK | wxICON_ERROR);
        EXPECT_FALSE(shown.hasParent);
    }
    EXPECT_EQ(created, 0);
    frame->Destroy();
    wxTheApp->ProcessIdle();
    vantix::installUserInterface(previous);
}

TEST_F(Connecting, ModelWithoutDriverIsAnUnknownEncoder) {
    frame->createDriver = [](const std::string&, std::uint32_t) { return std::unique_ptr<RVX::Encoder>(); };
    ui->models.push_back("RVX86");
    click(ID_CONNECT);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].text, "Unknown encoder");
    EXPECT_EQ(ui->shown[0].style, wxOK | wxCENTRE);
    EXPECT_FALSE(ui->shown[0].hasParent);
    EXPECT_EQ(label(ID_CONNECT), "Connect");
}

TEST_F(Connecting, FailingDriverConstructorLeavesTheWindowDisconnected) {
    script->constructorFailure =
        std::make_exception_ptr(RVX::Exception("Encoder does not appear to be an RVX46", 0xE4));
    connect();
    EXPECT_EQ(frame->connectedEncoder(), nullptr);
    EXPECT_EQ(label(ID_CONNECT), "Connect");
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].caption, "RVX Error");
    EXPECT_EQ(ui->shown[0].text,
              "Communication error with RVX encoder.\nPlease ensure that encoder is connected to "
              "RVX-LINK programming module.\n\nEncoder does not appear to be an RVX46 : E4");
}

TEST_F(Connecting, InvalidEepromAnsweredYesRestoresDefaultsAndRereads) {
    script->accessors = {Accessor::Resolution};
    script->fail("get_resolution", RVX::EEPROMInvalid("Unable to read RVXTEST EEPROM", 0x10));
    ui->answers.push_back(wxYES);
    connect();
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].text, "Encoder settings are invalid/corrupt. Reprogram with default values?");
    EXPECT_EQ(ui->shown[0].caption, "Encoder EEPROM");
    EXPECT_TRUE(ui->shown[0].hasParent);
    EXPECT_EQ(script->count("restore_defaults"), 1u);
    EXPECT_EQ(script->count("get_resolution"), 2u);
    EXPECT_EQ(rowSelection(0), 2); // 1024 read after the restore
}

TEST_F(Connecting, InvalidEepromAnsweredNoStaysConnectedWithoutSettings) {
    script->accessors = {Accessor::Resolution};
    script->fail("get_resolution", RVX::EEPROMInvalid("Unable to read RVXTEST EEPROM", 0x10));
    ui->answers.push_back(wxNO);
    connect();
    EXPECT_EQ(script->count("restore_defaults"), 0u);
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
    EXPECT_EQ(ui->shown.size(), 1u);
}

TEST_F(Connecting, OtherSettingsFailureIsReportedWithTheDriverKept) {
    script->accessors = {Accessor::Resolution};
    script->fail("get_resolution", FTDI::Exception("Unable to read from RVX-LINK module", 4));
    connect();
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].caption, "Programming module error");
}

TEST_F(Connecting, EqualFirmwareVersionOffersNoUpdate) {
    script->accessors = {Accessor::UpdateFirmware};
    script->firmware = script->latestFirmware = 0x16;
    connect();
    EXPECT_TRUE(ui->shown.empty());
    EXPECT_EQ(script->count("update_firmware"), 0u);
}

TEST_F(Connecting, HigherFirmwareVersionOffersNoUpdate) {
    script->accessors = {Accessor::UpdateFirmware};
    script->firmware = 0x20;
    script->latestFirmware = 0x16;
    connect();
    EXPECT_TRUE(ui->shown.empty());
}

TEST_F(Connecting, LowerFirmwareVersionOffersTheUpdate) {
    script->accessors = {Accessor::UpdateFirmware, Accessor::Resolution};
    script->firmware = 0x15;
    script->latestFirmware = 0x16;
    std::vector<std::optional<ProgressState>> progress;
    script->during = [&](const std::string& call) {
        if (call == "update_firmware" || call == "get_resolution") progress.push_back(openProgressDialog());
    };
    ui->answers.push_back(wxYES);
    connect();
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].text, "Encoder firmware update available\nFirmware version on encoder: 0x15\n"
                                 "Latest firmware version available: 0x16\n\nUpdate to latest version?");
    EXPECT_EQ(ui->shown[0].caption, "Update RVX Encoder Firmware?");
    EXPECT_TRUE(ui->shown[0].hasParent);
    EXPECT_EQ(script->count("update_firmware"), 1u);
    // Settings read once on connect and once after the update, inside the dialog.
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_FALSE(progress[0]);
    ASSERT_TRUE(progress[1]);
    EXPECT_EQ(progress[1]->title, "Programming RVX Encoder");
    EXPECT_EQ(progress[1]->message, "Programming encoder...\nDo not disconnect");
    ASSERT_TRUE(progress[2]);
    EXPECT_EQ(progress[2]->message, "Programming encoder...\nDo not disconnect\n\n"
                                    "Programming complete. Resetting encoder...");
    EXPECT_FALSE(openProgressDialog());
}

TEST_F(Connecting, DeclinedUpdateLeavesTheEncoderConnected) {
    script->accessors = {Accessor::UpdateFirmware};
    script->firmware = 0x15;
    script->latestFirmware = 0x16;
    ui->answers.push_back(wxNO);
    connect();
    EXPECT_EQ(script->count("update_firmware"), 0u);
    EXPECT_NE(frame->connectedEncoder(), nullptr);
}

TEST_F(Connecting, FailedUpdateAsksToRetryUntilTheUserGivesUp) {
    script->accessors = {Accessor::UpdateFirmware, Accessor::Resolution};
    script->firmware = 0x15;
    script->latestFirmware = 0x16;
    script->fail("update_firmware", std::runtime_error("Bootloader did not answer"), 2);
    ui->answers = {wxYES, wxYES, wxNO};
    connect();
    EXPECT_EQ(script->count("update_firmware"), 2u);
    ASSERT_EQ(ui->shown.size(), 3u);
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(ui->shown[i].text,
                  "Error occured while programming encoder:\nBootloader did not answer\n\nRe-try?");
        EXPECT_EQ(ui->shown[i].caption, "RVX Encoder Programming Error");
        EXPECT_TRUE(ui->shown[i].hasParent);
    }
    EXPECT_FALSE(openProgressDialog());
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
    EXPECT_EQ(rowSelection(0), 2); // the settings as read before the attempts
}

TEST_F(Connecting, RetriedUpdateThatSucceedsEndsTheFlow) {
    script->accessors = {Accessor::UpdateFirmware};
    script->firmware = 0x15;
    script->latestFirmware = 0x16;
    script->fail("update_firmware", RVX::Exception("Verify failed", 0x200));
    ui->answers = {wxYES, wxYES};
    connect();
    EXPECT_EQ(script->count("update_firmware"), 2u);
    EXPECT_EQ(ui->shown.size(), 2u);
}

} // namespace

namespace {

using Links = FrameTest;

TEST_F(Links, EachButtonOpensItsPageOnTheMakersHost) {
    for (int id = ID_HOMEPAGE; id <= ID_SUPPORT; ++id)
        click(id);
    click(ID_DATASHEET); // disconnected: nothing to open
    EXPECT_THAT(
        ui->opened,
        ElementsAre("https://www.rvx-encoders.example/rvx-modular-encoders",
                    "https://www.rvx-encoders.example/catalog/resource/rvx-vantix-user-guide.pdf",
                    "https://www.rvx-encoders.example/rvx-mounting",
                    "https://www.rvx-encoders.example/blog/motion-and-control",
                    "https://www.rvx-encoders.example/resources/resource-library?categories=motion-and-"
                    "control&tags=All&itemsPerPage=15",
                    "https://www.rvx-encoders.example/contact"));
}

TEST_F(Connecting, UndecodablePictureIsReportedAndTheEncoderStaysConnected) {
    script->accessors = {Accessor::Picture, Accessor::Resolution};
    script->picture = {0x89, 'P', 'N', 'G', 0, 1, 2};
    connect();
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_THAT(messages(), ElementsAre("RVX Vantix error.\nUnable to load image"));
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
}

} // namespace
