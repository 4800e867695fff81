#include "UserInterface.h"

#include "EncoderSelectDialog.h"

#include <wx/choicdlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

namespace vantix {

int ToolkitUserInterface::message(const wxString& text, const wxString& caption, long style,
                                  wxWindow* parent) {
    return wxMessageBox(text, caption, style, parent);
}

int ToolkitUserInterface::chooseIndex(const wxString& text, const wxString& caption,
                                      const wxArrayString& choices, wxWindow* parent) {
    return wxGetSingleChoiceIndex(text, caption, choices, 0, parent);
}

std::string ToolkitUserInterface::chooseModel(wxWindow* parent) {
    wxEncoderSelectDialog dialog(parent, wxID_ANY, "RVX Vantix: Select Encoder");
    dialog.ShowModal();
    return std::string(dialog.selectedModel);
}

wxString ToolkitUserInterface::chooseDiagnosticsFile(wxWindow* parent) {
    return wxFileSelector("Save diagnostics to file", wxStandardPaths::Get().GetAppDocumentsDir(),
                          "Encoder Diagnostics", "dat", "Diagnostics data (*.dat)|*.dat|All files|*.*",
                          wxFD_SAVE | wxFD_OVERWRITE_PROMPT, parent);
}

void ToolkitUserInterface::openUrl(const wxString& url) {
    wxLaunchDefaultBrowser(url);
}

namespace {
std::shared_ptr<UserInterface>& installed() {
    static std::shared_ptr<UserInterface> ui = std::make_shared<ToolkitUserInterface>();
    return ui;
}
} // namespace

UserInterface& userInterface() {
    return *installed();
}

std::shared_ptr<UserInterface> installUserInterface(std::shared_ptr<UserInterface> ui) {
    auto previous = std::move(installed());
    installed() = std::move(ui);
    return previous;
}

} // namespace vantix
