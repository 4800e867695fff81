// The encoder selection dialog, run modally as the connect flow runs it.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"

#include <wx/button.h>
#include <wx/statbox.h>

#include <functional>

namespace {

class SelectDialog : public testing::Test {
protected:
    void SetUp() override { previous = allowModalDialogs(true); }
    void TearDown() override { allowModalDialogs(previous); }

    // Shows the dialog modally and runs `act` once its loop runs.
    int run(wxEncoderSelectDialog& dialog, std::function<void()> act) {
        dialog.CallAfter(std::move(act));
        return dialog.ShowModal();
    }
    static void press(wxWindow* button) {
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->GetEventHandler()->ProcessEvent(click);
    }
    bool previous = false;
};

const char* const models[] = {"RVX46", "RVX48", "RVX47", "RVX63", "RVX65", "RVX62",
                              "RVX68", "RVX64", "RVX69", "RVX84", "RVX86"};

TEST_F(SelectDialog, EachButtonYieldsItsOwnModel) {
    for (int id = 1; id <= 11; ++id) {
        wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
        auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetLabel(), models[id - 1]);
        EXPECT_EQ(button->GetSize(), wxSize(140, 160));
        EXPECT_TRUE(button->GetBitmap().IsOk());
        EXPECT_EQ(run(dialog, [button] { press(button); }), 1);
        EXPECT_EQ(dialog.selectedModel, models[id - 1]);
    }
}

TEST_F(SelectDialog, ButtonsSitInTheirFamilyBoxes) {
    wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
    auto family = [&](int id) {
        return dynamic_cast<wxStaticBox*>(dialog.FindWindow(id)->GetParent())->GetLabel().utf8_string();
    };
    for (int id : {1, 2, 3})
        EXPECT_EQ(family(id), "Incremental");
    for (int id : {4, 5, 6, 7, 8, 9})
        EXPECT_EQ(family(id), "Absolute");
    for (int id : {10, 11})
        EXPECT_EQ(family(id), "Commutation");
    EXPECT_EQ(dialog.GetSize(), wxSize(930, 530));
    EXPECT_EQ(dialog.GetTitle(), "RVX Vantix: Select Encoder");
}

TEST_F(SelectDialog, ClosingWithoutAModelReturnsNone) {
    wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
    wxWindow* focused = &dialog;
    run(dialog, [&] {
        focused = wxWindow::FindFocus();
        dialog.Close();
    });
    EXPECT_TRUE(dialog.selectedModel.empty());
    EXPECT_EQ(dynamic_cast<wxButton*>(focused), nullptr) << "a model button has the focus";
}

} // namespace
