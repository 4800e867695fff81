// The connect that the window starts by itself, run by a real event loop of
// the toolkit with nothing of the test's own around it: whatever fails must
// reach the user as a message, told by its type, and leave the program running.
#include "GuiTest.h"

using namespace vantix::test;

namespace {

TEST(StartUp, FailedConnectIsReportedByTypeAndTheProgramRuns) {
    const struct {
        const char* model;
        const char* code; // of the encoder; none: the module is busy
        const char* box;
    } cases[] = {
        {"RVX65", "0xC8",
         "RVX Error: Communication error with RVX encoder.\nPlease ensure that encoder is connected to "
         "RVX-LINK programming module.\n\nEncoder does not appear to be an RVX65 : C8"},
        {"RVX84", nullptr,
         "Programming module error: Programming module error.\nPlease ensure that RVX-LINK programming "
         "module is connected to your computer.\n\nUnable to open FTDI device: FT_Open failed : 3"},
    };
    auto ui = std::make_shared<ScriptedUserInterface>();
    const auto previousUi = vantix::installUserInterface(ui);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        ui->shown.clear();
        auto bench = std::make_shared<sim::Bench>();
        if (c.code)
            bench->add(c.model, sim::ModelOptions({{std::string("code"), c.code}}));
        else
            bench->add(c.model).setBusy(true);
        sim::BenchGuard guard(bench);
        ui->models.push_back(c.model);
        auto* frame = new VantixFrame;
        frame->Show();
        // An exception escaping the program's handlers would leave the loop here and fail the test.
        runEventLoopUntil([&] { return !ui->shown.empty(); });
        EXPECT_TRUE(frame->IsShown());
        EXPECT_EQ(frame->connectedEncoder(), nullptr);
        frame->Destroy();
        EXPECT_EQ(ui->shown.size(), 1u);
        EXPECT_EQ(ui->shown[0].caption + ": " + ui->shown[0].text, c.box);
        EXPECT_EQ(ui->shown[0].style, wxOK | wxICON_ERROR);
        EXPECT_FALSE(ui->shown[0].hasParent);
    }
    vantix::installUserInterface(previousUi);
}

} // namespace
