#include "framework/UiPauser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <thread>

#include "framework/BusyScope.h"

namespace upsconfig {
namespace {

// The real pauser must wait for real; kept to a few milliseconds.
TEST(UiPauser, KeepsTheUserInterfaceThreadRunningWhileItWaits) {
    int timerRuns = 0;
    bool waitingSeen = false;
    QTimer::singleShot(1, [&] {
        ++timerRuns;
        waitingSeen = UiPauser::Waiting();
    });
    QElapsedTimer clock;
    clock.start();
    UiPauser::Make()(25);
    EXPECT_GE(clock.elapsed(), 24);
    EXPECT_EQ(timerRuns, 1);  // timers and painting go on during the wait
    EXPECT_TRUE(waitingSeen);
    EXPECT_FALSE(UiPauser::Waiting());
}

TEST(UiPauser, HoldsBackTheClosingOfWindowsUntilTheWaitIsOver) {
    QWidget window;
    window.show();
    bool visibleAfterClose = false;
    QTimer::singleShot(1, [&] {
        window.close();
        visibleAfterClose = window.isVisible();
    });
    UiPauser::Pause(20);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_FALSE(window.isVisible());  // closed once the wait ended
    window.show();
    window.close();  // outside a wait nothing is held back
    EXPECT_FALSE(window.isVisible());
}

TEST(UiPauser, SleepsOnOtherThreadsWithoutTouchingTheEventLoop) {
    bool waitingThere = true;
    qint64 elapsed = 0;
    std::thread worker([&] {
        QElapsedTimer clock;
        clock.start();
        UiPauser::Pause(15);
        elapsed = clock.elapsed();
        waitingThere = UiPauser::Waiting();
    });
    worker.join();
    EXPECT_GE(elapsed, 14);
    EXPECT_FALSE(waitingThere);
}

TEST(BusyScope, ShowsTheBusyCursorAndStatusForItsLifetime) {
    std::vector<QString> statuses;
    EXPECT_FALSE(BusyScope::Active());
    {
        BusyScope busy("Looking for the UPS", [&](const QString& s) { statuses.push_back(s); });
        EXPECT_TRUE(BusyScope::Active());
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_FALSE(BusyScope::Active());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(statuses, (std::vector<QString>{"Looking for the UPS", QString()}));
}

}  // namespace
}  // namespace upsconfig
