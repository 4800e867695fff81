#pragma once
// The modal dialog in which the user picks the encoder model, one picture
// button per model, grouped by family.
#include <wx/dialog.h>

#include <string_view>
#include <vector>

class wxEncoderSelectDialog : public wxDialog {
public:
    wxEncoderSelectDialog(wxWindow* parent, wxWindowID id, const wxString& title);

    // The chosen model's name; empty unless a model button closed the dialog.
    std::string_view selectedModel;

private:
    void onModel(wxCommandEvent& event);
    void onClose(wxCloseEvent& event);
    void onKey(wxKeyEvent& event);
    // Moves the keyboard focus to the nearest model button in an arrow's direction.
    void moveFocus(int dx, int dy);

    std::vector<wxWindow*> buttons;
};
