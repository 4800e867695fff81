#pragma once
// The questions and messages the window puts to the user, behind one replaceable
// object: the program shows real toolkit dialogs, GUI tests install a scripted
// answerer and read back what would have been shown.
#include <wx/arrstr.h>
#include <wx/string.h>

#include <memory>
#include <string>

class wxWindow;

namespace vantix {

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // wxMessageBox: returns wxOK, wxYES or wxNO.
    virtual int message(const wxString& text, const wxString& caption, long style, wxWindow* parent) = 0;
    // wxGetSingleChoiceIndex: the chosen line, or -1 when cancelled.
    virtual int chooseIndex(const wxString& text, const wxString& caption, const wxArrayString& choices,
                            wxWindow* parent) = 0;
    // The encoder selection dialog: the chosen model name, empty when cancelled.
    virtual std::string chooseModel(wxWindow* parent) = 0;
    // The save-file selector of the diagnostics report: empty when cancelled.
    virtual wxString chooseDiagnosticsFile(wxWindow* parent) = 0;
    // Opens a web page in the default browser.
    virtual void openUrl(const wxString& url) = 0;
};

// The toolkit's own dialogs.
class ToolkitUserInterface : public UserInterface {
public:
    int message(const wxString& text, const wxString& caption, long style, wxWindow* parent) override;
    int chooseIndex(const wxString& text, const wxString& caption, const wxArrayString& choices,
                    wxWindow* parent) override;
    std::string chooseModel(wxWindow* parent) override;
    wxString chooseDiagnosticsFile(wxWindow* parent) override;
    void openUrl(const wxString& url) override;
};

// The installed user interface (the toolkit's unless replaced).
UserInterface& userInterface();
// Installs another one and returns the previous one.
std::shared_ptr<UserInterface> installUserInterface(std::shared_ptr<UserInterface> ui);

} // namespace vantix
