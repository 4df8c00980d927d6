#pragma once

#include <QString>
#include <optional>
#include <vector>

class QWidget;

namespace upsconfig {

// Message-box styles: the button set in the low four bits, the icon in the next four, the
// default button in bits 8 to 11, the values of the platform's standard message box.
namespace MessageStyle {
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned OkCancel = 0x1;
inline constexpr unsigned AbortRetryIgnore = 0x2;
inline constexpr unsigned YesNoCancel = 0x3;
inline constexpr unsigned YesNo = 0x4;
inline constexpr unsigned RetryCancel = 0x5;
inline constexpr unsigned IconStop = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconExclamation = 0x30;
inline constexpr unsigned IconInformation = 0x40;
inline constexpr unsigned DefaultButton2 = 0x100;
inline constexpr unsigned DefaultButton3 = 0x200;
}  // namespace MessageStyle

// The ids of the buttons, which ShowMessage returns; the communication-error dialog's choices
// use Retry, Ignore and Cancel.
namespace ButtonId {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace ButtonId

// The ids of a style's buttons, in the order the box shows them (an unknown button set gives
// OK alone).
std::vector<int> MessageButtonIds(unsigned style);

// Everything that asks the user or reaches outside the program. The methods of this class are
// the real ones (Qt dialogs, QProcess, the file system); tests install a scripted subclass.
class AppServices {
  public:
    virtual ~AppServices() = default;

    // A message box with the button set and icon of `style`; its buttons read "&OK",
    // "&Cancel", "&Abort", "&Retry", "&Ignore", "&Yes", "&No". Returns the id of the button
    // pressed. Escape and the close box answer Cancel where the box has it, OK on a box with OK
    // alone, and nothing at all otherwise.
    virtual int ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                            unsigned style);
    // The communication-error dialog, modal: ButtonId::Retry, Ignore or Cancel.
    virtual int RunCommErrorDialog(QWidget* owner);
    // Save dialog for a settings file ("*.kvr", default suffix, asks before overwriting);
    // empty when cancelled.
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
int ShowMessage(QWidget* owner, const QString& text, const QString& caption, unsigned style);

}  // namespace upsconfig
