// The connect that the window starts by itself, run by a real event loop of
// the toolkit with nothing of the test's own around it: whatever fails must
// reach the user as a message and leave the program running.
#include "GuiTest.h"

#include "transport/FtdiException.h"

using namespace vantix::test;

namespace {

class StartUp : public testing::Test {
protected:
    void SetUp() override { previousUi = vantix::installUserInterface(ui); }
    void TearDown() override { vantix::installUserInterface(previousUi); }

    // Opens the main window and runs the event loop until the start-up connect has shown a message.
    void startAndRunUntilMessage() {
        auto* frame = new VantixFrame;
        frame->Show();
        // An exception escaping the program's handlers would leave the loop here and fail the test.
        runEventLoopUntil([this] { return !ui->shown.empty(); });
        EXPECT_TRUE(frame->IsShown());
        EXPECT_EQ(frame->connectedEncoder(), nullptr);
        frame->Destroy();
    }

    std::shared_ptr<ScriptedUserInterface> ui = std::make_shared<ScriptedUserInterface>();
    std::shared_ptr<vantix::UserInterface> previousUi;
};

TEST_F(StartUp, FailedConnectIsReportedAndTheProgramRuns) {
    const struct {
        const char* why;
        std::function<void(sim::Module&)> fault;
        std::string caption;
        std::string ending; // of the message
    } cases[] = {
        {"silent encoder", [](sim::Module& m) { m.faults.silent = true; }, "RVX Error",
         "Unable to connect to RVX84 encoder. Failed to initialization calibration : 0"},
        {"busy module", [](sim::Module& m) { m.setBusy(true); }, "Programming module error",
         "Unable to open FTDI device: FT_Open failed : 3"},
        {"unplugged module", [](sim::Module& m) { m.unplug(); }, "RVX Vantix Error",
         "No RVX programming module found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ui->shown.clear();
        auto bench = std::make_shared<sim::Bench>();
        c.fault(bench->add("RVX84"));
        sim::BenchGuard guard(bench);
        ui->models.push_back("RVX84");
        startAndRunUntilMessage();
        ASSERT_EQ(ui->shown.size(), 1u);
        EXPECT_EQ(ui->shown[0].caption, c.caption);
        EXPECT_TRUE(ui->shown[0].text.ends_with(c.ending)) << ui->shown[0].text;
        EXPECT_EQ(ui->shown[0].style, wxOK | wxICON_ERROR);
    }
}

} // namespace
