#pragma once
// What the GUI tests share: a scripted user interface that answers questions
// and records messages, and a fixture holding a real main window on a bench.
#include "TestEncoder.h"
#include "app/EncoderGauge.h"
#include "app/EncoderSelectDialog.h"
#include "app/SignalPages.h"
#include "app/UserInterface.h"
#include "app/VantixFrame.h"
#include "sim/Bench.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/notebook.h>
#include <wx/progdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Lets a real modal dialog run (tests of the dialog itself); returns the previous setting.
bool allowModalDialogs(bool allow);

namespace vantix::test {

// Presses `button` as a user would.
inline void press(wxWindow* button) {
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

// Runs a real event loop of the toolkit, as the program's main loop runs, until `done` says so.
inline void runEventLoopUntil(const std::function<bool()>& done) {
    wxGUIEventLoop loop;
    wxTimer watch;
    watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (done()) loop.Exit();
    });
    watch.Start(5);
    loop.Run();
}

// The progress dialog open right now, if any: its title, message and bar.
struct ProgressState {
    std::string title;
    std::string message;
    int value = 0;
};
inline std::optional<ProgressState> openProgressDialog() {
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxGenericProgressDialog*>(window); dialog && dialog->IsShown())
            return ProgressState{dialog->GetTitle().utf8_string(), dialog->GetMessage().utf8_string(),
                                 dialog->GetValue()};
    return std::nullopt;
}

struct Shown {
    std::string text;
    std::string caption;
    long style = 0;
    bool hasParent = false;
};

class ScriptedUserInterface : public UserInterface {
public:
    int message(const wxString& text, const wxString& caption, long style, wxWindow* parent) override {
        Shown entry{text.utf8_string(), caption.utf8_string(), style, parent != nullptr};
        shown.push_back(entry);
        if (onMessage) onMessage(entry);
        return style & wxYES_NO ? next(answers, int(wxNO), "unanswered question: " + entry.text) : wxOK;
    }
    int chooseIndex(const wxString& text, const wxString& caption, const wxArrayString& choices,
                    wxWindow* parent) override {
        EXPECT_EQ(text, "Select programming module");
        EXPECT_EQ(caption, "Connect to RVX encoder");
        EXPECT_NE(parent, nullptr);
        moduleLists.emplace_back();
        for (const auto& line : choices)
            moduleLists.back().push_back(line.utf8_string());
        return next(moduleChoices, -1, "unexpected module choice");
    }
    std::string chooseModel(wxWindow* parent) override {
        ++modelDialogs;
        std::string model = next(models, std::string());
        if (!realSelectionDialog || model.empty()) return model;
        wxTheApp->CallAfter([model] { // once the dialog's loop runs
            for (wxWindow* window : wxTopLevelWindows)
                if (auto* dialog = dynamic_cast<wxEncoderSelectDialog*>(window)) {
                    EXPECT_EQ(dialog->GetTitle(), "RVX Vantix: Select Encoder");
                    if (auto* button = wxWindow::FindWindowByLabel(model, dialog)) return press(button);
                }
            ADD_FAILURE() << "no " << model << " button in the selection dialog";
        });
        const bool previous = allowModalDialogs(true);
        model = ToolkitUserInterface().chooseModel(parent);
        allowModalDialogs(previous);
        return model;
    }
    wxString chooseDiagnosticsFile(wxWindow*) override {
        ++fileDialogs;
        return wxString::FromUTF8(next(files, std::string()));
    }
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

private:
    // The next scripted answer; once they have run out, `fallback` (and a failure if `missing` says why).
    template <class T> static T next(std::deque<T>& answers, T fallback, const std::string& missing = {}) {
        if (answers.empty()) {
            if (!missing.empty()) ADD_FAILURE() << missing;
            return fallback;
        }
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

// A main window with a scripted user interface, a bench with one UART and one
// SPI module, and the test driver as the driver of every model. The start-up
// Connect click has been answered with "cancel" and the position timer is
// stopped: tests tick it themselves.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousUi = installUserInterface(ui);
        bench.emplace(std::make_shared<sim::Bench>());
        (*bench)->add("echo");
        (*bench)->add("spi-echo");
        frame = new VantixFrame;
        frame->positionTimer().Stop();
        frame->createDriver = [this](const std::string&, std::uint32_t) -> std::unique_ptr<RVX::Encoder> {
            ++driversCreated;
            return std::make_unique<TestEncoder>(script);
        };
        frame->Show();
        wxTheApp->ProcessPendingEvents(); // the queued start-up Connect click is cancelled here
    }
    void TearDown() override {
        frame->Destroy();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle(); // deletes the destroyed window
        bench.reset();
        installUserInterface(previousUi);
    }

