#include "app/MonitorThread.h"

#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <sys/syscall.h>
#include <unistd.h>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>

#include <atomic>
#include <thread>

#include "app/AppFixture.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

using Direction = SimulatedUps::Direction;

// The kernel's id of the calling thread; /proc/self/task/<id> exists while it runs. Counting
// all threads would be fooled by the helper threads Qt starts and ends on its own.
long KernelThreadId() { return static_cast<long>(::syscall(SYS_gettid)); }

bool ThreadExists(long id) { return QDir("/proc/self/task/" + QString::number(id)).exists(); }

class Monitor : public AppFixture {};

TEST_F(Monitor, ReadsTheStatusOnEvery161stPassAndFollowsTheUnit) {
    unit.SetOutlet(1, true);
    unit.SetOutlet(2, false);
    unit.SetStartupSeconds(3725);
    MainDialog& dialog = Start();
    UpsFlags& flags = Flags();
    ASSERT_TRUE(gate->WaitForWaits(1));
    // The 160 passes before the first read are one wait, the 161 between reads another.
    EXPECT_EQ(gate->Lengths(), std::vector<int>{3200});
    EXPECT_EQ(bus.CountTransfers(Direction::Get, 0x33), 0);
    EXPECT_EQ(flags.upsOn.load(), 1);  // still the start value

    NextStatusRead();
    EXPECT_EQ(gate->Lengths(), (std::vector<int>{3200, 3220}));
    EXPECT_EQ(bus.CountTransfers(Direction::Get, 0x33), 1);
    EXPECT_EQ(bus.CountTransfers(Direction::Get, 0x09), 1);  // the test-info flag is set
    EXPECT_EQ(flags.upsOn.load(), 0);
    EXPECT_EQ(flags.outlet1On.load(), 1);
    EXPECT_EQ(flags.outlet2On.load(), 0);
    // The state update reaches the page through the window's queue: standby-only settings open.
    QComboBox* voltage = dialog.Pages().Ups()->Control<QComboBox>(ids::ups::kVoltage);
    EXPECT_TRUE(voltage->isEnabled());
    EXPECT_FALSE(dialog.Pages()
                     .TestInfo()
                     ->Control<QLineEdit>(ids::testinfo::kTimeSinceStartup)
                     ->text()
                     .isEmpty());

    // The unit goes online and outlet 1 off: seen at the next status read, not before.
    unit.SetOnline(true);
    unit.SetOutlet(1, false);
    QApplication::processEvents();
    EXPECT_EQ(flags.upsOn.load(), 0);
    EXPECT_TRUE(voltage->isEnabled());
    NextStatusRead();
    EXPECT_EQ(bus.CountTransfers(Direction::Get, 0x33), 2);
    EXPECT_EQ(flags.upsOn.load(), 1);
    EXPECT_EQ(flags.outlet1On.load(), 0);

    EXPECT_FALSE(voltage->isEnabled());
    for (int id : ids::ups::kFrequency)
        EXPECT_FALSE(dialog.Pages().Ups()->Control<QRadioButton>(id)->isEnabled()) << id;
    // Outlet 1 is off now: its page offers Turn On alone.
    EXPECT_TRUE(dialog.Pages().Outlet(1)->Control<QPushButton>(ids::outlet::kTurnOn)->isEnabled());
    EXPECT_FALSE(
        dialog.Pages().Outlet(1)->Control<QPushButton>(ids::outlet::kTurnOff)->isEnabled());
    EXPECT_FALSE(dialog.Pages().Outlet(1)->Control<QPushButton>(ids::outlet::kReboot)->isEnabled());
    // Factory Setting now refuses.
    dialog.Actions().FactorySetting();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Factory Default");
}

TEST_F(Monitor, ExitDuringAStatusReadEndsWithinOnePassAndLeavesNoThread) {
    MainDialog& dialog = Start();
    QApplication::processEvents();
    std::atomic<long> monitorThread{0};

    // The status read fails, and its first retry pause holds the monitor until Exit has
    // cleared keep-polling.
    bus.FailReport(0x33);
    std::atomic<bool> inRead{false};
    const std::thread::id uiThread = std::this_thread::get_id();
    pauser.onPause = [&](int) {
        if (std::this_thread::get_id() == uiThread) return;
        monitorThread = KernelThreadId();
        inRead = true;
        while (Flags().keepPolling.load() != 0)
            std::this_thread::yield();
    };
    ASSERT_TRUE(gate->WaitForWaits(1));
    gate->Allow(1);
    while (!inRead)
        std::this_thread::yield();

    QTest::mouseClick(Button(ids::window::kExit), Qt::LeftButton);

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.MonitorRunning());
    // The read gave up before its second attempt and no wait followed it.
    EXPECT_EQ(bus.CountTransfers(Direction::Get, 0x33), 1);
    EXPECT_EQ(gate->Waits(), 1);
    ASSERT_NE(monitorThread.load(), 0);
    EXPECT_FALSE(ThreadExists(monitorThread));
    pauser.onPause = nullptr;
}

// Choosing a number of units refills the unit-id list; while the UPS is on, both lists stay
// disabled, no monitor pass needed.
TEST_F(Monitor, OnlineKeepsTheParallelListsDisabledWhenTheUnitsAreChosen) {
    SettingsImage held = HeldSettings(21);
    SetField(held, FieldId::bOutputLevel, 8);  // 230 V, a choice of this model
    unit.LoadImage(held);
    unit.SetOnline(true);
    MainDialog& dialog = Start();
    ASSERT_TRUE(gate->WaitForWaits(1));
    auto* units = dialog.Pages().Parallel()->Control<QComboBox>(ids::parallel::kUnits);
    auto* ids = dialog.Pages().Parallel()->Control<QComboBox>(ids::parallel::kUnitId);
    ASSERT_FALSE(units->isEnabled());
    ASSERT_FALSE(ids->isEnabled());

    emit units->activated(2);
    EXPECT_EQ(ids->count(), 3);
    EXPECT_FALSE(units->isEnabled());
    EXPECT_FALSE(ids->isEnabled());
}

// At rest nothing wakes the window: a status read hands an update over only when a flag
// changed, the page follows it at once, and Exit still ends the monitor's wait at once.
TEST_F(Monitor, HandsOverOnlyChangesWithinOneStatusReadAndExitStaysPrompt) {
    unit.SetVersions(1, 12, 0);  // no time since start-up, which changes at every read
    MainDialog& dialog = Ready();
    struct Updates : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::MetaCall) ++count;
            return false;
        }
    } updates;
    dialog.installEventFilter(&updates);
    QComboBox* voltage = dialog.Pages().Ups()->Control<QComboBox>(ids::ups::kVoltage);
    ASSERT_FALSE(voltage->isEnabled());  // online, the start value

    NextStatusRead();  // standby: a change
    EXPECT_EQ(updates.count, 1);
    EXPECT_TRUE(voltage->isEnabled());
    for (int i = 0; i < 3; ++i)
        NextStatusRead();  // nothing changes
    EXPECT_EQ(updates.count, 1);
    unit.SetOnline(true);
    NextStatusRead();
    EXPECT_EQ(updates.count, 2);
    EXPECT_FALSE(voltage->isEnabled());
    dialog.removeEventFilter(&updates);

    const int waits = gate->Waits();
    QTest::mouseClick(Button(ids::window::kExit), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.MonitorRunning());
    EXPECT_EQ(gate->Waits(), waits);  // the wait under way was the last
}

}  // namespace
}  // namespace upsconfig::support
