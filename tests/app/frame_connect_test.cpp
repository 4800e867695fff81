// Connecting and disconnecting through the real main window.
#include "GuiTest.h"

#include "app/Artwork.h"
#include "app/EncoderGauge.h"
#include "encoders/Pictures.h"
#include "transport/FtdiException.h"

#include <wx/generic/statbmpg.h>
#include <wx/notebook.h>
#include <wx/stattext.h>

using namespace vantix::test;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using Connecting = FrameTest;

TEST_F(Connecting, StartUpAsksForAModelConnectFillsTheWindowDisconnectEmptiesIt) {
    EXPECT_EQ(ui->modelDialogs, 1);
    EXPECT_EQ(frame->GetTitle(), "RVX Vantix");
    expectDisconnected();
    EXPECT_TRUE(enabled(ID_DIAGNOSTICS));
    EXPECT_THAT(notebookPages(), ElementsAre("Quadrature", "Commutation"));

    script->accessors = {Accessor::Resolution, Accessor::Zero, Accessor::ReadPosition};
    script->partNumber = "RVX462Q";
    script->datecode = 742;
    connect();
    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_EQ(script->createdModel, "RVX46");
    EXPECT_EQ(script->createdIndex, 0u); // one UART module: no module choice
    EXPECT_TRUE(ui->moduleLists.empty());
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
    EXPECT_EQ(frame->titleLabel()->GetLabel(), "RVX462Q");
    EXPECT_EQ(frame->statusLabel()->GetLabel(), "Firmware: 0x15 - Date Code: 0742");
    for (int id : {ID_DATASHEET, ID_DIAGNOSTICS, ID_ZERO, ID_PROGRAM})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_EQ(frame->positionGauge()->counts, 4096); // no position_bits
    EXPECT_FALSE(frame->positionGauge()->inactive);
    click(ID_DATASHEET);
    EXPECT_THAT(ui->opened, ElementsAre("https://www.rvx-encoders.example/product/resource/rvxtest.pdf"));
    EXPECT_THAT(messages(), IsEmpty());

    click(ID_CONNECT); // disconnect
    expectDisconnected();
    EXPECT_FALSE(enabled(ID_DIAGNOSTICS));
    EXPECT_FALSE(frame->signalNotebook()->IsShown());
    EXPECT_EQ(ui->modelDialogs, 2); // disconnecting asks nothing
}

TEST_F(Connecting, DriverPictureReplacesThePlaceholderUntilDisconnection) {
    auto pixels = [this] {
        const wxImage image = frame->encoderPicture()->GetBitmap().ConvertToImage();
        return std::string(reinterpret_cast<const char*>(image.GetData()), 140 * 140 * 3);
    };
    const std::string placeholder = pixels();
    const auto png = RVX::model_picture("RVX84-2");
    script->accessors = {Accessor::Picture};
    script->picture.assign(png.begin(), png.end());
    connect();
    const wxImage expected = loadPngImage(png);
    EXPECT_EQ(pixels(), std::string(reinterpret_cast<const char*>(expected.GetData()), 140 * 140 * 3));
    click(ID_CONNECT);
    EXPECT_EQ(pixels(), placeholder);

    script->picture = {0x89, 'P', 'N', 'G', 0, 1, 2}; // undecodable: reported, still connected
    connect();
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_THAT(messages(), ElementsAre("RVX Vantix error.\nUnable to load image"));
}

