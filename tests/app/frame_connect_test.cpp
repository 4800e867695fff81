// Connecting and disconnecting through the real main window.
#include "GuiTest.h"
#include "Screenshot.h"

#include "app/Artwork.h"
#include "encoders/Pictures.h"
#include "transport/FtdiException.h"

#include <wx/generic/statbmpg.h>

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
    script->datecode = 742;
    connect();
    ASSERT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_TRUE(ui->moduleLists.empty());                            // one UART module: no module choice
    EXPECT_EQ(wxWindow::FindFocus(), frame->FindWindow(ID_CONNECT)); // not a read-only field
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
    EXPECT_EQ(heading(), "RVXTEST\nFirmware: 0x15 - Date Code: 0742");
    for (int id : {ID_DATASHEET, ID_DIAGNOSTICS, ID_ZERO, ID_PROGRAM})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_EQ(frame->positionGauge()->counts, 4096); // no position_bits
    EXPECT_FALSE(frame->positionGauge()->inactive);
    EXPECT_FALSE(frame->positionGauge()->counterClockwise);
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

TEST_F(Connecting, CancelledChoiceMissingModuleOrUnknownModelConnectsNothing) {
    ui->models.push_back(""); // the model
    click(ID_CONNECT);
    (*bench)->add("echo");
    ui->moduleChoices.push_back(-1); // the module
    connect();
    EXPECT_EQ(ui->moduleLists.size(), 1u);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(driversCreated, 0);

    bench.reset();
    bench.emplace(std::make_shared<sim::Bench>());
    ui->models = {"RVX63", "RVX46"};
    click(ID_CONNECT);
    click(ID_CONNECT);
    EXPECT_EQ(driversCreated, 0);
    (*bench)->add("echo");
    frame->createDriver = [](const std::string&, std::uint32_t) { return std::unique_ptr<RVX::Encoder>(); };
    connect();
    expectDisconnected();
    ASSERT_THAT(boxes(),
                ElementsAre("RVX Vantix Error: No RVX SPI programming module found",
                            "RVX Vantix Error: No RVX programming module found", "Message: Unknown encoder"));
    for (const auto& shown : ui->shown) {
        EXPECT_EQ(shown.style, &shown == &ui->shown.back() ? wxOK | wxCENTRE : wxOK | wxICON_ERROR);
        EXPECT_FALSE(shown.hasParent);
    }
}

// The restore after "Yes" is the corrupt RVX64 scenario's; "No" keeps the
// encoder connected with nothing chosen. Any other failure reading the
// settings is reported by the application object, as for every button, and
// the driver is kept; a foreign exception ends the program unreported.
TEST_F(Connecting, SettingsThatCannotBeReadLeaveTheEncoderConnected) {
    script->accessors = {Accessor::Resolution};
    script->fail("get_resolution", RVX::EEPROMInvalid("Unable to read RVXTEST EEPROM", 0x10));
    script->fail("get_resolution", FTDI::Exception("Unable to read from RVX-LINK module", 4));
    ui->answers.push_back(wxNO);
    connect();
    ASSERT_THAT(
        boxes(),
        ElementsAre("Encoder EEPROM: Encoder settings are invalid/corrupt. Reprogram with default values?"));
    EXPECT_TRUE(ui->shown[0].hasParent);
    EXPECT_EQ(script->count("restore_defaults"), 0u);
    EXPECT_EQ(rowSelection(0), wxNOT_FOUND);
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");

    click(ID_CONNECT);
    connect();
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_THAT(messages(), ElementsAre(testing::_, testing::StartsWith("Programming module error.")));
    try {
        throw 42;
    } catch (...) {
        EXPECT_FALSE(wxTheApp->OnExceptionInMainLoop());
    }
    EXPECT_EQ(ui->shown.size(), 2u);
}

// The offer's rule is the sequences' tests', its texts the RVX46 scenario's and the CLI's;
// here a newer firmware than the latest asks nothing, and an update given up
// leaves the encoder connected with its settings read and no dialog open.
TEST_F(Connecting, FirmwareUpdateIsOfferedOnlyForAnOlderVersionAndGivingUpKeepsTheEncoder) {
    script->accessors = {Accessor::UpdateFirmware, Accessor::Resolution};
    script->firmware = 0x20;
    script->latestFirmware = 0x16;
    connect();
    EXPECT_THAT(messages(), IsEmpty());
    click(ID_CONNECT);

    script->firmware = 0x15;
    script->fail("update_firmware", std::runtime_error("Bootloader did not answer"), 2);
    ui->answers = {wxYES, wxYES, wxNO};
    connect();
    EXPECT_EQ(script->count("update_firmware"), 2u);
    EXPECT_EQ(ui->shown.size(), 3u);
    EXPECT_FALSE(openProgressDialog());
    EXPECT_EQ(label(ID_CONNECT), "Disconnect");
    EXPECT_EQ(rowSelection(0), 2);
}

// What the screen shows of the gauge: the colour of its outer disc.
wxColour gaugeOnScreen(VantixFrame* frame) {
    return pixel(grabWindowNow(frame->positionGauge()), 100, 25);
}

// A question or a message box holds the position poll up; the gauge shows
// the new state at once all the same.
TEST_F(Connecting, GaugeTakesItsColoursAtOnceBehindTheFirmwareQuestionAndTheLostConnectionBox) {
    grabWindow(frame); // everything drawn once, as long before the question
    const wxColour active(189, 35, 143), inactive(93, 93, 93);
    script->accessors = {Accessor::ReadPosition, Accessor::UpdateFirmware};
    script->firmware = 0x14;
    ui->answers = {wxNO};
    std::vector<wxColour> seen;
    ui->onMessage = [&](const Shown&) { seen.push_back(gaugeOnScreen(frame)); };
    connect();
    tick();
    script->fail("read_position", RVX::Exception("No reply", 0), 2);
    tick();
    tick();
    EXPECT_THAT(messages(), testing::ElementsAre(testing::StartsWith("Encoder firmware update available"),
                                                 testing::StartsWith("Lost connection")));
    EXPECT_THAT(seen, testing::ElementsAre(active, inactive));
}

} // namespace
