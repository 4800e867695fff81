// The encoder selection dialog and the message and choice boxes of the toolkit user interface.
#include "GuiTest.h"

#include <wx/listbox.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/time.h>
#include <wx/uiaction.h>

namespace {

bool focusInside(const wxWindow* dialog) {
    for (const wxWindow* window = wxWindow::FindFocus(); window; window = window->GetParent())
        if (window == dialog) return true;
    return false;
}

// The dialog open right now, if it is one of the program's own.
wxDialog* openDialog() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal()) return dialog;
    return nullptr;
}

class Dialogs : public testing::Test {
protected:
    void SetUp() override {
        previous = allowModalDialogs(true);
        giveUp.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
            ADD_FAILURE() << "the dialog ignored the keys";
            if (wxDialog* dialog = openDialog()) dialog->EndModal(wxID_ABORT);
        });
    }
    void TearDown() override {
        giveUp.Stop();
        allowModalDialogs(previous);
    }

    // Types keys into the dialog that opens next, through the window system as
    // a user does, once it has shown itself and done what it queued for then.
    // A dialog deaf to them is closed after a while.
    void typeIntoNextDialog(std::vector<int> keys, std::function<void()> look = {}) {
        wxTheApp->CallAfter([this, keys, look] {
            wxTheApp->CallAfter([this, keys, look] {
                wxDialog* dialog = openDialog();
                if (!dialog) ADD_FAILURE() << "no dialog of the program's own"; // a native one: top left
                if (dialog && look) look();
                wxUIActionSimulator user;
                // Under a bare X server the keys go to the window under the pointer.
                user.MouseMove((dialog ? dialog->GetScreenRect().GetTopLeft() : wxPoint()) + wxPoint(20, 20));
                // A loaded X server maps the dialog and moves the focus into it
                // late; keys typed before then go nowhere.
                for (const wxLongLong until = wxGetLocalTimeMillis() + 2000;
                     dialog && !focusInside(dialog) && wxGetLocalTimeMillis() < until;) {
                    wxTheApp->Yield(true);
                    wxMilliSleep(10);
                }
                for (int key : keys)
                    user.Char(key);
                giveUp.StartOnce(3000);
            });
        });
    }

    bool previous = false;
    wxTimer giveUp;
};

// Pressing a button is the real drivers' scenarios' way of picking a model.
TEST_F(Dialogs, EachSelectionButtonShowsItsModelInItsFamilyBox) {
    const char* const models[] = {"RVX46", "RVX48", "RVX47", "RVX63", "RVX65", "RVX62",
                                  "RVX68", "RVX64", "RVX69", "RVX84", "RVX86"};
    wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
    for (int id = 1; id <= 11; ++id) {
        auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetLabel(), models[id - 1]);
        EXPECT_TRUE(button->GetBitmap().IsOk());
        EXPECT_EQ(dynamic_cast<wxStaticBox*>(button->GetParent())->GetLabel(), id <= 3   ? "Incremental"
                                                                               : id <= 9 ? "Absolute"
                                                                                         : "Commutation");
    }
}

TEST_F(Dialogs, EscapeCancelsTheSelectionArrowsWalkTheModelsReturnAndSpacePickOne) {
    const std::pair<std::vector<int>, std::string> cases[] = {
        {{WXK_ESCAPE}, ""},
        {{WXK_RETURN, WXK_ESCAPE}, ""},                                     // nothing is pre-selected
        {{WXK_RIGHT, WXK_RIGHT, WXK_RIGHT, WXK_RIGHT, WXK_SPACE}, "RVX84"}, // across the gap
        {{WXK_DOWN, WXK_DOWN, WXK_RIGHT, WXK_UP, WXK_DOWN, WXK_RETURN}, "RVX65"},
    };
    for (const auto& [keys, model] : cases) {
        wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
        typeIntoNextDialog(keys);
        EXPECT_EQ(dialog.ShowModal(), model.empty() ? wxID_CANCEL : 1) << model;
        EXPECT_EQ(dialog.selectedModel, model);
    }
}

TEST_F(Dialogs, MessageBoxesShowTheirIconEscapeAnswersAQuestionWithNo) {
    vantix::ToolkitUserInterface toolkit;
    int redPixels = 0;
    typeIntoNextDialog({WXK_ESCAPE}, [&] {
        for (wxWindow* child : openDialog()->GetChildren())
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
        for (wxWindow* child : openDialog()->GetChildren())
            if (auto* list = dynamic_cast<wxListBox*>(child)) inView = list->GetCountPerPage();
    });
    EXPECT_EQ(vantix::ToolkitUserInterface().chooseIndex("Select programming module",
                                                         "Connect to RVX encoder", modules, nullptr),
              3);
    EXPECT_GE(inView, 9);
}

} // namespace
