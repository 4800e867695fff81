// The encoder selection dialog.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"
#include "app/UserInterface.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

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

// The dialog of the given type open right now.
template <class Dialog> Dialog* openDialog() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<Dialog*>(window); dialog && dialog->IsShown()) return dialog;
    return nullptr;
}

// Types keys into the dialog that opens next, as a user does, once it has
// shown itself and done what it queued for then.
void typeIntoNextDialog(std::vector<int> keys, std::function<void()> look = {}) {
    wxTheApp->CallAfter([keys, look] {
        wxTheApp->CallAfter([keys, look] {
            wxTopLevelWindow* dialog = openDialog<wxDialog>();
            if (!dialog)
                ADD_FAILURE() << "no dialog of the program's own"; // a native one sits at the top left
            if (dialog && look) look();
            wxUIActionSimulator user;
            user.MouseMove((dialog ? dialog->GetScreenRect().GetTopLeft() : wxPoint()) + wxPoint(20, 20));
            for (int key : keys)
                user.Char(key);
        });
    });
}

TEST_F(Dialogs, MessageBoxesShowTheirIconEscapeAnswersAQuestionWithNo) {
    vantix::ToolkitUserInterface toolkit;
    int redPixels = 0;
    typeIntoNextDialog({WXK_ESCAPE}, [&] {
        for (wxWindow* child : openDialog<wxDialog>()->GetChildren())
            if (auto* icon = dynamic_cast<wxStaticBitmap*>(child)) {
                const wxImage image = icon->GetBitmap().ConvertToImage();
                for (int y = 0; y < image.GetHeight(); ++y)
                    for (int x = 0; x < image.GetWidth(); ++x)
                        redPixels += image.GetRed(x, y) > 150 && image.GetGreen(x, y) < 80;
            }
    });
    EXPECT_EQ(toolkit.message("Not connected to encoder", "RVX Vantix error", wxOK | wxICON_ERROR, nullptr),
              wxOK);
    EXPECT_GT(redPixels, 100) << "no error icon";
    typeIntoNextDialog({WXK_ESCAPE});
    EXPECT_EQ(toolkit.message("Update to latest version?", "Update RVX Encoder Firmware?", wxYES_NO, nullptr),
              wxNO);
    EXPECT_EQ(wxTheApp->GetAppDisplayName(), "RVX Vantix"); // the toolkit's own boxes are captioned with it
}

TEST_F(Dialogs, ModuleChoiceShowsEveryModuleAndReturnsTheOnePicked) {
    wxArrayString modules;
    for (int i = 0; i < 9; ++i)
        modules.Add(i == 2 ? wxString("<busy>") : wxString::Format("RVX-LINK (simulated): RVX%d", 40 + i));
    int inView = 0;
    typeIntoNextDialog({WXK_DOWN, WXK_DOWN, WXK_DOWN, WXK_RETURN}, [&] {
        for (int i = 0; i < 30; ++i) { // the window system lays the grown list out
            wxTheApp->Yield(true);
            wxMilliSleep(10);
        }
        for (wxWindow* child : openDialog<wxDialog>()->GetChildren())
            if (auto* list = dynamic_cast<wxListBox*>(child)) inView = list->GetCountPerPage();
    });
    EXPECT_EQ(vantix::ToolkitUserInterface().chooseIndex("Select programming module",
                                                         "Connect to RVX encoder", modules, nullptr),
              3);
    EXPECT_GE(inView, 9);
}

} // namespace
