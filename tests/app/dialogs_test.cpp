// The encoder selection dialog, and the program's own user interface object
// driving the toolkit's real dialogs.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"

#include <wx/button.h>
#include <wx/choicdlg.h>
#include <wx/msgdlg.h>
#include <wx/statbox.h>
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

class Dialogs : public testing::Test {
protected:
    void SetUp() override { previous = allowModalDialogs(true); }
    void TearDown() override { allowModalDialogs(previous); }
    bool previous = false;
};

TEST_F(Dialogs, EachSelectionButtonSitsInItsFamilyBoxAndYieldsItsOwnModel) {
    const char* const models[] = {"RVX46", "RVX48", "RVX47", "RVX63", "RVX65", "RVX62",
                                  "RVX68", "RVX64", "RVX69", "RVX84", "RVX86"};
    for (int id = 1; id <= 11; ++id) {
        wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
        auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetLabel(), models[id - 1]);
        EXPECT_TRUE(button->GetBitmap().IsOk());
        EXPECT_EQ(dynamic_cast<wxStaticBox*>(button->GetParent())->GetLabel(), id <= 3   ? "Incremental"
                                                                               : id <= 9 ? "Absolute"
                                                                                         : "Commutation");
        dialog.CallAfter([button] { vantix::test::press(button); });
        EXPECT_EQ(dialog.ShowModal(), 1);
        EXPECT_EQ(dialog.selectedModel, models[id - 1]);
    }
}

TEST_F(Dialogs, ClosingTheSelectionWithoutAModelReturnsNone) {
    wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
    wxWindow* focused = &dialog;
    dialog.CallAfter([&] {
        focused = wxWindow::FindFocus();
        dialog.Close();
    });
    dialog.ShowModal();
    EXPECT_TRUE(dialog.selectedModel.empty());
    EXPECT_EQ(dynamic_cast<wxButton*>(focused), nullptr) << "a model button has the focus";
}

TEST_F(Dialogs, ToolkitQuestionAndModuleChoiceReturnWhatTheUserChose) {
    vantix::ToolkitUserInterface ui;
    int answer = 0;
    wxTEST_DIALOG(
        answer = ui.message("Update to latest version?", "Update RVX Encoder Firmware?", wxYES_NO, nullptr),
        wxExpectModal<wxMessageDialog>(wxID_YES));
    EXPECT_EQ(answer, wxYES);
    wxArrayString lines;
    for (const char* line : {"RVX-LINK A", "<busy>", "RVX-LINK B"})
        lines.Add(line);
    wxTEST_DIALOG(answer =
                      ui.chooseIndex("Select programming module", "Connect to RVX encoder", lines, nullptr),
                  wxExpectModal<wxSingleChoiceDialog>(2));
    EXPECT_EQ(answer, 2);
}

} // namespace
