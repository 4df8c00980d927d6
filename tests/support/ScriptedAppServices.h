#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "framework/AppServices.h"

namespace upsconfig::support {

// AppServices for tests: records every call and answers from queues the test fills.
// With a queue empty it still records the call and answers:
// - ShowMessage: the style's first button (OK, Abort, Yes or Retry);
// - RunCommErrorDialog: Retry;
// - Host: a machine without sysfs, rules or seats (never this machine's own);
// - GetSaveFileName / GetOpenFileName: cancelled (no file);
// - LaunchProgram: true; FileExists: false;
// - ChooseUnit: the first unit.
// Install it in SetUp with SetServices(&services) and restore in TearDown with
// SetServices(nullptr), or hold an Installed guard for the test's length.
class ScriptedAppServices : public AppServices {
  public:
    enum class Kind {
        Message,
        CommErrorDialog,
        SaveFileName,
        OpenFileName,
        Launch,
        FileExists,
        ChooseUnit
    };

    struct Call {
        Kind kind = Kind::Message;
        QWidget* owner = nullptr;
        // messages; the diagnosis of the communication-error dialog; the units offered, a line
        // each
        QString text;
        QString caption;  // messages
        QString details;  // messages
        unsigned style = 0;
        QString path;  // launches and file tests
        int answer = 0;
    };

    std::deque<int> messageAnswers;
    std::deque<int> commErrorChoices;
    std::deque<std::optional<QString>> saveFileNames;
    std::deque<std::optional<QString>> openFileNames;
    std::deque<bool> launchResults;
    std::deque<bool> fileExistsAnswers;
    std::deque<std::optional<int>> unitChoices;

    std::vector<Call> calls;
    // What the diagnosis sees of the machine: nothing, unless a test points it elsewhere.
    HostView host{"/nonexistent/sys", {}, "/nonexistent/seats", {}};
    // Runs on every message box before it is answered (with its caption): a script can change
    // the world while the user looks at a question.
    std::function<void(const QString& caption)> onMessage;

    int ShowMessage(QWidget* owner, const QString& text, const QString& caption, unsigned style,
                    const QString& details) override;
    int RunCommErrorDialog(QWidget* owner, const QString& diagnosis) override;
    HostView Host() override { return host; }
    std::optional<QString> GetSaveFileName(QWidget* owner) override;
    std::optional<QString> GetOpenFileName(QWidget* owner) override;
    bool LaunchProgram(const QString& exactPath) override;
    bool FileExists(const QString& path) override;
    std::optional<int> ChooseUnit(QWidget* owner, const QStringList& units) override;

    // The recorded calls of one kind, in order.
    std::vector<Call> CallsOf(Kind kind) const;

    // Installs these services for the guard's lifetime.
    struct Installed {
        explicit Installed(ScriptedAppServices& services);
        ~Installed();
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;
    };

  private:
    void Record(Kind kind, QWidget* owner, const QString& text, const QString& caption,
                unsigned style, const QString& path, int answer);
};

}  // namespace upsconfig::support
