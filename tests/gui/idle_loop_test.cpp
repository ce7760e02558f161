#include <QDialog>
#include <QTest>
#include <thread>

#include "desktop_fixture.h"

namespace ostinel::testing {
namespace {

class IdleLoopTest : public DesktopTest {
  protected:
    // Lets the event loop take what is waiting, the wake-up included.
    void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
};

TEST_F(IdleLoopTest, AStoppedProgramSleeps) {
    Settle();
    EXPECT_FALSE(window_.Idle().Running());
    EXPECT_FALSE(engine_.NeedsIdlePass());
}

TEST_F(IdleLoopTest, ARequestFromAnotherThreadIsCarriedOutAtOnce) {
    std::thread poster([this] { engine_.Requests().PostRequest(TransportRequest::PlayFile); });
    poster.join();
    // The timer is not running: only the wake-up can start the pass.
    ASSERT_FALSE(window_.Idle().Running());
    ASSERT_TRUE(QTest::qWaitFor([this] { return GetTransport().Mode().playingFile; }, 5000));
    // Now something plays: the pass runs on its timer.
    EXPECT_TRUE(window_.Idle().Running());
    // Its key flashes, then stays lit for the running mode.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return Area().Layout().State(views::element::kPlayFile) == views::kStateLit; },
        5000));
}

TEST_F(IdleLoopTest, TheFollowersAutomaticStartWakesTheLoop) {
    // The soloist's first note, heard on the input thread, asks to follow from there.
    std::thread input(
        [this] { engine_.Reports().ReportJump(ScorePosition{2000}, clock_.Now(), 1 << 16); });
    input.join();
    ASSERT_FALSE(window_.Idle().Running());
    // Only the wake-up can run the pass that takes the request.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !engine_.Reports().RestartPending(); }, 5000));
}

TEST_F(IdleLoopTest, UnavailableRequestsAreDroppedAndStopAlwaysRuns) {
    // At position 0 there is nothing to rewind.
    engine_.Requests().PostRequest(TransportRequest::Rewind);
    engine_.Requests().PostRequest(TransportRequest::PlayFile);
    window_.Idle().RunPass();
    EXPECT_FALSE(GetTransport().Mode().rewinding);
    EXPECT_TRUE(GetTransport().Mode().playingFile);
    engine_.Requests().PostRequest(TransportRequest::Stop);
    window_.Idle().RunPass();
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_FALSE(window_.Idle().Running());
}

TEST_F(IdleLoopTest, NoPassRunsWhileAMessageBoxIsOpen) {
    QDialog box(&window_);
    box.setModal(true);
    box.show();
    ASSERT_NE(QApplication::activeModalWidget(), nullptr);
    engine_.Requests().PostRequest(TransportRequest::PlayFile);
    window_.Idle().RunPass();
    EXPECT_FALSE(GetTransport().Mode().playing);
    box.hide();
    window_.Idle().RunPass();
    EXPECT_TRUE(GetTransport().Mode().playingFile);
}

TEST_F(IdleLoopTest, AThirtyThirdRequestPushesOutTheOldest) {
    // 32 Stops behind a Play File: the 33rd pushes the Play File out.
    engine_.Requests().PostRequest(TransportRequest::PlayFile);
    for (int i = 0; i < 32; ++i)
        engine_.Requests().PostRequest(TransportRequest::Stop);
    window_.Idle().RunPass();
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_EQ(engine_.Requests().TakeRequest(), TransportRequestQueue::kNoRequest);
}

TEST_F(IdleLoopTest, TheSpaceBarPlaysAndStopsAndTellsTheTapReader) {
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    QTest::keyPress(&window_, Qt::Key_Space);
    EXPECT_TRUE(engine_.Keys().SpaceBarDown());
    EXPECT_TRUE(GetTransport().Mode().following);
    QTest::keyRelease(&window_, Qt::Key_Space);
    EXPECT_FALSE(engine_.Keys().SpaceBarDown());
    QTest::keyClick(&window_, Qt::Key_Space);
    EXPECT_FALSE(GetTransport().Mode().playing);
}

TEST_F(IdleLoopTest, TheRightMouseButtonIsATapKey) {
    const QPoint at = Area().ElementCenter(views::element::kTitleText);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), Area().mapToGlobal(QPointF(at)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&Area(), &press);
    EXPECT_TRUE(engine_.Keys().RightButtonDown());
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), Area().mapToGlobal(QPointF(at)),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&Area(), &release);
    EXPECT_FALSE(engine_.Keys().RightButtonDown());
}

}  // namespace
}  // namespace ostinel::testing

namespace ostinel::testing {
namespace {

class IdleSleepTest : public DesktopTest {};

TEST_F(IdleSleepTest, ThePieceEndingStopsThePassTimer) {
    window_.DispatchCommand(121);  // Play File
    EXPECT_TRUE(window_.Idle().Running());
    RunFor((GetTransport().End() + 200).Ms());
    window_.Idle().RunPass();
    EXPECT_FALSE(GetTransport().Mode().playing);
    EXPECT_FALSE(window_.Idle().Running());
}

}  // namespace
}  // namespace ostinel::testing
