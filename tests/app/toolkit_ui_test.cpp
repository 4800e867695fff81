// The program's own user interface object drives the toolkit's real dialogs
// and hands back what the user chose.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"

#include <wx/button.h>
#include <wx/choicdlg.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

// Answers the module choice by choosing a line, as a user would.
template <> class wxExpectModal<wxSingleChoiceDialog> : public wxExpectModalBase<wxSingleChoiceDialog> {
public:
    explicit wxExpectModal(int selection) : selection_(selection) {}

protected:
    int OnInvoked(wxSingleChoiceDialog* dialog) const override {
        dialog->SetSelection(selection_);
        return wxID_OK;
    }

private:
    int selection_;
};

namespace {

class ToolkitDialogs : public testing::Test {
protected:
    void SetUp() override { previous = allowModalDialogs(true); }
    void TearDown() override { allowModalDialogs(previous); }
    vantix::ToolkitUserInterface ui;
    bool previous = false;
};

TEST_F(ToolkitDialogs, QuestionsReturnTheButtonPressed) {
    int answer = 0;
    wxTEST_DIALOG(
        answer = ui.message("Update to latest version?", "Update RVX Encoder Firmware?", wxYES_NO, nullptr),
        wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(answer, wxYES);
    wxTEST_DIALOG(answer = ui.message("Re-try?", "RVX Encoder Programming Error", wxYES_NO, nullptr),
                  wxExpectModal<wxMessageDialog>(wxID_NO));
    EXPECT_EQ(answer, wxNO);
}

TEST_F(ToolkitDialogs, ModuleChoiceReturnsTheChosenLine) {
    wxArrayString lines;
    lines.Add("RVX-LINK A");
    lines.Add("<busy>");
    lines.Add("RVX-LINK B");
    int chosen = -1;
    wxTEST_DIALOG(chosen =
                      ui.chooseIndex("Select programming module", "Connect to RVX encoder", lines, nullptr),
                  wxExpectModal<wxSingleChoiceDialog>(2));
    EXPECT_EQ(chosen, 2);
}

TEST_F(ToolkitDialogs, ModelChoiceComesFromTheSelectionDialog) {
    wxEncoderSelectDialog* shown = nullptr;
    // Press "RVX65" once the dialog's loop runs.
    auto press = [&shown] {
        for (wxWindow* window : wxTopLevelWindows)
            if ((shown = dynamic_cast<wxEncoderSelectDialog*>(window))) break;
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->GetTitle(), "RVX Vantix: Select Encoder");
        wxWindow* button = shown->FindWindow(5);
        wxCommandEvent click(wxEVT_BUTTON, 5);
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    };
    wxTheApp->CallAfter(press);
    EXPECT_EQ(ui.chooseModel(nullptr), "RVX65");
    ASSERT_NE(shown, nullptr);
}

} // namespace
