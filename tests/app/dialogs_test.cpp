// The encoder selection dialog.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"

#include <wx/button.h>
#include <wx/statbox.h>

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

} // namespace
