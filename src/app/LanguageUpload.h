#pragma once

#include <QString>
#include <functional>

#include "device/Pauser.h"

class QWidget;

namespace upsconfig {

class ReportLayer;

// Texts of the language upload.
QString LanguageUploadConfirmation();
inline constexpr const char* kLanguageUploadCaption = "Language upload";

// Where the language tool is looked for: the folder Include beside the program file, in the
// platform's own separators.
QString LanguageToolPath(const QString& programFolder);
// The same for the running program.
QString LanguageToolPath();

// The "Upload language" button: after the user confirms, the unit's display goes into its
// update mode, the language tool starts and the main window ends (endWindow) once the monitor
// has stopped. A missing tool is reported before anything is sent, and nothing changes.
// toolPath is LanguageToolPath() in the program; tests give their own.
void UploadLanguage(QWidget* owner, ReportLayer& reports, const Pauser& pause,
                    const std::function<bool()>& monitorRunning,
                    const std::function<void()>& endWindow, const QString& toolPath);
void UploadLanguage(QWidget* owner, ReportLayer& reports, const Pauser& pause,
                    const std::function<bool()>& monitorRunning,
                    const std::function<void()>& endWindow);

}  // namespace upsconfig
