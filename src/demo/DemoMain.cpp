#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <utility>

#include "app/AboutDialog.h"
#include "app/ConfigToolApp.h"
#include "app/MainDialog.h"
#include "app/ProgramOptions.h"
#include "demo/SimulatedUnitPanel.h"
#include "device/Diagnosis.h"
#include "framework/AppServices.h"
#include "framework/CommErrorDialog.h"
#include "framework/TabControl.h"
#include "framework/UiPauser.h"
#include "framework/UnitChoiceDialog.h"
#include "pages/OutletPage.h"
#include "pages/UpsPage.h"
#include "resources/Ids.h"
#include "sim/SimulatedUps.h"
#include "unit/ModelTable.h"
#include "unit/SettingsImage.h"

namespace {

using upsconfig::FieldId;

// The settings a unit holds when it leaves the factory, so every page shows a real choice.
upsconfig::SettingsImage DemoImage(int model) {
    using upsconfig::ModelTable;
    using upsconfig::SetField;
    using upsconfig::SetWord;
    upsconfig::SettingsImage image;
    const auto group = ModelTable::GroupOf(model);
    if (auto position = ModelTable::FactoryDefaultPosition(group))
        if (auto code = ModelTable::CodeOfPosition(group, *position))
            SetField(image, FieldId::bOutputLevel, static_cast<unsigned>(*code));
    SetField(image, FieldId::bReverseDect, ModelTable::ShowsReverseDetection(model) ? 1 : 0);
    SetField(image, FieldId::bAlarmCtrl, 1);
    SetField(image, FieldId::bAutoStartEn, 1);
    SetField(image, FieldId::bShutDownLogic, 1);  // normally open
    SetField(image, FieldId::bLowBattTime, 2);
    SetField(image, FieldId::bAutoBattTestEn, 1);
    SetField(image, FieldId::bParalConfig, 1);
    SetField(image, FieldId::bParalAddr, 1);
    for (FieldId bit : {FieldId::bPROVOB_1, FieldId::bPROVRL_1, FieldId::bPROVCL_1,
                        FieldId::bPROVOB_2, FieldId::bPROVRL_2, FieldId::bPROVCL_2})
        SetField(image, bit, 1);
    for (FieldId time : {FieldId::OutletOffAftACOffDT_H_A, FieldId::OutletOffAftACOffDT_H_B,
                         FieldId::BatWeakRunTime_H_A, FieldId::BatWeakRunTime_H_B})
        SetWord(image, time, 300);
    SetField(image, FieldId::BatWeakPer_A, 20);
    SetField(image, FieldId::BatWeakPer_B, 20);
    SetField(image, FieldId::bECO_Vol_Tol, 1);   // 10 %
    SetField(image, FieldId::bECO_Freq_Tol, 2);  // 3 Hz
    SetField(image, FieldId::bModelCode, static_cast<unsigned>(model));
    return image;
}

// Grabs a window as it shows now into directory/name; false (with a message) when it cannot.
bool Save(QWidget& window, const QString& directory, const QString& name) {
    window.show();
    QApplication::processEvents();  // layouts and the posted updates of what was just shown
    const QString path = QDir(directory).filePath(name);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Message boxes as the window raises them: each is pictured instead of asked, and answered so
// that nothing reaches the unit.
class PicturedBoxes : public upsconfig::AppServices {
  public:
    PicturedBoxes(QString directory) : directory_(std::move(directory)) {
        upsconfig::SetServices(this);
    }
    ~PicturedBoxes() override { upsconfig::SetServices(nullptr); }

    // The next box goes to name and is answered so.
    void Next(const QString& name, int answer) {
        name_ = name;
        answer_ = answer;
    }
    bool Saved() const { return saved_ && name_.isEmpty(); }

    int ShowMessage(QWidget* owner, const QString& text, const QString& caption, unsigned style,
                    const QString& details) override {
        const auto box = upsconfig::MakeMessageBox(owner, text, caption, style, details);
        // With its details open, where it has them.
        for (QPushButton* button : box->findChildren<QPushButton*>())
            if (box->buttonRole(button) == QMessageBox::ActionRole) button->click();
        saved_ = !name_.isEmpty() && Save(*box, directory_, name_) && saved_;
        name_.clear();
        return answer_;
    }

  private:
    QString directory_;
    QString name_;
    int answer_ = upsconfig::ButtonId::Cancel;
    bool saved_ = true;
};

bool SaveQuestions(upsconfig::ConfigToolApp& tool, const QString& directory) {
    namespace ButtonId = upsconfig::ButtonId;
    upsconfig::MainDialog& dialog = tool.Dialog();
    PicturedBoxes boxes(directory);
    bool saved = true;
    if (upsconfig::OutletPage* outlet = dialog.Pages().Outlet(1); outlet->TabIndex() != -1) {
        tool.Reports().Flags().outlet1On = 1;
        dialog.Pages().ApplyState();
        boxes.Next(QStringLiteral("turn-off-question.png"), ButtonId::No);
        outlet->Control<QPushButton>(upsconfig::ids::outlet::kTurnOff)->click();
        saved &= boxes.Saved();
    }
    auto* alarm = dialog.Pages().Ups()->Control<QCheckBox>(upsconfig::ids::ups::kAlarm);
    alarm->toggle();
    boxes.Next(QStringLiteral("save-question.png"), ButtonId::Cancel);
    dialog.Actions().Apply();
    saved &= boxes.Saved();
    boxes.Next(QStringLiteral("changes-not-applied.png"), ButtonId::Cancel);
    dialog.Actions().Refresh();
    saved &= boxes.Saved();
    alarm->toggle();
    return saved;
}

// The choice among several units, and the communication-error dialog with the diagnosis of a
// unit pulled out (of a machine without sysfs, so the pictures are the same everywhere).
bool SaveUnitDialogs(upsconfig::ConfigToolApp& tool, upsconfig::SimulatedUps& bus,
                     const QString& directory) {
    upsconfig::MainDialog& dialog = tool.Dialog();
    const QString model =
        dialog.Pages().Ups()->Control<QLineEdit>(upsconfig::ids::ups::kModelName)->text();
    upsconfig::UnitChoiceDialog choice({model + QStringLiteral("   serial 3C0A1   /dev/hidraw2"),
                                        model + QStringLiteral("   serial 3C0B7   /dev/hidraw5")},
                                       &dialog);
    bool saved = Save(choice, directory, QStringLiteral("unit-choice.png"));
    choice.close();
    bus.Unplug();
    const upsconfig::HostView nowhere{"/nonexistent/sys", {}, "/nonexistent/seats", {}};
    upsconfig::CommErrorDialog commError(
        &dialog,
        QString::fromStdString(upsconfig::DiagnosisText(upsconfig::Diagnose(bus, nowhere, {}))));
    saved &= Save(commError, directory, QStringLiteral("communication-error-diagnosis.png"));
    commError.close();
    bus.Replug();
    return saved;
}

int TakeScreenshots(upsconfig::ConfigToolApp& tool, upsconfig::SimulatedUnitPanel& panel,
                    const QString& directory) {
    upsconfig::MainDialog& dialog = tool.Dialog();
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(directory));
        return 1;
    }
    // Until the monitor's first status read, seconds away, the window takes the unit for online
    // and keeps the standby-only settings disabled; read the status now and show its outcome.
    tool.Reports().ReadStatus();
    dialog.Pages().ApplyState();
    upsconfig::TabControl* tabs = dialog.Pages().Tabs();
    bool saved = true;
    for (int i = 0; i < tabs->TabCount(); ++i) {
        tabs->SetCurrentIndex(i);
        dialog.Pages().ShowSelected();
        saved &= Save(dialog, directory,
                      QStringLiteral("%1-%2.png")
                          .arg(i + 1, 2, 10, QLatin1Char('0'))
                          .arg(tabs->TabText(i).trimmed().replace(' ', '-').toLower()));
    }
    upsconfig::CommErrorDialog commError(&dialog);
    saved &= Save(commError, directory, QStringLiteral("communication-error.png"));
    commError.close();
    upsconfig::AboutDialog about(&dialog);
    saved &= Save(about, directory, QStringLiteral("about.png"));
    about.close();
    saved &= Save(panel, directory, QStringLiteral("simulated-unit.png"));
    saved &= SaveQuestions(tool, directory);
    saved &= SaveUnitDialogs(tool, panel.Bus(), directory);
    dialog.Actions().EndWindow();
    return saved ? 0 : 1;
}

