// The configuration rows, the preview in the signal pages and "Program", for
// each set of accessors a driver can offer.
#include "GuiTest.h"

using namespace vantix::test;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

class Settings : public FrameTest {
protected:
    std::vector<std::string> labels() const { return {rowLabel(0), rowLabel(1), rowLabel(2)}; }
    std::vector<int> selections() const { return {rowSelection(0), rowSelection(1), rowSelection(2)}; }
    // A timing field of the quadrature or the commutation page.
    std::string field(bool commutationPage, const std::string& label) const {
        return (commutationPage ? static_cast<wxSignalPage*>(frame->commutationPage())
                                : frame->quadraturePage())
            ->field(label)
            ->GetValue()
            .utf8_string();
    }
};

TEST_F(Settings, ResolutionAndCommutationFillAllRowsAndBothPages) {
    script->accessors = {Accessor::Resolution, Accessor::Commutation};
    script->direction = true;
    connect();
    EXPECT_THAT(labels(), ElementsAre("Resolution: ", "Poles: ", "Direction: "));
    // The real-driver scenarios choose resolution and pole entries by their texts.
    EXPECT_THAT(rowEntries(2), ElementsAre("Clockwise", "Counter-Clockwise"));
    EXPECT_THAT(selections(), ElementsAre(2, 1, 1)); // 1024 PPR, 4 poles, counter-clockwise
    EXPECT_EQ(field(false, "I"), "0.088\u00B0");     // the pages show the values read
    EXPECT_EQ(field(true, "S"), "30.000\u00B0");

    const auto calls = script->log.size();
    choose(0, 0); // 500 PPR: previewed without touching the encoder
    EXPECT_EQ(field(false, "T"), "0.720\u00B0");
    EXPECT_EQ(field(false, "P"), "0.360\u00B0");
    EXPECT_EQ(field(false, "I"), "0.180\u00B0");
    choose(1, 6); // 20 poles
    EXPECT_EQ(field(true, "T"), "36.000\u00B0");
    EXPECT_EQ(field(true, "C"), "12.000\u00B0");
    EXPECT_EQ(script->log.size(), calls);
}

// Which choices need a re-flash is left to the sequences' tests and the real
// drivers' scenarios; here the rows, the calls and the closing message. A rate
// the list does not offer selects no row: the encoder keeps it, and the
// address and termination are still written.
TEST_F(Settings, AddressBaudAndTerminationRowsAndWhatProgramWrites) {
    script->accessors = {Accessor::Address, Accessor::BaudRate, Accessor::Termination};
    script->address = 0x05; // not a multiple of four: the row below it is chosen
    script->baudRate = 2000000;
    script->termination = true;
    connect();
    EXPECT_THAT(labels(), ElementsAre("Address: ", "Baud Rate: ", "Termination: "));
    EXPECT_EQ(rowEntries(0).at(1), "0x04"); // 64 entries up to 0xFC: programmed below
    EXPECT_THAT(rowEntries(1), ElementsAre("115200 bps", "38400 bps", "19200 bps", "9600 bps"));
    EXPECT_THAT(rowEntries(2), ElementsAre("Disabled", "Enabled (120 Ohm)"));
    EXPECT_THAT(selections(), ElementsAre(1, wxNOT_FOUND, 1));
    EXPECT_THAT(notebookPages(), IsEmpty());
    EXPECT_FALSE(frame->signalNotebook()->IsShown());

    choose(0, 63);
    choose(2, 0);
    script->log.clear();
    click(ID_PROGRAM);
    EXPECT_THAT(script->log, ElementsAre("set_address 252", "set_termination off"));
    ASSERT_THAT(boxes(), ElementsAre("Configure RVX encoder: Encoder programmed successfully"));
    EXPECT_EQ(ui->shown[0].style, wxOK);
    EXPECT_THAT(selections(), ElementsAre(63, wxNOT_FOUND, 0)); // the user's choices stay
}

TEST_F(Settings, ProgramWithAResolutionOutsideTheListOrWithoutSettersWritesNothing) {
    script->accessors = {Accessor::Resolution};
    script->resolution = 360;
    connect();
    EXPECT_EQ(rowSelection(0), wxNOT_FOUND);
    EXPECT_EQ(field(false, "T"), "1.000\u00B0");
    click(ID_PROGRAM);
    EXPECT_EQ(script->count("set_resolution"), 0u);
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_FALSE(openProgressDialog());
    click(ID_CONNECT);

    script->accessors = {Accessor::Termination, Accessor::Zero}; // getters without setters
    connect();
    for (int row = 0; row < 3; ++row)
        EXPECT_THAT(rowEntries(row), IsEmpty());
    EXPECT_FALSE(enabled(ID_PROGRAM));
    EXPECT_EQ(script->count("get_termination"), 0u);
    click(ID_PROGRAM); // only a programmatic click gets here
    ASSERT_THAT(boxes(), ElementsAre("RVX Vantix error: Nothing to program on this encoder"));
    EXPECT_EQ(ui->shown[0].style, wxOK | wxICON_ERROR);
}

// Under the toolkit's theme, nothing the user reads in the rows or on the link buttons is cut.
TEST_F(Settings, RowTextsAndLinkButtonContentsFitTheirCells) {
    using A = Accessor;
    for (const auto& accessors :
         {std::set<A>{A::Resolution, A::Commutation}, {A::Address, A::BaudRate, A::Termination}}) {
        script->accessors = accessors;
        script->direction = script->termination = true; // "Counter-Clockwise", "Enabled (120 Ohm)"
        connect();
        for (int row = 0; row < 3; ++row) {
            const auto& [label, choice] = frame->settingRow(row);
            EXPECT_LE(label->GetTextExtent(label->GetLabel()).x, label->GetSize().x) << rowLabel(row);
            EXPECT_LE(choice->GetBestSize().x, choice->GetSize().x) << rowLabel(row);
        }
        click(ID_CONNECT);
    }
    for (int id = ID_DATASHEET; id <= ID_SUPPORT; ++id) {
        // What the button's icon and label need, measured on a twin without the fixed size.
        auto* button = dynamic_cast<wxButton*>(frame->FindWindow(id));
        auto* twin = new wxButton(button->GetParent(), wxID_ANY, button->GetLabel(), wxDefaultPosition,
                                  wxDefaultSize, button->GetWindowStyle());
        twin->SetBitmap(button->GetBitmap(), wxLEFT);
        EXPECT_LE(twin->GetBestSize().y, 40) << label(id);
        twin->Destroy();
    }
}

} // namespace
