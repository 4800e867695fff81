#pragma once
// What the GUI tests share: a scripted user interface that answers questions
// and records messages, and a fixture holding a real main window on a bench.
#include "TestEncoder.h"
#include "app/UserInterface.h"
#include "app/VantixFrame.h"
#include "sim/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/string.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Lets a real modal dialog run (tests of the dialog itself); returns the previous setting.
bool allowModalDialogs(bool allow);

namespace vantix::test {

struct Shown {
    std::string text;
    std::string caption;
    long style = 0;
    bool hasParent = false;
    bool isQuestion() const { return (style & wxYES_NO) != 0; }
};

class ScriptedUserInterface : public UserInterface {
public:
    int message(const wxString& text, const wxString& caption, long style, wxWindow* parent) override;
    int chooseIndex(const wxString& text, const wxString& caption, const wxArrayString& choices,
                    wxWindow* parent) override;
    std::string chooseModel(wxWindow* parent) override;
    wxString chooseDiagnosticsFile(wxWindow* parent) override;
    void openUrl(const wxString& url) override { opened.push_back(url.utf8_string()); }

    // Answers, consumed in order. A question with no answer left fails the test and gets "No".
    std::deque<int> answers;        // wxYES / wxNO
    std::deque<std::string> models; // "" or none left = cancelled
    std::deque<int> moduleChoices;  // -1 = cancelled
    std::deque<std::string> files;  // "" = cancelled
    // Models are picked by pressing their button in the program's real selection dialog.
    bool realSelectionDialog = false;

    std::vector<Shown> shown; // messages and questions, in order
    std::vector<std::vector<std::string>> moduleLists;
    int modelDialogs = 0;
    int fileDialogs = 0;
    std::vector<std::string> opened;
    std::function<void(const Shown&)> onMessage;
};

// Presses `button` as a user would.
void press(wxWindow* button);

// Runs a real event loop of the toolkit, as the program's main loop runs, until `done` says so.
void runEventLoopUntil(const std::function<bool()>& done);

// The progress dialog open right now, if any: its title, message and bar.
struct ProgressState {
    std::string title;
    std::string message;
    int value = 0;
};
std::optional<ProgressState> openProgressDialog();

// A main window with a scripted user interface, a bench with one UART and one
// SPI module, and the test driver as the driver of every model. The start-up
// Connect click has been answered with "cancel" and the position timer is
// stopped: tests tick it themselves.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Connects the test driver through the Connect button.
    void connect();
    // Presses a button of the window.
    void click(int id);
    // Chooses entry `index` of setting row `row` as a user would.
    void choose(int row, int index);
    // One tick of the position timer.
    void tick();
    // Hands an event to the window as the toolkit does, with nothing of the test's own around it.
    void deliver(wxEvent& event) { frame->ProcessWindowEvent(event); }
    // The window as it is before any connection and after a disconnection.
    void expectDisconnected() const;
    std::vector<std::string> rowEntries(int row) const;
    std::string rowLabel(int row) const { return frame->settingRow(row).label->GetLabel().utf8_string(); }
    int rowSelection(int row) const { return frame->settingRow(row).choice->GetSelection(); }
    bool enabled(int id) const { return frame->FindWindow(id)->IsEnabled(); }
    std::string label(int id) const { return frame->FindWindow(id)->GetLabel().utf8_string(); }
    // The title line above the status line.
    std::string heading() const;
    std::vector<std::string> notebookPages() const;
    std::string field(bool commutationPage, const std::string& label) const;
    // Saves the diagnostics report through the button into a file holding `old`; returns the file.
    std::string saveDiagnostics(const std::string& old = {});
    // Texts of the messages shown so far, in order; with their captions, as "caption: text".
    std::vector<std::string> messages() const;
    std::vector<std::string> boxes() const;

    std::shared_ptr<DriverScript> script = std::make_shared<DriverScript>();
    std::shared_ptr<ScriptedUserInterface> ui = std::make_shared<ScriptedUserInterface>();
    std::shared_ptr<UserInterface> previousUi;
    std::optional<sim::BenchGuard> bench;
    VantixFrame* frame = nullptr;
    int driversCreated = 0;
};

} // namespace vantix::test
