// The update check against a local web host (update_server.py): version
// documents, servers and certificates that misbehave, the question and closing.
#include "GuiTest.h"
#include "app/UpdateCheck.h"
#include "app/VantixApp.h"

#include <wx/log.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace vantix::test {
namespace {

using namespace std::string_literals;

// The local web host; its events are the requests and hang-ups it saw.
struct UpdateServer {
    UpdateServer()
        : output(popen(("exec " VANTIX_PYTHON " " VANTIX_UPDATE_SERVER " " + folder).c_str(), "r")) {
        if (!output || std::fscanf(output, "%d %d %d", &httpsPort, &httpPort, &pid) != 3)
            throw std::runtime_error("the test web host did not start");
    }
    ~UpdateServer() {
        kill(pid, SIGTERM);
        pclose(output);
        std::filesystem::remove_all(folder);
    }
    std::string https(const std::string& path, bool plain = false) const {
        return (plain ? "http" : "https") + "://127.0.0.1:"s + std::to_string(plain ? httpPort : httpsPort) +
               path;
    }
    void publish(const std::string& name, const std::string& body) const {
        std::filesystem::create_directories(folder + "/www/" + name);
        std::ofstream(folder + "/www/" + name + "/vantixversion.xml", std::ios::binary) << body;
    }
    bool logged(const std::string& event) const {
        std::ifstream log(folder + "/events.log");
        for (std::string line; std::getline(log, line);)
            if (line == event) return true;
        return false;
    }

    std::string folder = [] {
        char pattern[] = "/tmp/rvx-update-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    FILE* output;
    int httpsPort = 0, httpPort = 0, pid = 0;
};

// Every failure of the check must stay silent, the toolkit's log included.
class RecordingLog : public wxLog {
public:
    std::vector<std::string> lines;

protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override { lines.push_back(text.utf8_string()); }
};

// Runs the main loop's pending work until `done`, failing after a minute.
template <class Done> void waitFor(Done done, const char* what) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done() && std::chrono::steady_clock::now() < end) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        wxMilliSleep(5);
    }
    if (!done()) ADD_FAILURE() << "never happened: " << what;
}

std::string document(const std::string& content) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rvx>" + content + "</rvx>\n";
}
std::string version(const std::string& text) {
    return "<version>" + text + "</version>";
}

class UpdateCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new UpdateServer; }
    static void TearDownTestSuite() { delete server; }

    void SetUp() override {
        previousUi = installUserInterface(ui);
        previousLog = wxLog::SetActiveTarget(&log);
        window = new wxFrame(nullptr, wxID_ANY, "Update test");
        setenv("RVX_VANTIX_UPDATE_CA_FILE", (server->folder + "/ca.pem").c_str(), 1);
        server->publish("newer", document(version("4.0.0.0")));
    }
    void TearDown() override {
        check.reset();
        for (wxWindow* top : wxTopLevelWindows)
            top->Destroy();
        wxTheApp->ProcessIdle();
        EXPECT_EQ(log.lines, std::vector<std::string>()); // every failure is silent
        wxLog::SetActiveTarget(previousLog);
        installUserInterface(previousUi);
        for (const char* name : {"RVX_VANTIX_UPDATE_HOST", "RVX_VANTIX_UPDATE_CA_FILE",
                                 "RVX_VANTIX_UPDATE_TIMEOUT_MS", "RVX_VANTIX_NO_UPDATE_CHECK"})
            unsetenv(name);
    }

    // Runs the check against `host` to its end; returns the versions offered.
    std::vector<std::string> offered(const std::string& host) {
        setenv("RVX_VANTIX_UPDATE_HOST", host.c_str(), 1);
        ui->shown.clear();
        check = startUpdateCheck(window, true);
        waitFor([&] { return check->finished(); }, "the check's end");
        std::vector<std::string> versions;
        for (const auto& question : ui->shown)
            versions.push_back(question.text.substr(question.text.find("Latest is ") + 10, 7));
        return versions;
    }
    // Starts the program as it starts for a user; the start-up Connect click is cancelled.
    void startProgram(const std::string& host) {
        setenv("RVX_VANTIX_UPDATE_HOST", host.c_str(), 1);
        ASSERT_TRUE(static_cast<VantixApp*>(wxTheApp)->VantixApp::OnInit());
    }

    static inline UpdateServer* server = nullptr;
    std::shared_ptr<ScriptedUserInterface> ui = std::make_shared<ScriptedUserInterface>();
    std::shared_ptr<UserInterface> previousUi;
    RecordingLog log;
    wxLog* previousLog = nullptr;
    wxFrame* window = nullptr;
    std::unique_ptr<UpdateCheck> check;
};

