#include "app/LanguageUpload.h"

#include <QCoreApplication>
#include <QDir>

#include "device/ReportLayer.h"
#include "framework/AppServices.h"

namespace upsconfig {
namespace {

constexpr int kEndDelayMs = 500;
constexpr int kMonitorStepMs = 100;

QString Caption() { return QString::fromLatin1(kLanguageUploadCaption); }

}  // namespace

QString LanguageUploadConfirmation() {
    return QStringLiteral(
        "The upload process will switch the display controller into a flash update "
        "\"bootloader\" mode. While in this mode the display will appear blank and "
        "non-responsive, this is normal.\r\n\r\nBefore continuing, please verify that you "
        "installed the required PC driver for USB communications to the display while it is in "
        "bootloader mode. If you have not already done this, please cancel this window and run "
        "the following driver installation package before proceeding. \"[CD drive "
        "letter]:\\Software\\ Language Tool\\Driver For Language Tool \\KVR8 Language Tool "
        "Driver 1.0 Installer.exe\"\r\n\r\nPress OK to reboot the UPS display into flash update "
        "mode to continue, or press Cancel to abort.\r\n\r\nNote: Once the display reboots into "
        "update mode it will show a black screen until the upload process is complete. If there "
        "are any issues during the upload and the process will not complete automatically, you "
        "can press the ESC button on the UPS display to reboot the display back into normal mode "
        "and try again.\r\n");
}

QString LanguageToolPath(const QString& programFolder) {
    return QDir::toNativeSeparators(programFolder +
                                    QStringLiteral("/Include/KVR8_Language_Tool.exe"));
}

QString LanguageToolPath() { return LanguageToolPath(QCoreApplication::applicationDirPath()); }

void UploadLanguage(QWidget* owner, ReportLayer& reports, const Pauser& pause,
                    const std::function<bool()>& monitorRunning,
                    const std::function<void()>& endWindow, const QString& toolPath) {
    if (ShowMessage(owner, LanguageUploadConfirmation(), Caption(),
                    MessageStyle::OkCancel | MessageStyle::IconQuestion) != ButtonId::Ok)
        return;

    // Without the tool nobody could bring the display out of its update mode again, so look
    // before anything is sent.
    if (!Services().FileExists(toolPath)) {
        ShowMessage(owner,
                    QStringLiteral("The language tool was not found. It was looked for here:\n%1"
                                   "\n\nNothing was sent to the UPS.")
                        .arg(toolPath),
                    Caption(), MessageStyle::Ok | MessageStyle::IconStop);
        return;
    }

    reports.RequestBootloader();

    // The exact file, no shell: a folder with blanks cannot start something else.
    if (!Services().LaunchProgram(toolPath)) {
        ShowMessage(owner,
                    QStringLiteral("The language tool could not be started:\n%1\n\n"
                                   "The UPS display may now be in its update mode. Press the ESC "
                                   "button on the UPS display to bring it back to normal mode.")
                        .arg(toolPath),
                    Caption(), MessageStyle::Ok | MessageStyle::IconStop);
    }

    reports.Flags().StopPolling();
    pause(kEndDelayMs);
    // The monitor may still be in a pass that touches the pages; the window stays until it ends.
    while (monitorRunning && monitorRunning())
        pause(kMonitorStepMs);
    endWindow();
}

void UploadLanguage(QWidget* owner, ReportLayer& reports, const Pauser& pause,
                    const std::function<bool()>& monitorRunning,
                    const std::function<void()>& endWindow) {
    UploadLanguage(owner, reports, pause, monitorRunning, endWindow, LanguageToolPath());
}

}  // namespace upsconfig
