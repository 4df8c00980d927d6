#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>

#include "app/ConfigToolApp.h"
#include "app/MainDialog.h"
#include "framework/TabControl.h"
#include "framework/UiPauser.h"
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

// Lets the window settle: layouts, the first state updates of the monitor.
void Settle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

int TakeScreenshots(upsconfig::ConfigToolApp& tool, const QString& directory) {
    upsconfig::MainDialog& dialog = tool.Dialog();
    const std::atomic<int>& upsOn = tool.Reports().Flags().upsOn;
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(directory));
        return 1;
    }
    dialog.show();
    // Until the monitor's first status read (about 3.2 s) the window takes the unit for online
    // and keeps the standby-only settings disabled; show the window as it is after that.
    QElapsedTimer waited;
    waited.start();
    while (upsOn.load() != 0 && waited.elapsed() < 6000)
        Settle(50);
    Settle(100);
    upsconfig::TabControl* tabs = dialog.Pages().Tabs();
    int failures = 0;
    for (int i = 0; i < tabs->TabCount(); ++i) {
        tabs->SetCurrentIndex(i);
        dialog.Pages().ShowSelected();
        Settle(100);
        const QString name = QStringLiteral("%1-%2.png")
                                 .arg(i + 1, 2, 10, QLatin1Char('0'))
                                 .arg(tabs->TabText(i).trimmed().replace(' ', '-').toLower());
        const QString path = QDir(directory).filePath(name);
        if (!dialog.grab().save(path)) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
            ++failures;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
    }
    dialog.Actions().EndWindow();
    return failures == 0 ? 0 : 1;
}

}  // namespace

// The tool on a simulated unit in standby: a first look without hardware, and screenshots.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("upsconfig-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The UPS configuration tool on a simulated unit."));
    parser.addHelpOption();
    const QCommandLineOption modelOption(
        QStringLiteral("model"), QStringLiteral("Model code of the simulated unit (1-255)."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"),
        QStringLiteral("Save the main window with each tab selected as PNG files into DIR, "
                       "then exit."),
        QStringLiteral("DIR"));
    parser.addOption(modelOption);
    parser.addOption(screenshotsOption);
    parser.process(application);

    bool ok = false;
    const int model = parser.value(modelOption).toInt(&ok);
    if (!ok || model < 1 || model > 255) {
        std::fprintf(stderr, "--model takes a model code from 1 to 255\n");
        return 2;
    }

    upsconfig::SimulatedUps bus;
    upsconfig::SimulatedUnit& unit = bus.Unit();
    unit.SetModelCode(static_cast<std::uint8_t>(model));
    unit.SetVersions(1, 12, 3);  // a monitor firmware version: the version tab shows
    unit.SetOnline(false);       // standby, so every setting can be edited
    unit.SetStartupSeconds(3 * 86400 + 4 * 3600 + 5 * 60);
    unit.LoadImage(DemoImage(model));

    upsconfig::ConfigToolApp tool(bus, upsconfig::UiPauser::Make());
    if (!tool.Initialise()) return 0;
    if (parser.isSet(screenshotsOption))
        return TakeScreenshots(tool, parser.value(screenshotsOption));
    tool.Exec();
    return 0;
}