TEST_F(Connecting, CancelledChoicesChangeNothing) {
    ui->models.push_back(""); // the model
    click(ID_CONNECT);
    (*bench)->add("echo");
    ui->moduleChoices.push_back(-1); // the module
    connect();
    EXPECT_EQ(driversCreated, 0);
    EXPECT_EQ(ui->moduleLists.size(), 1u);
    expectDisconnected();
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(Connecting, EachTransportReportsItsMissingModule) {
    bench.reset();
    bench.emplace(std::make_shared<sim::Bench>());
    ui->models = {"RVX63", "RVX46"};
    click(ID_CONNECT);
    click(ID_CONNECT);
    EXPECT_THAT(messages(),
                ElementsAre("No RVX SPI programming module found", "No RVX programming module found"));
    for (const auto& shown : ui->shown) {
        EXPECT_EQ(shown.caption, "RVX Vantix Error");
        EXPECT_EQ(shown.style, wxOK | wxICON_ERROR);
        EXPECT_FALSE(shown.hasParent);
    }
    EXPECT_EQ(driversCreated, 0);
}

TEST_F(Connecting, ModelWithoutDriverIsAnUnknownEncoder) {
    frame->createDriver = [](const std::string&, std::uint32_t) { return std::unique_ptr<RVX::Encoder>(); };
    connect();
    ASSERT_THAT(messages(), ElementsAre("Unknown encoder"));
    EXPECT_EQ(ui->shown[0].style, wxOK | wxCENTRE);
    EXPECT_FALSE(ui->shown[0].hasParent);
    EXPECT_EQ(label(ID_CONNECT), "Connect");
}

TEST_F(Connecting, FailuresWhileConnectingAreReportedByType) {
    script->constructorFailure =
        std::make_exception_ptr(RVX::Exception("Encoder does not appear to be an RVX46", 0xE4));
    connect();
    expectDisconnected();
    script->constructorFailure = nullptr;
    script->accessors = {Accessor::Resolution};
    script->fail("get_resolution", FTDI::Exception("Unable to read from RVX-LINK module", 4));
    connect();
    EXPECT_NE(frame->connectedEncoder(), nullptr); // the driver is kept
    ASSERT_EQ(ui->shown.size(), 2u);
    EXPECT_EQ(ui->shown[0].caption, "RVX Error");
    EXPECT_TRUE(ui->shown[0].text.ends_with("\n\nEncoder does not appear to be an RVX46 : E4"));
    EXPECT_EQ(ui->shown[1].caption, "Programming module error");
}

TEST_F(Connecting, InvalidEepromQuestionRestoresDefaultsOnlyOnYes) {
    for (int answer : {wxYES, wxNO}) {
        SCOPED_TRACE(answer == wxYES ? "yes" : "no");
        *script = DriverScript{};
        ui->shown.clear();
        script->accessors = {Accessor::Resolution};
        script->fail("get_resolution", RVX::EEPROMInvalid("Unable to read RVXTEST EEPROM", 0x10));
        ui->answers.push_back(answer);
        connect();
        ASSERT_THAT(messages(),
                    ElementsAre("Encoder settings are invalid/corrupt. Reprogram with default values?"));
        EXPECT_EQ(ui->shown[0].caption, "Encoder EEPROM");
        EXPECT_TRUE(ui->shown[0].hasParent);
        EXPECT_EQ(script->count("restore_defaults"), answer == wxYES ? 1u : 0u);
        EXPECT_EQ(script->count("get_resolution"), answer == wxYES ? 2u : 1u);
        EXPECT_EQ(rowSelection(0), answer == wxYES ? 2 : wxNOT_FOUND); // 1024 read after the restore
        EXPECT_EQ(label(ID_CONNECT), "Disconnect");
        click(ID_CONNECT);
    }
}

TEST_F(Connecting, FirmwareUpdateIsOfferedForAnOlderVersionAndRetriedOnRequest) {
    const struct {
        std::uint8_t firmware;
        int failures;
        std::deque<int> answers;
        std::size_t updates;
    } cases[] = {
        {0x16, 0, {}, 0},                   // equal: no question
        {0x20, 0, {}, 0},                   // newer: no question
        {0x15, 0, {wxNO}, 0},               // declined
        {0x15, 1, {wxYES, wxYES}, 2},       // failed, retried, done
        {0x15, 2, {wxYES, wxYES, wxNO}, 2}, // failed twice, given up
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.firmware) << " " << c.failures << " failures");
        *script = DriverScript{};
        ui->shown.clear();
        script->accessors = {Accessor::UpdateFirmware, Accessor::Resolution};
        script->firmware = c.firmware;
        script->latestFirmware = 0x16;
        script->fail("update_firmware", std::runtime_error("Bootloader did not answer"), c.failures);
        ui->answers = c.answers;
        connect();
        EXPECT_EQ(script->count("update_firmware"), c.updates);
        ASSERT_EQ(ui->shown.size(), c.answers.size());
        if (!c.answers.empty()) {
            EXPECT_EQ(ui->shown[0].text,
                      "Encoder firmware update available\nFirmware version on encoder: 0x15\n"
                      "Latest firmware version available: 0x16\n\nUpdate to latest version?");
            EXPECT_EQ(ui->shown[0].caption, "Update RVX Encoder Firmware?");
        }
        for (std::size_t i = 1; i < ui->shown.size(); ++i) {
            EXPECT_EQ(ui->shown[i].text,
                      "Error occured while programming encoder:\nBootloader did not answer\n\nRe-try?");
            EXPECT_EQ(ui->shown[i].caption, "RVX Encoder Programming Error");
        }
        for (const auto& shown : ui->shown)
            EXPECT_TRUE(shown.hasParent);
        EXPECT_FALSE(openProgressDialog());
        EXPECT_EQ(label(ID_CONNECT), "Disconnect");
        EXPECT_EQ(rowSelection(0), 2);
        click(ID_CONNECT);
    }
}

TEST_F(Connecting, AcceptedUpdateRunsAndRereadsTheSettingsInsideItsProgressDialog) {
    script->accessors = {Accessor::UpdateFirmware, Accessor::Resolution};
    script->latestFirmware = 0x16;
    std::vector<std::optional<ProgressState>> progress;
    script->during = [&](const std::string& call) {
        if (call == "update_firmware" || call == "get_resolution") progress.push_back(openProgressDialog());
    };
    ui->answers.push_back(wxYES);
    connect();
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

TEST_F(Connecting, LinkButtonsOpenTheirPagesOnTheMakersHost) {
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

} // namespace