    // Connects the test driver through the Connect button.
    void connect() {
        ui->models.push_back("RVX46");
        click(ID_CONNECT);
    }
    // Presses a button of the window.
    void click(int id) { press(frame->FindWindow(id)); }
    // Chooses entry `index` of setting row `row` as a user would.
    void choose(int row, int index) {
        wxChoice* choice = frame->settingRow(row).choice;
        choice->SetSelection(index);
        wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
        event.SetEventObject(choice);
        event.SetInt(index);
        frame->ProcessWindowEvent(event);
    }
    // One tick of the position timer, handed over as the toolkit does.
    void tick() {
        wxTimerEvent event(frame->positionTimer());
        frame->ProcessWindowEvent(event);
    }
    // The window as it is before any connection and after a disconnection.
    void expectDisconnected() const {
        EXPECT_EQ(frame->connectedEncoder(), nullptr);
        EXPECT_EQ(label(ID_CONNECT), "Connect");
        EXPECT_EQ(heading(), "RVX Vantix\nDisconnected");
        for (int id : {ID_ZERO, ID_PROGRAM, ID_DATASHEET})
            EXPECT_FALSE(enabled(id)) << id;
        EXPECT_TRUE(frame->positionGauge()->inactive);
        EXPECT_EQ(frame->positionGauge()->value, -1);
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(rowLabel(row), "");
            EXPECT_TRUE(rowEntries(row).empty());
            EXPECT_FALSE(frame->settingRow(row).choice->IsEnabled());
        }
    }
    std::vector<std::string> rowEntries(int row) const {
        std::vector<std::string> entries;
        for (const auto& entry : frame->settingRow(row).choice->GetStrings())
            entries.push_back(entry.utf8_string());
        return entries;
    }
    std::string rowLabel(int row) const { return frame->settingRow(row).label->GetLabel().utf8_string(); }
    int rowSelection(int row) const { return frame->settingRow(row).choice->GetSelection(); }
    bool enabled(int id) const { return frame->FindWindow(id)->IsEnabled(); }
    std::string label(int id) const { return frame->FindWindow(id)->GetLabel().utf8_string(); }
    // The title line above the status line.
    std::string heading() const {
        return (frame->titleLabel()->GetLabel() + "\n" + frame->statusLabel()->GetLabel()).utf8_string();
    }
    std::vector<std::string> notebookPages() const {
        std::vector<std::string> pages;
        for (size_t i = 0; i < frame->signalNotebook()->GetPageCount(); ++i)
            pages.push_back(frame->signalNotebook()->GetPageText(i).utf8_string());
        return pages;
    }
    // Saves the diagnostics report through the button into a file holding `old`; returns the file.
    std::string saveDiagnostics(const std::string& old = {}) {
        const std::string path = wxFileName::CreateTempFileName("rvx").utf8_string();
        std::ofstream(path) << old;
        ui->files.push_back(path);
        click(ID_DIAGNOSTICS);
        std::ifstream in(path, std::ios::binary);
        std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::remove(path.c_str());
        return content;
    }
    // Texts of the messages shown so far, in order; with their captions, as "caption: text".
    std::vector<std::string> messages(bool captions = false) const {
        std::vector<std::string> texts;
        for (const auto& entry : ui->shown)
            texts.push_back(captions ? entry.caption + ": " + entry.text : entry.text);
        return texts;
    }
    std::vector<std::string> boxes() const { return messages(true); }

    std::shared_ptr<DriverScript> script = std::make_shared<DriverScript>();
    std::shared_ptr<ScriptedUserInterface> ui = std::make_shared<ScriptedUserInterface>();
    std::shared_ptr<UserInterface> previousUi;
    std::optional<sim::BenchGuard> bench;
    VantixFrame* frame = nullptr;
    int driversCreated = 0;
};

} // namespace vantix::test
