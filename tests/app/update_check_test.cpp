// The update check against a local web host (update_server.py): version
// documents, servers and certificates that misbehave, the question and closing.
#include "GuiTest.h"
#include "app/UpdateCheck.h"
#include "app/VantixApp.h"

#include <wx/frame.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace vantix::test {
namespace {

class UpdateServer {
public:
    UpdateServer() {
        char pattern[] = "/tmp/rvx-update-XXXXXX";
        folder = mkdtemp(pattern);
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const char* argv[] = {VANTIX_PYTHON, VANTIX_UPDATE_SERVER, folder.c_str(), nullptr};
        if (posix_spawn(&pid, VANTIX_PYTHON, &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            throw std::runtime_error("cannot start " VANTIX_PYTHON);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        input = in[1];
        FILE* output = fdopen(out[0], "r");
        if (std::fscanf(output, "PORTS %d %d", &httpsPort, &httpPort) != 2)
            throw std::runtime_error("the test web host did not start");
        std::fclose(output);
    }
    ~UpdateServer() {
        close(input); // the server ends when its input closes
        waitpid(pid, nullptr, 0);
        std::filesystem::remove_all(folder);
    }
    std::string https(const std::string& path) const { return address("https", httpsPort, path); }
    std::string http(const std::string& path) const { return address("http", httpPort, path); }
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
    std::string folder;

private:
    static std::string address(const char* scheme, int port, const std::string& path) {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
    }
    pid_t pid = 0;
    int input = -1;
    int httpsPort = 0, httpPort = 0;
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
    for (int i = 0; i < 12000 && !done(); ++i) {
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
        trust("ca.pem");
        setenv("RVX_VANTIX_UPDATE_TIMEOUT_MS", "20000", 1);
        unsetenv("RVX_VANTIX_NO_UPDATE_CHECK");
        server->publish("newer", document(version("4.0.0.0")));
    }
    void TearDown() override {
        check.reset();
        window->Destroy();
        for (wxWindow* top : wxTopLevelWindows)
            if (dynamic_cast<VantixFrame*>(top)) top->Destroy();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        EXPECT_EQ(log.lines, std::vector<std::string>());
        wxLog::SetActiveTarget(previousLog);
        installUserInterface(previousUi);
        for (const char* name : {"RVX_VANTIX_UPDATE_HOST", "RVX_VANTIX_UPDATE_CA_FILE",
                                 "RVX_VANTIX_UPDATE_TIMEOUT_MS", "RVX_VANTIX_NO_UPDATE_CHECK"})
            unsetenv(name);
    }

    void trust(const std::string& authority) {
        setenv("RVX_VANTIX_UPDATE_CA_FILE", (server->folder + "/" + authority).c_str(), 1);
    }
    // Runs the check against `host` to its end; returns the versions offered.
    std::vector<std::string> offered(const std::string& host) {
        setenv("RVX_VANTIX_UPDATE_HOST", host.c_str(), 1);
        check = startUpdateCheck(window, true);
        if (!check) return {"<not started>"};
        waitFor([&] { return check->finished(); }, "the check's end");
        std::vector<std::string> versions;
        for (const auto& question : ui->shown)
            versions.push_back(question.text.substr(question.text.find("Latest is ") + 10, 7));
        return versions;
    }
    // Starts the program as it starts for a user; the frame's start-up Connect click is cancelled.
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

TEST_F(UpdateCheckTest, OffersEachNewerVersionDirectlyUnderTheRoot) {
    const std::string tooLong = document(version("4.0.0.0") + "<!--" + std::string(70 * 1024, 'x') + "-->");
    const struct {
        std::string name, body;
        std::vector<std::string> offered;
    } cases[] = {
        {"same", document(version("3.0.0.0")), {}},
        {"older", document(version("2.9.9.9")), {}},
        {"next", document(version("3.0.0.1")), {"3.0.0.1"}},
        {"blanks", document(version("\n  4.0.0.0\n")), {"4.0.0.0"}},
        {"three", document(version("3.0.1")), {}},
        {"letter", document(version("3.0.x.1")), {}},
        {"negative", document(version("-1.0.0.0")), {}},
        {"overflow", document(version("4294967296.0.0.0")), {}},
        {"trailing", document(version("4.0.0.0.1") + version("4.0.0.0 beta")), {}},
        {"nested", document("<latest>" + version("4.0.0.0") + "</latest>"), {}},
        {"several",
         document(version("3.1.0.0") + version("2.0.0.0") + "<Version>5.0.0.0</Version>" +
                  version("4.0.0.0")),
         {"3.1.0.0", "4.0.0.0"}},
        {"unfinished", "<rvx>" + version("4.0.0.0"), {}},
        {"dtd", "<!DOCTYPE rvx [<!ENTITY v \"4.0.0.0\">]><rvx><version>&v;</version></rvx>", {}},
        {"over-cap", tooLong, {}},
    };
    for (const auto& c : cases) {
        ui->shown.clear();
        ui->answers.assign(c.offered.size(), wxNO);
        server->publish(c.name, c.body);
        EXPECT_EQ(offered(server->https("/" + c.name)), c.offered) << c.name;
    }
}

TEST_F(UpdateCheckTest, OnlyAVerifiedHttpsAnswerCounts) {
    const struct {
        const char* label;
        std::string host;
        const char* authority;
        bool offered;
    } cases[] = {
        {"trusted", server->https("/newer"), "ca.pem", true},
        {"redirected", server->https("/redirect/https/newer"), "ca.pem", true},
        {"untrusted certificate", server->https("/newer"), "other-ca.pem", false},
        {"redirected to http", server->https("/redirect/http/newer"), "ca.pem", false},
        {"plain http", server->http("/newer"), "ca.pem", false},
        {"not found", server->https("/missing"), "ca.pem", false},
    };
    for (const auto& c : cases) {
        ui->shown.clear();
        ui->answers.assign(c.offered ? 1 : 0, wxNO);
        trust(c.authority);
        EXPECT_EQ(offered(c.host).size(), c.offered ? 1u : 0u) << c.label;
    }
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
    EXPECT_EQ(
        ui->shown[1].text,
        "A new version of RVX Vantix is available.\nYou have 3.0.0.0\nLatest is 4.0.0.0\nWould you like "
        "to download it?");
    EXPECT_EQ(ui->opened, std::vector<std::string>{server->https("/twice/rvx-vantix")});
}

TEST_F(UpdateCheckTest, AServerThatNeverAnswersIsDroppedAtTheTimeOut) {
    setenv("RVX_VANTIX_UPDATE_TIMEOUT_MS", "500", 1);
    EXPECT_EQ(offered(server->https("/hang/timeout")), std::vector<std::string>());
    waitFor([&] { return server->logged("HUNG UP /hang/timeout/vantixversion.xml"); },
            "the client hanging up");
}

TEST_F(UpdateCheckTest, ClosingTheWindowWhileTheAnswerHangsStopsTheTransferAtOnce) {
    setenv("RVX_VANTIX_UPDATE_TIMEOUT_MS", "3600000", 1); // only cancelling can end it in time
    startProgram(server->https("/hang/closing"));
    waitFor([&] { return server->logged("GET /hang/closing/vantixversion.xml"); }, "the request");
    // The window went on meanwhile: the start-up Connect click opened the selection dialog.
    EXPECT_EQ(ui->modelDialogs, 1);
    for (wxWindow* top : wxTopLevelWindows)
        if (dynamic_cast<VantixFrame*>(top)) top->Close(true);
    waitFor([&] { return server->logged("HUNG UP /hang/closing/vantixversion.xml"); },
            "the client hanging up");
    EXPECT_TRUE(ui->shown.empty());
}

TEST_F(UpdateCheckTest, TheSwitchOrTheEnvironmentTurnsTheCheckOff) {
    setenv("RVX_VANTIX_UPDATE_HOST", server->https("/off").c_str(), 1);
    EXPECT_EQ(startUpdateCheck(window, false), nullptr);
    setenv("RVX_VANTIX_NO_UPDATE_CHECK", "1", 1);
    EXPECT_EQ(startUpdateCheck(window, true), nullptr);
    wxTheApp->ProcessPendingEvents();
    EXPECT_FALSE(server->logged("GET /off/vantixversion.xml"));
}

} // namespace
} // namespace vantix::test
