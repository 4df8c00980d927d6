#include "app/SettingsFileActions.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <filesystem>

#include "device/ReportLayer.h"
#include "framework/AppServices.h"

namespace upsconfig {
namespace {

const QString kDownloadCaption = QStringLiteral("Download Settings");
const QString kUploadCaption = QStringLiteral("Upload Settings");

std::filesystem::path FileSystemPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString ForDisplay(const QString& path) { return QDir::toNativeSeparators(path); }

QString ReasonLine(const std::string& reason) {
    return reason.empty() ? QString()
                          : QStringLiteral("\n\nReason: %1").arg(QString::fromLocal8Bit(reason));
}

}  // namespace

void DownloadSettings(SettingsFileHost& host, const LocalClock& clock) {
    if (!host.PagesLoaded()) {
        ShowMessage(host.Owner(),
                    QStringLiteral("The settings of the UPS have not been read, so there is "
                                   "nothing to save yet.\n\nNo file was written."),
                    kDownloadCaption, MessageStyle::Ok | MessageStyle::IconExclamation);
        return;
    }
    // The pages are packed before the dialog opens: the file holds what they showed when the
    // button was pressed.
    SettingsImage working = host.Image();
    if (!host.StorePagesWithTabs(working)) return;

    const std::optional<QString> path = Services().GetSaveFileName(host.Owner());
    if (!path) return;

    const WriteResult result = WriteSettingsFile(FileSystemPath(*path), working, clock);
    if (result) return;
    ShowMessage(host.Owner(),
                QStringLiteral("The settings could not be saved to the file\n%1%2\n\n"
                               "Nothing was written; a file of that name that was there before "
                               "is unchanged.")
                    .arg(ForDisplay(*path), ReasonLine(result.reason)),
                kDownloadCaption, MessageStyle::Ok | MessageStyle::IconStop);
}

std::optional<QString> UploadSettings(SettingsFileHost& host) {
    if (host.UpsOn()) {
        ShowMessage(host.Owner(),
                    QStringLiteral("Can't upload settings while the UPS is online. Please \r\n"
                                   "change to standby mode and try again."),
                    kUploadCaption, MessageStyle::Ok);
        return std::nullopt;
    }

    const std::optional<QString> path = Services().GetOpenFileName(host.Owner());
    if (!path) return std::nullopt;

    // Read into a copy: a file that fails part way must not leave half its values behind, and
    // the pages keep their unapplied edits unless the file really holds settings.
    SettingsImage working = host.Image();
    const ReadResult result = ReadSettingsFile(FileSystemPath(*path), working);
    if (!result.opened) {
        ShowMessage(host.Owner(),
                    QStringLiteral("The file\n%1\ncould not be read.%2\n\n"
                                   "The settings on the pages are unchanged.")
                        .arg(ForDisplay(*path), ReasonLine(result.reason)),
                    kUploadCaption, MessageStyle::Ok | MessageStyle::IconStop);
        return std::nullopt;
    }
    if (result.keysFound == 0) {
        ShowMessage(host.Owner(),
                    QStringLiteral("The file\n%1\nholds no settings.\n\n"
                                   "The settings on the pages are unchanged.")
                        .arg(ForDisplay(*path)),
                    kUploadCaption, MessageStyle::Ok | MessageStyle::IconStop);
        return std::nullopt;
    }
    ShowLoadedSettings(host, working);
    return path;
}

void ShowLoadedSettings(SettingsFileHost& host, const SettingsImage& loaded) {
    // The file names no model: the connected unit's model code stays.
    ReportLayer::AdoptImage(loaded, host.Image());
    host.ShareImage();
    host.LoadPagesFromImage();
}

}  // namespace upsconfig
