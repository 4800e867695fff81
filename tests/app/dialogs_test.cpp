// The encoder selection dialog.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"

#include <wx/button.h>
#include <wx/statbox.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

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

// Keys typed through the window system, as a user types them.
TEST_F(Dialogs, EscapeCancelsTheSelectionArrowsWalkTheModelsReturnAndSpacePickOne) {
    const struct {
        std::vector<int> keys;
        int result;
        std::string model;
    } cases[] = {
        {{WXK_ESCAPE}, wxID_CANCEL, ""},
        {{WXK_RETURN, WXK_ESCAPE}, wxID_CANCEL, ""}, // nothing is pre-selected
        {{WXK_RIGHT, WXK_RIGHT, WXK_RETURN}, 1, "RVX48"},
        {{WXK_RIGHT, WXK_RIGHT, WXK_RIGHT, WXK_RIGHT, WXK_SPACE}, 1, "RVX84"}, // across the gap
        {{WXK_DOWN, WXK_DOWN, WXK_RIGHT, WXK_RETURN}, 1, "RVX65"},
        {{WXK_TAB, WXK_RIGHT, WXK_UP, WXK_LEFT, WXK_RETURN}, 1, "RVX46"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
        wxTimer giveUp; // a dialog deaf to the keys would wait for ever
        giveUp.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            ADD_FAILURE() << "the dialog ignored the keys";
            dialog.EndModal(wxID_ABORT);
        });
        dialog.CallAfter([&] {
            wxUIActionSimulator user;
            // Under a bare X server the keys go to the window under the pointer.
            user.MouseMove(dialog.GetScreenRect().GetTopLeft() + wxPoint(20, 20));
            for (int key : c.keys)
                user.Char(key);
            giveUp.StartOnce(3000);
        });
        EXPECT_EQ(dialog.ShowModal(), c.result);
        EXPECT_EQ(dialog.selectedModel, c.model);
    }
}

} // namespace
