// The configuration rows, the preview in the signal pages and "Program", for
// each set of accessors a driver can offer.
#include "GuiTest.h"

#include "transport/FtdiException.h"

#include <wx/choice.h>
#include <wx/notebook.h>

using namespace vantix::test;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using Settings = FrameTest;

const char* const seven[] = {"2", "4", "6", "8", "10", "12", "20"};

TEST_F(Settings, ResolutionAndCommutationFillAllRowsAndBothPages) {
    script->accessors = {Accessor::Resolution, Accessor::Commutation};
    script->resolution = 2048;
    script->poles = 8;
    script->direction = true;
    connect();
    EXPECT_EQ(rowLabel(0), "Resolution: ");
    EXPECT_EQ(rowLabel(1), "Poles: ");
    EXPECT_EQ(rowLabel(2), "Direction: ");
    EXPECT_THAT(rowEntries(0), ElementsAre("500 PPR", "1000 PPR", "1024 PPR", "2048 PPR"));
    EXPECT_THAT(rowEntries(1), testing::ElementsAreArray(seven));
    EXPECT_THAT(rowEntries(2), ElementsAre("Clockwise", "Counter-Clockwise"));
    EXPECT_EQ(rowSelection(0), 3);
    EXPECT_EQ(rowSelection(1), 3);
    EXPECT_EQ(rowSelection(2), 1);
    for (int row = 0; row < 3; ++row)
        EXPECT_TRUE(frame->settingRow(row).choice->IsEnabled());
    EXPECT_THAT(notebookPages(), ElementsAre("Quadrature", "Commutation"));
    EXPECT_EQ(frame->signalNotebook()->GetSelection(), 0);
    EXPECT_TRUE(enabled(ID_PROGRAM));
    // Pages show the values read from the encoder.
    EXPECT_EQ(field(false, "T"), "0.176\u00B0");
    EXPECT_EQ(field(true, "T"), "90.000\u00B0");
}

TEST_F(Settings, ResolutionOnlyFillsTheFirstRowAndTheQuadraturePage) {
    script->accessors = {Accessor::Resolution};
    connect();
    EXPECT_EQ(rowLabel(0), "Resolution: ");
    EXPECT_EQ(rowSelection(0), 2);
    for (int row = 1; row < 3; ++row) {
        EXPECT_EQ(rowLabel(row), "");
        EXPECT_THAT(rowEntries(row), IsEmpty());
        EXPECT_FALSE(frame->settingRow(row).choice->IsEnabled());
    }
    EXPECT_THAT(notebookPages(), ElementsAre("Quadrature"));
    EXPECT_TRUE(frame->signalNotebook()->IsShown());
    EXPECT_EQ(field(false, "T"), "0.352\u00B0");
}

TEST_F(Settings, AddressBaudAndTerminationForAnAddressableEncoder) {
    script->accessors = {Accessor::Address, Accessor::BaudRate, Accessor::Termination};
    script->address = 0x05; // not a multiple of four: the row below it is chosen
    script->baudRate = 19200;
    script->termination = true;
    connect();
    EXPECT_EQ(rowLabel(0), "Address: ");
    EXPECT_EQ(rowLabel(1), "Baud Rate: ");
    EXPECT_EQ(rowLabel(2), "Termination: ");
    const auto addresses = rowEntries(0);
    ASSERT_EQ(addresses.size(), 64u);
    EXPECT_EQ(addresses.front(), "0x00");
    EXPECT_EQ(addresses[1], "0x04");
    EXPECT_EQ(addresses.back(), "0xFC");
    EXPECT_EQ(rowSelection(0), 1);
    EXPECT_THAT(rowEntries(1), ElementsAre("115200 bps", "38400 bps", "19200 bps", "9600 bps"));
    EXPECT_EQ(rowSelection(1), 2);
    EXPECT_THAT(rowEntries(2), ElementsAre("Disabled", "Enabled (120 Ohm)"));
    EXPECT_EQ(rowSelection(2), 1);
    EXPECT_THAT(notebookPages(), IsEmpty());
    EXPECT_FALSE(frame->signalNotebook()->IsShown());
    EXPECT_TRUE(enabled(ID_PROGRAM));
}

TEST_F(Settings, AddressOnlyLeavesTheOtherRowsEmpty) {
    script->accessors = {Accessor::Address};
    script->address = 0xFC;
    connect();
    EXPECT_EQ(rowSelection(0), 63);
    EXPECT_EQ(rowLabel(1), "");
    EXPECT_EQ(rowLabel(2), "");
    EXPECT_THAT(rowEntries(1), IsEmpty());
}

TEST_F(Settings, NoSetterShowsNoSettingsEvenWithGetters) {
    script->accessors = {Accessor::Termination, Accessor::Zero};
    connect();
    for (int row = 0; row < 3; ++row)
        EXPECT_THAT(rowEntries(row), IsEmpty());
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_EQ(script->count("get_termination"), 0u);
    click(ID_PROGRAM); // only a programmatic click gets here
    ASSERT_THAT(messages(), ElementsAre("Nothing to program on this encoder"));
    EXPECT_EQ(ui->shown[0].caption, "RVX Vantix error");
    EXPECT_EQ(ui->shown[0].style, wxOK | wxICON_ERROR);
}