constexpr char kUsage[] =
    "Usage: upsconfig-demo [--model N] [--screenshots DIR]\n"
    "\n"
    "The UPS configuration tool on a simulated unit, beside a \"Simulated unit\" window that\n"
    "drives the unit: its identity, online or standby, outlets, battery test, cable and faults,\n"
    "with a log of the reports exchanged.\n"
    "\n"
    "  --model N          model code of the simulated unit (1-255, default 3)\n"
    "  --screenshots DIR  save every tab, the communication-error dialog, the About box, the\n"
    "                     simulated unit's window and the window's questions as PNG files\n"
    "                     into DIR, then exit\n"
    "  -h, --help         show this help and exit\n"
    "  --version          show the version and the unit ids it is built for, then exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are accepted too.\n";

}  // namespace

// The tool on a simulated unit in standby: a first look without hardware, and screenshots.
int main(int argc, char** argv) {
    if (auto done = upsconfig::AnswerHelpOrVersion(argc, argv, "upsconfig-demo", kUsage))
        return *done;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("upsconfig-demo"));

    QCommandLineParser parser;
    const QCommandLineOption modelOption(QStringLiteral("model"), QString(), QStringLiteral("N"),
                                         QStringLiteral("3"));
    const QCommandLineOption screenshotsOption(QStringLiteral("screenshots"), QString(),
                                               QStringLiteral("DIR"));
    parser.addOption(modelOption);
    parser.addOption(screenshotsOption);
    if (!parser.parse(QApplication::arguments())) {
        return upsconfig::RefuseCommandLine("upsconfig-demo", parser.errorText().toStdString(),
                                            kUsage);
    }
    if (!parser.positionalArguments().isEmpty()) {
        const QString extra = parser.positionalArguments().first();
        return upsconfig::RefuseCommandLine("upsconfig-demo",
                                            "unexpected argument " + extra.toStdString(), kUsage);
    }

    bool ok = false;
    const int model = parser.value(modelOption).toInt(&ok);
    if (!ok || model < 1 || model > 255) {
        std::fprintf(stderr, "--model takes a model code from 1 to 255\n");
        return 2;
    }

    upsconfig::SimulatedUps bus;
    upsconfig::SimulatedUnit& unit = bus.Unit();
    unit.SetClock([] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    });
    unit.SetModelCode(static_cast<std::uint8_t>(model));
    unit.SetVersions(1, 12, 3);  // a monitor firmware version: the version tab shows
    unit.SetOnline(false);       // standby, so every setting can be edited
    unit.SetStartupSeconds(3 * 86400 + 4 * 3600 + 5 * 60);
    unit.LoadImage(DemoImage(model));

    upsconfig::ConfigToolApp tool(bus, upsconfig::UiPauser::Make());
    tool.Dialog().Actions().SetSimulatedUnit(true);
    // A child window of the tool's, so the tool's modal run leaves it usable; it goes with the
    // tool's window, after the monitor thread that reports transfers to it. Made first, its log
    // holds the start-up's reads.
    auto* panel = new upsconfig::SimulatedUnitPanel(bus, &tool.Dialog());
    if (!tool.Initialise()) return 0;
    if (parser.isSet(screenshotsOption))
        return TakeScreenshots(tool, *panel, parser.value(screenshotsOption));
    QTimer::singleShot(0, panel, [panel, &tool] { panel->ShowBeside(tool.Dialog()); });
    tool.Exec();
    return 0;
}
