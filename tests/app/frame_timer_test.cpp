// The position timer: the gauge, its tolerance of one failed poll, and its
// staying away from the device while a flow runs.
#include "GuiTest.h"

using namespace vantix::test;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

class PositionTimer : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        script->accessors = {Accessor::ReadPosition, Accessor::Resolution};
        connect();
        script->log.clear();
    }
    void failNextPoll(const char* why = "No reply") { script->fail("read_position", RVX::Exception(why, 0)); }
};

TEST_F(PositionTimer, TicksShowThePositionClampedOneFailedPollIsToleratedASecondWithinTwentyDisconnects) {
    script->position = 1234;
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 1234);
    script->position = 5000; // beyond 12 bits
    tick();
    EXPECT_EQ(frame->positionGauge()->value, 4095);
    EXPECT_THAT(script->log, ElementsAre("read_position", "read_position"));

    failNextPoll();
    tick();
    EXPECT_EQ(frame->pollErrorCountdown(), 20);
    for (int i = 0; i < 20; ++i)
        tick();
    failNextPoll(); // the countdown has run out: tolerated again
    tick();
    EXPECT_THAT(messages(), IsEmpty());
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    for (int i = 0; i < 19; ++i)
        tick();
    failNextPoll("Checksum error");
    tick();
    expectDisconnected(); // the same steps as the button
    EXPECT_THAT(notebookPages(), IsEmpty());
    ASSERT_THAT(boxes(), ElementsAre("Encoder communication error: Lost connection to encoder, please check "
                                     "cable\n\nChecksum error"));
    EXPECT_EQ(ui->shown[0].style, wxOK | wxICON_ERROR);
    tick();
    EXPECT_EQ(ui->shown.size(), 1u);
}

// The real timer, firing while the progress dialog of a re-flash pumps events.
TEST_F(PositionTimer, RealTimerFiringInsideTheProgressDialogNeverReachesTheDevice) {
    bool ticked = false;
    frame->Bind(wxEVT_TIMER, [&](wxTimerEvent& event) {
        ticked = true;
        event.Skip();
    });
    script->reflash = [&](const StatusCallback& status) {
        // Pulse the progress dialog until timer ticks have arrived inside it.
        frame->positionTimer().Start(10);
        for (int i = 0; i < 500 && !ticked; ++i) {
            status("Writing flash");
            wxMilliSleep(5);
        }
        frame->positionTimer().Stop();
    };
    choose(0, 0);
    click(ID_PROGRAM);
    EXPECT_TRUE(ticked);
    EXPECT_EQ(script->count("read_position"), 0u);
}

// The box of a failed re-flash stays up while the real timer keeps ticking
// behind it: the ticks stay away from the device, so no second box stacks on it;
// no retry is offered, and the encoder stays connected and free.
TEST_F(PositionTimer, FailedProgramShowsOneMessageWhileTheTimerTicksBehindIt) {
    script->fail("set_resolution", RVX::Exception("Unable to read RVXTEST EEPROM", 0x21));
    script->fail("read_position", RVX::Exception("No reply", 0), 50);
    int ticks = 0;
    frame->Bind(wxEVT_TIMER, [&](wxTimerEvent& event) {
        ++ticks;
        event.Skip();
    });
    ui->onMessage = [&](const Shown&) {
        if (ticks > 0) return; // only the first box is read slowly
        frame->positionTimer().Start(2);
        runEventLoopUntil([&] { return ticks >= 5; });
        frame->positionTimer().Stop();
    };
    choose(0, 0);
    click(ID_PROGRAM);
    EXPECT_GE(ticks, 5);
    EXPECT_THAT(boxes(), ElementsAre(testing::StartsWith("RVX Error: ")));
    EXPECT_EQ(script->count("read_position"), 0u);
    EXPECT_NE(frame->connectedEncoder(), nullptr);
    EXPECT_FALSE(openProgressDialog());
    EXPECT_FALSE(frame->deviceBusy());
}

} // namespace
