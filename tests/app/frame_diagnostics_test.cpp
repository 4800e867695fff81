// "Get Diagnostics", and the buttons refused without an encoder, through the real main window.
#include "GuiTest.h"

using namespace vantix::test;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using Diagnostics = FrameTest;

TEST_F(Diagnostics, ReportIsExactlyWhatTheDriverWritesAndReplacesAnOldFile) {
    connect();
    std::optional<ProgressState> during;
    script->during = [&](const std::string& call) {
        if (call == "diagnostics step") during = openProgressDialog();
    };
    EXPECT_EQ(saveDiagnostics(std::string(4000, 'x') + "\n"),
              "RVX Vantix\x99 diagnostics data\nModel: RVXTEST\nFirmware revision: 15\n"
              "Datecode: 2519\nLast programmed by: 30\nLast program date: 2025-01-01\n"
              "Channel 1: ok\nChannel 2: ok\nChannel 3: ok\n");
    ASSERT_TRUE(during);
    EXPECT_EQ(during->title, "Getting RVX Encoder Diagnostics");
    EXPECT_EQ(during->message, "Getting diagnostics...\n\nAcquiring samples: 1 of 128");
    EXPECT_EQ(during->value, 2); // 3 of the 130 steps of a full report
    EXPECT_FALSE(openProgressDialog());
    EXPECT_THAT(messages(), IsEmpty());
}

// A cancelled file choice does nothing; a file that cannot be opened, or a
// report the encoder breaks off (what was written is kept), is reported.
TEST_F(Diagnostics, CancelledUnwritableOrInterruptedReports) {
    connect();
    const std::string unwritable = wxFileName::GetTempDir().utf8_string() + "/vantix-no-such-dir/report.dat";
    ui->files = {"", unwritable};
    click(ID_DIAGNOSTICS);
    EXPECT_THAT(messages(), IsEmpty());
    click(ID_DIAGNOSTICS);
    EXPECT_EQ(ui->fileDialogs, 2);
    EXPECT_EQ(script->count("diagnostics"), 0u);
    EXPECT_FALSE(frame->deviceBusy());

    script->fail("datecode", RVX::Exception("Unable to read RVXTEST EEPROM", 0x21));
    EXPECT_EQ(saveDiagnostics(), "RVX Vantix\x99 diagnostics data\nModel: RVXTEST\nFirmware revision: 15\n");
    EXPECT_THAT(boxes(),
                ElementsAre("RVX Vantix error: RVX Vantix error.\nUnable to write diagnostics to \"" +
                                unwritable + "\"",
                            testing::StartsWith("RVX Error: ")));
    EXPECT_FALSE(openProgressDialog());
}

using Refusals = FrameTest;

TEST_F(Refusals, ButtonsWithoutAnEncoderOrItsAccessorAreRefused) {
    for (int id : {ID_PROGRAM, ID_ZERO, ID_DIAGNOSTICS})
        click(id);
    connect(); // without zero or a position to read
    click(ID_ZERO);
    tick();
    EXPECT_EQ(frame->positionGauge()->value, -1);
    EXPECT_THAT(messages(), ElementsAre("Not connected to encoder", "Not connected to encoder",
                                        "Not connected to encoder", "Cannot set zero on this encoder"));
    for (const auto& shown : ui->shown) {
        EXPECT_EQ(shown.caption, "RVX Vantix error");
        EXPECT_EQ(shown.style, wxOK | wxICON_ERROR);
    }
    EXPECT_EQ(ui->fileDialogs, 0);
}

} // namespace
