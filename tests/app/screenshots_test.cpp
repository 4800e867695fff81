// Saves pictures of the main window and the selection dialog into the build
// tree (screenshots/), for reviewing the layout.
#include "GuiTest.h"

#include "app/EncoderSelectDialog.h"
#include "encoders/Pictures.h"

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/filename.h>
#include <wx/imagpng.h>
#include <wx/utils.h>
#include <wx/wfstream.h>

using namespace vantix::test;

namespace {

void save(wxWindow* window, const std::string& name) {
    window->Raise();               // an inactive window is drawn in faded colours
    for (int i = 0; i < 20; ++i) { // lets the window system draw everything pending
        wxTheApp->Yield(true);
        wxMilliSleep(10);
    }
    wxFileName::Mkdir("screenshots", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    const wxString file = "screenshots/" + name + ".png";
    const wxRect rect = window->GetScreenRect();
    // ImageMagick's import reads what the X server shows; the toolkit's screen
    // context can hand back an older picture under Xvfb, so it is only the fallback.
    const wxString crop = wxString::Format("%dx%d+%d+%d", rect.width, rect.height, rect.x, rect.y);
    if (wxExecute("import -window root -crop " + crop + " " + file, wxEXEC_SYNC) == 0) return;
    wxBitmap bitmap(rect.GetSize());
    {
        wxScreenDC screen;
        wxMemoryDC memory(bitmap);
        memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    }
    wxImage image = bitmap.ConvertToImage();
    wxFileOutputStream out(file);
    wxPNGHandler png;
    EXPECT_TRUE(out.IsOk() && png.SaveFile(&image, out, false));
}

using Screenshots = FrameTest;

TEST_F(Screenshots, MainWindowDisconnectedForEachAccessorSetAndTheSelectionDialog) {
    frame->Move(0, 0);
    save(frame, "main-disconnected");
    const std::pair<const char*, std::set<Accessor>> sets[] = {
        {"main-resolution-commutation",
         {Accessor::Resolution, Accessor::Commutation, Accessor::Zero, Accessor::Picture}},
        {"main-resolution", {Accessor::Resolution, Accessor::Zero, Accessor::Picture}},
        {"main-address",
         {Accessor::Address, Accessor::BaudRate, Accessor::Termination, Accessor::Picture,
          Accessor::PositionBits}},
        {"main-no-settings", {}},
    };
    const auto png = RVX::model_picture("RVX84");
    script->picture.assign(png.begin(), png.end());
    script->absolute = true;
    script->position = 1300;
    for (const auto& [name, accessors] : sets) {
        script->accessors = accessors;
        script->accessors.insert(Accessor::ReadPosition);
        connect();
        tick();
        save(frame, name);
        click(ID_CONNECT);
    }
    EXPECT_TRUE(ui->shown.empty());

    const bool previous = allowModalDialogs(true);
    wxEncoderSelectDialog dialog(nullptr, wxID_ANY, "RVX Vantix: Select Encoder");
    dialog.Move(0, 0);
    dialog.CallAfter([&dialog] {
        save(&dialog, "select-encoder");
        dialog.EndModal(0);
    });
    dialog.ShowModal();
    allowModalDialogs(previous);
}

} // namespace