TEST_F(Settings, ChoosingAResolutionPreviewsItWithoutTouchingTheEncoder) {
    script->accessors = {Accessor::Resolution, Accessor::Commutation};
    connect();
    const auto calls = script->log.size();
    choose(0, 0); // 500 PPR
    EXPECT_EQ(field(false, "T"), "0.720\u00B0");
    EXPECT_EQ(field(false, "P"), "0.360\u00B0");
    EXPECT_EQ(field(false, "I"), "0.180\u00B0");
    choose(1, 6); // 20 poles
    EXPECT_EQ(field(true, "T"), "36.000\u00B0");
    EXPECT_EQ(field(true, "C"), "12.000\u00B0");
    EXPECT_EQ(script->log.size(), calls);
}

TEST_F(Settings, ResolutionOutsideTheListSelectsNothingAndProgramDoesNothing) {
    script->accessors = {Accessor::Resolution};
    script->resolution = 360;
    connect();
    EXPECT_EQ(rowSelection(0), wxNOT_FOUND);
    EXPECT_EQ(field(false, "T"), "1.000\u00B0");
    click(ID_PROGRAM);
    EXPECT_EQ(script->count("set_resolution"), 0u);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_FALSE(openProgressDialog());
}

TEST_F(Settings, ProgramResolutionRunsInsideItsProgressDialog) {
    script->accessors = {Accessor::Resolution};
    std::optional<ProgressState> during;
    script->during = [&](const std::string& call) {
        if (call.starts_with("set_resolution")) during = openProgressDialog();
    };
    connect();
    choose(0, 3);
    click(ID_PROGRAM);
    EXPECT_THAT(script->log.back(), "set_resolution 2048");
    ASSERT_TRUE(during);
    EXPECT_EQ(during->title, "Setting RVX Encoder Resolution");
    EXPECT_EQ(during->message, "Programming encoder...\nDo not disconnect");
    EXPECT_FALSE(openProgressDialog());
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_EQ(rowSelection(0), 3); // the user's choice stays
}

TEST_F(Settings, ProgramCommutationSendsResolutionPolesAndDirectionTogether) {
    script->accessors = {Accessor::Resolution, Accessor::Commutation};
    connect();
    choose(0, 1);
    choose(1, 5);
    choose(2, 1);
    click(ID_PROGRAM);
    EXPECT_EQ(script->count("set_resolution"), 0u);
    EXPECT_EQ(script->log.back(), "set_commutation 1000 12 ccw");
    EXPECT_THAT(messages(), IsEmpty());
}

TEST_F(Settings, ProgramWithAnUnchangedBaudRateWritesOnlyAddressAndTermination) {
    script->accessors = {Accessor::Address, Accessor::BaudRate, Accessor::Termination};
    connect();
    choose(0, 3);
    choose(2, 1);
    script->log.clear();
    click(ID_PROGRAM);
    EXPECT_THAT(script->log, ElementsAre("get_baud_rate", "set_address 12", "set_termination on"));
    EXPECT_THAT(messages(), ElementsAre("Encoder programmed successfully"));
    EXPECT_EQ(ui->shown[0].caption, "Configure RVX encoder");
    EXPECT_EQ(ui->shown[0].style, wxOK);
}

TEST_F(Settings, ProgramWithANewBaudRateReflashesFirst) {
    script->accessors = {Accessor::Address, Accessor::BaudRate};
    std::optional<ProgressState> during;
    script->during = [&](const std::string& call) {
        if (call.starts_with("set_baud_rate")) during = openProgressDialog();
    };
    connect();
    choose(1, 0);
    script->log.clear();
    click(ID_PROGRAM);
    EXPECT_THAT(script->log, ElementsAre("get_baud_rate", "set_baud_rate 115200", "set_address 8"));
    ASSERT_TRUE(during);
    EXPECT_EQ(during->title, "Setting RVX Encoder Baud Rate");
    EXPECT_THAT(messages(), ElementsAre("Encoder programmed successfully"));
}

TEST_F(Settings, ProgramAddressOnly) {
    script->accessors = {Accessor::Address};
    connect();
    choose(0, 63);
    click(ID_PROGRAM);
    EXPECT_EQ(script->log.back(), "set_address 252");
    EXPECT_THAT(messages(), ElementsAre("Encoder address set"));
    EXPECT_EQ(ui->shown[0].caption, "Configure RVX encoder");
}

TEST_F(Settings, ProgramWhileDisconnectedIsRefused) {
    click(ID_PROGRAM);
    EXPECT_THAT(messages(), ElementsAre("Not connected to encoder"));
    EXPECT_EQ(ui->shown[0].caption, "RVX Vantix error");
}

TEST_F(Settings, FailedProgrammingIsReportedAndTheEncoderStaysConnected) {
    script->accessors = {Accessor::Resolution};
    script->fail("set_resolution", FTDI::Exception("Unable to write to RVX-LINK module", 4));
    connect();
    click(ID_PROGRAM);
    EXPECT_FALSE(openProgressDialog());
    ASSERT_EQ(ui->shown.size(), 1u);
    EXPECT_EQ(ui->shown[0].caption, "Programming module error");
    EXPECT_FALSE(ui->shown[0].isQuestion()); // no retry here
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_FALSE(frame->deviceBusy());
}

} // namespace
