#include "pages/TestInfoPage.h"

#include <QLineEdit>
#include <QPushButton>

#include "resources/Ids.h"

namespace upsconfig {

namespace {

using namespace ids::testinfo;

QString TimeSinceStartupText(std::int32_t s) {
    // C++ division truncates toward zero and % takes the sign of s, so a negative count gives
    // negative parts throughout.
    const std::int32_t days = s / 86400;
    const std::int32_t hours = (s % 86400) / 3600;
    const std::int32_t minutes = (s % 3600) / 60;
    const std::int32_t seconds = s % 60;
    return QStringLiteral("%1 Days %2 hours %3 mitutes %4 seconds ")
        .arg(days)
        .arg(hours)
        .arg(minutes)
        .arg(seconds);
}

}  // namespace

TestInfoPage::TestInfoPage(ReportLayer& reports, QWidget* parent)
    : SettingsPage(Template(ids::dialog::kTestInfoPage), parent), reports_(reports) {
    SetEnterEscapeFilter(false);
    // The unit reports no test result: the window says only whether it took the command.
    // The buttons stay enabled while the unit answers.
    connect(Control<QPushButton>(kStartTest), &QPushButton::clicked, this, [this] {
        RunCommand(QStringLiteral("Start test"), QStringLiteral("the UPS"),
                   [this] { return reports_.StartBatteryTest(); });
    });
    connect(Control<QPushButton>(kTerminateTest), &QPushButton::clicked, this, [this] {
        RunCommand(QStringLiteral("Terminate test"), QStringLiteral("the UPS"),
                   [this] { return reports_.TerminateBatteryTest(); });
    });
}

void TestInfoPage::DisableAllControls() {
    for (int id : {kTimeSinceStartup, kHardware, kPowerFirmware, kMonitorFirmware})
        Control<QLineEdit>(id)->setEnabled(false);
}

void TestInfoPage::SetUnitReachable(bool reachable) {
    for (int id : {kStartTest, kTerminateTest})
        Control<QPushButton>(id)->setEnabled(reachable);
}

void TestInfoPage::ShowVersions(int hardware, int powerFirmware, int monitorFirmware) {
    Control<QLineEdit>(kHardware)->setText(QStringLiteral("H%1").arg(hardware));
    Control<QLineEdit>(kPowerFirmware)->setText(QStringLiteral("U%1").arg(powerFirmware));
    Control<QLineEdit>(kMonitorFirmware)->setText(QStringLiteral("D%1").arg(monitorFirmware));
}

void TestInfoPage::ShowTimeSinceStartup(std::int32_t seconds) {
    Control<QLineEdit>(kTimeSinceStartup)->setText(TimeSinceStartupText(seconds));
}

}  // namespace upsconfig
