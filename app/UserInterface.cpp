#include "UserInterface.h"

#include "Artwork.h"
#include "EncoderSelectDialog.h"

#include <wx/choicdlg.h>
#include <wx/filedlg.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>

// After the toolkit's message dialog, which it builds on.
#include <wx/generic/msgdlgg.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <algorithm>

namespace vantix {

namespace {

// The toolkit's choice dialog sizes its list for fewer rows than GTK draws:
// this one grows its list, once shown, until every module (up to a dozen) is in view.
class ModuleChoiceDialog : public wxSingleChoiceDialog {
public:
    using wxSingleChoiceDialog::wxSingleChoiceDialog;

    void showAllRows() {
        const int rows = std::min<int>(static_cast<int>(m_listbox->GetCount()), 12);
        const int shown = m_listbox->GetCountPerPage();
        if (shown <= 0 || shown >= rows) return;
        const int rowHeight = m_listbox->GetClientSize().y / shown;
        m_listbox->SetMinSize({m_listbox->GetSize().x, m_listbox->GetSize().y + (rows - shown) * rowHeight});
        Fit();
        CentreOnParent();
    }
};

} // namespace

int ToolkitUserInterface::message(const wxString& text, const wxString& caption, long style,
                                  wxWindow* parent) {
    // The toolkit's own box shows no icon under GTK 3: the generic one draws ours.
    provideMessageIcons();
    // As the toolkit's message box does: a question or a notice unless told otherwise.
    if (!(style & wxICON_MASK)) style |= style & wxYES_NO ? wxICON_QUESTION : wxICON_INFORMATION;
    wxGenericMessageDialog dialog(parent, text, caption, style | wxCENTRE);
    // Escape answers a question with No, never with Yes.
    dialog.SetEscapeId(style & wxYES_NO ? wxID_NO : wxID_OK);
    switch (dialog.ShowModal()) {
    case wxID_YES:
        return wxYES;
    case wxID_NO:
        return wxNO;
    case wxID_CANCEL:
        return wxCANCEL;
    default:
        return wxOK;
    }
}

int ToolkitUserInterface::chooseIndex(const wxString& text, const wxString& caption,
                                      const wxArrayString& choices, wxWindow* parent) {
    ModuleChoiceDialog dialog(parent, text, caption, choices);
    dialog.SetSelection(0);
    dialog.CallAfter([&dialog] { dialog.showAllRows(); });
    return dialog.ShowModal() == wxID_OK ? dialog.GetSelection() : -1;
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
