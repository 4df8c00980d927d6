#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "device/HostView.h"
#include "framework/MessageBoxIds.h"

class QWidget;

namespace upsconfig {

// The ids of a style's buttons, in the order the box shows them (an unknown button set gives
// OK alone).
std::vector<int> MessageButtonIds(unsigned style);

// The message box ShowMessage shows, made but not shown (pictures of it are taken so).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text,
                                            const QString& caption, unsigned style,
                                            const QString& details = {});

// Everything that asks the user or reaches outside the program. The methods of this class are
// the real ones (Qt dialogs, QProcess, the file system); tests install a scripted subclass.
class AppServices {
  public:
    virtual ~AppServices() = default;

    // A message box with the button set and icon of `style`; its buttons read "&OK",
    // "&Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No". Returns the id of the button
    // pressed. Escape and the close box answer Cancel where the box has it, OK on a box with OK
    // alone, and nothing at all otherwise. Details, when given, are behind the box's own
    // "Show Details..." button.
    virtual int ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                            unsigned style, const QString& details);
    // The communication-error dialog, modal, with the diagnosis of why no unit was found below
    // its advice: ButtonId::Retry, Ignore or Cancel.
    virtual int RunCommErrorDialog(QWidget* owner, const QString& diagnosis);
    // Several units connected: which one the window configures (one line a unit), modal; the
    // line's index, or nullopt when the user cancels.
    virtual std::optional<int> ChooseUnit(QWidget* owner, const QStringList& units);
    // The machine as the diagnosis looks at it: sysfs, the udev rules, the seats.
    virtual HostView Host();
    // Save dialog for a settings file ("*.kvr", default suffix, asks before overwriting);
    // empty when cancelled. Both file dialogs open in the folder of the last file chosen, the
    // home folder before the first.
    virtual std::optional<QString> GetSaveFileName(QWidget* owner);
    // Open dialog for a settings file; the file need not exist. Empty when cancelled.
    virtual std::optional<QString> GetOpenFileName(QWidget* owner);
    // Starts exactly that program, without arguments and without a shell; does not wait.
    virtual bool LaunchProgram(const QString& exactPath);
    virtual bool FileExists(const QString& path);
};

// The process-wide services: the real ones unless a test installed others.
AppServices& Services();
// nullptr restores the real ones. The caller keeps ownership.
void SetServices(AppServices* services);

// The one message-box routine of the program; goes through Services().
int ShowMessage(QWidget* owner, const QString& text, const QString& caption, unsigned style,
                const QString& details = {});

}  // namespace upsconfig
