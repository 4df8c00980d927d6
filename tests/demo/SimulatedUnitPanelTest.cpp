#include "demo/SimulatedUnitPanel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSpinBox>
#include <functional>

#include "app/AppFixture.h"
#include "app/MonitorThread.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"

namespace upsconfig::support {
namespace {

const QString kCommLost = QStringLiteral("communication lost,\nplease try again");

// The tool on the simulated unit with the demo's panel beside it, on a unit clock the test
// moves by hand.
class DemoPanel : public AppFixture {
  public:
    using AppFixture::NextStatusRead;  // the table's rows call it
    void SetUp() override {
        AppFixture::SetUp();
        unit.SetClock([this] { return now; });
    }

    // Made with the tool's window as parent, as the demo makes it: it goes with the window.
    SimulatedUnitPanel& Panel() {
        if (!panel) panel = new SimulatedUnitPanel(bus, &Dialog());
        return *panel;
    }
    template <class T>
    T* Find(const char* name) {
        T* widget = Panel().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
    bool Shows(const char* box) {
        Panel().FollowUnit();
        return Find<QCheckBox>(box)->isChecked();
    }

    bool CommunicationLostShown() {
        const auto shown = Messages();
        return std::any_of(shown.begin(), shown.end(),
                           [](const auto& call) { return call.text == kCommLost; });
    }

    // An Apply of one changed setting, answered Yes.
    void ApplyAChange() {
        Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm)->click();
        services.messageAnswers = {ButtonId::Yes};
        Actions().Apply();
    }

    std::int64_t now = 0;
    SimulatedUnitPanel* panel = nullptr;
};

TEST_F(DemoPanel, OnlineDisablesTheVoltageListWithinOneStatusReadAndTheLogShowsTheReads) {
    MainDialog& dialog = Ready();
    Panel();
    NextStatusRead();
    auto* voltage = dialog.Pages().Ups()->Control<QComboBox>(ids::ups::kVoltage);
    ASSERT_TRUE(voltage->isEnabled());

    Click("online");
    EXPECT_TRUE(unit.Online());
    NextStatusRead();
    EXPECT_FALSE(voltage->isEnabled());

    // Newest first: the status read's start-up time after its status.
    auto* log = Find<QListWidget>("log");
    ASSERT_GE(log->count(), 2);
    EXPECT_TRUE(log->item(0)->text().startsWith(QStringLiteral("read  0x09  09 ")));
    EXPECT_EQ(log->item(1)->text(), QStringLiteral("read  0x33  33 07 00 00 00"));
    for (int i = 0; i < SimulatedUnitPanel::kLogLines; ++i)
        app->Reports().ReadStatus();
    QApplication::processEvents();
    EXPECT_EQ(log->count(), SimulatedUnitPanel::kLogLines);
}

// Each of the panel's other controls against the unit and what the tool then does.
class PanelControls;
struct PanelCase {
    const char* name;
    std::function<void(PanelControls&)> run;
};

class PanelControls : public DemoPanel, public testing::WithParamInterface<PanelCase> {
  public:
    using AppFixture::Actions;
    using AppFixture::services;
    using AppFixture::TabLabels;
    using AppFixture::unit;
    ReportLayer& Reports() { return app->Reports(); }
};

TEST_P(PanelControls, DriveTheUnit) {
    Ready();
    Panel();
    GetParam().run(*this);
}

const PanelCase kPanelCases[] = {
    {"OutletsFollowTheToolsCommandsAndThePanel",
     [](PanelControls& t) {
         t.Reports().TurnOutletOff(2);
         EXPECT_FALSE(t.Shows("outlet2"));
         t.Reports().TurnOutletOn(2);
         EXPECT_TRUE(t.Shows("outlet2"));
         t.Click("outlet1");
         EXPECT_FALSE(t.unit.OutletOn(1));
     }},
    {"BatteryTestStartsAndStopsByCommand",
     [](PanelControls& t) {
         t.Reports().StartBatteryTest();
         EXPECT_TRUE(t.Shows("batteryTest"));
         t.Reports().TerminateBatteryTest();
         EXPECT_FALSE(t.Shows("batteryTest"));
     }},
    {"BatteryTestEndsAfterTenSecondsOfTheUnitsClock",
     [](PanelControls& t) {
         t.Click("batteryTest");
         t.now += SimulatedUnit::kBatteryTestMs - 1;
         EXPECT_TRUE(t.Shows("batteryTest"));
         t.now += 1;
         EXPECT_FALSE(t.Shows("batteryTest"));
     }},
    {"FailedTransfersAreCommunicationLost",
     [](PanelControls& t) {
         t.Find<QSpinBox>("failCount")->setValue(99);
         t.Click("failNext");
         t.ApplyAChange();
         EXPECT_TRUE(t.CommunicationLostShown());
     }},
    {"ARefusedReportIsCommunicationLost",
     [](PanelControls& t) {
         t.Find<QSpinBox>("refusedId")->setValue(0x32);
         t.Click("refuse");
         EXPECT_EQ(t.unit.RefusedReport(), std::optional<std::uint8_t>(0x32));
         t.ApplyAChange();
         EXPECT_TRUE(t.CommunicationLostShown());
     }},
    {"UnpluggedIsCommunicationLostUntilPluggedIn",
     [](PanelControls& t) {
         t.Click("plugged");
         t.NextStatusRead();
         t.ApplyAChange();
         EXPECT_TRUE(t.CommunicationLostShown());
         t.Click("plugged");
         t.NextStatusRead();
         t.services.calls.clear();
         t.ApplyAChange();
         EXPECT_FALSE(t.CommunicationLostShown());
     }},
    {"MonitorFirmwareZeroHidesTheTestTabAfterARefresh",
     [](PanelControls& t) {
         const std::size_t tabs = t.TabLabels().size();
         t.Find<QSpinBox>("monitorFirmwareVersion")->setValue(0);
         t.Find<QSpinBox>("modelCode")->setValue(21);
         EXPECT_EQ(t.unit.ModelCode(), 21);
         t.Actions().Refresh();
         t.Actions().Refresh();
         EXPECT_LT(t.TabLabels().size(), tabs);
     }},
};

void PrintTo(const PanelCase& row, std::ostream* os) { *os << row.name; }

INSTANTIATE_TEST_SUITE_P(Controls, PanelControls, testing::ValuesIn(kPanelCases),
                         [](const testing::TestParamInfo<PanelCase>& info) {
                             return info.param.name;
                         });

// The panel beside the tool's window on a screen of 1280 x 1000 available pixels.
TEST(PanelPlacement, StaysInsideTheAvailableScreenArea) {
    const QRect screen(0, 0, 1280, 1000);
    const struct {
        const char* name;
        QRect window;
        QSize panel;
        QRect placed;
    } cases[] = {
        {"right of it", {0, 0, 600, 480}, {400, 400}, {612, 0, 400, 400}},
        {"left of it", {700, 20, 560, 480}, {400, 400}, {288, 20, 400, 400}},
        {"over it, inside", {100, 0, 640, 480}, {700, 400}, {580, 0, 700, 400}},
        {"no taller than the screen", {0, 300, 600, 480}, {400, 1200}, {612, 0, 400, 1000}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SimulatedUnitPanel::PlaceBeside(c.window, c.panel, screen), c.placed) << c.name;
}

}  // namespace
}  // namespace upsconfig::support
