#include "GuiTest.h"

#include "app/EncoderGauge.h"
#include "app/EncoderSelectDialog.h"
#include "app/SignalPages.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/notebook.h>
#include <wx/progdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace vantix::test {

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

int ScriptedUserInterface::message(const wxString& text, const wxString& caption, long style,
                                   wxWindow* parent) {
    Shown entry{text.utf8_string(), caption.utf8_string(), style, parent != nullptr};
    shown.push_back(entry);
    if (onMessage) onMessage(entry);
    return entry.isQuestion() ? next(answers, int(wxNO), "unanswered question: " + entry.text) : wxOK;
}

int ScriptedUserInterface::chooseIndex(const wxString& text, const wxString& caption,
                                       const wxArrayString& choices, wxWindow* parent) {
    EXPECT_EQ(text, "Select programming module");
    EXPECT_EQ(caption, "Connect to RVX encoder");
    EXPECT_NE(parent, nullptr);
    std::vector<std::string> lines;
    for (const auto& line : choices)
        lines.push_back(line.utf8_string());
    moduleLists.push_back(lines);
    return next(moduleChoices, -1, "unexpected module choice");
}

std::string ScriptedUserInterface::chooseModel(wxWindow* parent) {
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

void press(wxWindow* button) {
    wxCommandEvent click(wxEVT_BUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

wxString ScriptedUserInterface::chooseDiagnosticsFile(wxWindow*) {
    ++fileDialogs;
    return wxString::FromUTF8(next(files, std::string()));
}

void runEventLoopUntil(const std::function<bool()>& done) {
    wxGUIEventLoop loop;
    wxTimer watch;
    watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (done()) loop.Exit();
    });
    watch.Start(5);
    loop.Run();
}

std::optional<ProgressState> openProgressDialog() {
    for (wxWindow* window : wxTopLevelWindows) {
        if (auto* dialog = dynamic_cast<wxGenericProgressDialog*>(window); dialog && dialog->IsShown())
            return ProgressState{dialog->GetTitle().utf8_string(), dialog->GetMessage().utf8_string(),
                                 dialog->GetValue()};
    }
    return std::nullopt;
}

void FrameTest::SetUp() {
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

void FrameTest::TearDown() {
    frame->Destroy();
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle(); // deletes the destroyed window
    bench.reset();
    installUserInterface(previousUi);
}

void FrameTest::connect() {
    ui->models.push_back("RVX46");
    click(ID_CONNECT);
}

void FrameTest::click(int id) {
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(frame->FindWindow(id));
    deliver(event);
}

void FrameTest::choose(int row, int index) {
    wxChoice* choice = frame->settingRow(row).choice;
    choice->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(index);
    deliver(event);
}

void FrameTest::tick() {
    wxTimerEvent event(frame->positionTimer());
    deliver(event);
}

void FrameTest::expectDisconnected() const {
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

std::vector<std::string> FrameTest::rowEntries(int row) const {
    std::vector<std::string> entries;
    for (const auto& entry : frame->settingRow(row).choice->GetStrings())
        entries.push_back(entry.utf8_string());
    return entries;
}

std::string FrameTest::heading() const {
    return (frame->titleLabel()->GetLabel() + "\n" + frame->statusLabel()->GetLabel()).utf8_string();
}

std::vector<std::string> FrameTest::notebookPages() const {
    std::vector<std::string> pages;
    wxNotebook* notebook = frame->signalNotebook();
    for (size_t i = 0; i < notebook->GetPageCount(); ++i)
        pages.push_back(notebook->GetPageText(i).utf8_string());
    return pages;
}

std::string FrameTest::field(bool commutationPage, const std::string& label) const {
    wxSignalPage* page = commutationPage ? static_cast<wxSignalPage*>(frame->commutationPage())
                                         : static_cast<wxSignalPage*>(frame->quadraturePage());
    return page->field(label)->GetValue().utf8_string();
}

std::string FrameTest::saveDiagnostics(const std::string& old) {
    const std::string path = wxFileName::CreateTempFileName("rvx").utf8_string();
    std::ofstream(path) << old;
    ui->files.push_back(path);
    click(ID_DIAGNOSTICS);
    std::ifstream in(path, std::ios::binary);
    std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(path.c_str());
    return content;
}

std::vector<std::string> FrameTest::messages() const {
    std::vector<std::string> texts;
    for (const auto& entry : ui->shown)
        texts.push_back(entry.text);
    return texts;
}

std::vector<std::string> FrameTest::boxes() const {
    std::vector<std::string> texts;
    for (const auto& entry : ui->shown)
        texts.push_back(entry.caption + ": " + entry.text);
    return texts;
}

} // namespace vantix::test