// One document catches the comparison's faults: equal, older and upper-case
// entries are not offered, the last field counts, blanks around a version do not.
TEST_F(UpdateCheckTest, OffersEachNewerVersionOfAVerifiedHttpsAnswer) {
    server->publish("versions", document(version("3.0.0.0") + version("2.9.9.9") + version("3.0.0.1") +
                                         "<Version>5.0.0.0</Version>" + version("\n  4.0.0.0\n")));
    server->publish("bad",
                    document(version("3.0.1") + version("3.0.x.1") + version("-1.0.0.0") +
                             version("4294967300.0.0.0") + version("4.0.0.0.1") + version("4.0.0.0 beta")));
    server->publish("dtd", "<!DOCTYPE rvx [<!ENTITY v \"4.0.0.0\">]><rvx><version>&v;</version></rvx>");
    server->publish("over-cap", document(version("4.0.0.0") + "<!--" + std::string(70 * 1024, 'x') + "-->"));
    std::string byName = server->https("/newer");
    byName.replace(8, 9, "localhost"); // the certificate names 127.0.0.1 alone
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {server->https("/versions"), {"3.0.0.1", "4.0.0.0"}},
        {server->https("/bad"), {}},
        {server->https("/dtd"), {}},
        {server->https("/over-cap"), {}},
        {server->https("/missing"), {}}, // the error page names 4.0.0.0
        {server->https("/redirect/https/newer"), {"4.0.0.0"}},
        {server->https("/redirect/http/newer"), {}},
        {server->https("/newer", true), {}},
        {byName, {}},
    };
    for (const auto& [url, versions] : cases) {
        ui->answers.assign(versions.size(), wxNO);
        EXPECT_EQ(offered(url), versions) << url;
    }
    unsetenv("RVX_VANTIX_UPDATE_CA_FILE"); // the system's authorities do not know the test's
    EXPECT_EQ(offered(server->https("/newer")), std::vector<std::string>());
}

TEST_F(UpdateCheckTest, YesOpensTheDownloadPageAndNoOpensNothing) {
    ui->answers = {wxNO, wxYES};
    server->publish("twice", document(version("3.0.0.1") + version("4.0.0.0")));
    startProgram(server->https("/twice/"));
    waitFor([&] { return ui->shown.size() == 2; }, "two questions");
    for (const auto& question : ui->shown) {
        EXPECT_EQ(question.caption, "RVX Vantix Update");
        EXPECT_EQ(question.style & (wxYES_NO | wxCENTRE), wxYES_NO | wxCENTRE);
        EXPECT_TRUE(question.hasParent);
    }
    EXPECT_EQ(ui->shown[1].text, "A new version of RVX Vantix is available.\nYou have 3.0.0.0\nLatest is "
                                 "4.0.0.0\nWould you like to download it?");
    EXPECT_EQ(ui->opened, std::vector<std::string>{server->https("/twice/rvx-vantix")});
}

TEST_F(UpdateCheckTest, AServerThatNeverAnswersIsLeftAtTheTimeOut) {
    setenv("RVX_VANTIX_UPDATE_TIMEOUT_MS", "500", 1);
    EXPECT_EQ(offered(server->https("/hang/timeout")), std::vector<std::string>());
    waitFor([&] { return server->logged("HUNG UP /hang/timeout/vantixversion.xml"); }, "the hang-up");
}

TEST_F(UpdateCheckTest, ClosingTheWindowWhileTheAnswerHangsStopsTheTransfer) {
    setenv("RVX_VANTIX_UPDATE_TIMEOUT_MS", "3600000", 1); // only the closing can end it
    startProgram(server->https("/hang/closing"));
    waitFor([&] { return server->logged("GET /hang/closing/vantixversion.xml"); }, "the request");
    EXPECT_EQ(ui->modelDialogs, 1); // the start-up Connect click was not held up
    for (wxWindow* top : wxTopLevelWindows)
        if (dynamic_cast<VantixFrame*>(top)) top->Close(true);
    waitFor([&] { return server->logged("HUNG UP /hang/closing/vantixversion.xml"); }, "the hang-up");
    EXPECT_TRUE(ui->shown.empty());
}

TEST_F(UpdateCheckTest, TheSwitchOrTheEnvironmentTurnsTheCheckOff) {
    EXPECT_EQ(startUpdateCheck(window, false), nullptr);
    setenv("RVX_VANTIX_NO_UPDATE_CHECK", "1", 1);
    EXPECT_EQ(startUpdateCheck(window, true), nullptr);
}

} // namespace
} // namespace vantix::test
