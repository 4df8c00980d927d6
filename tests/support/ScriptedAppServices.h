#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "framework/AppServices.h"

namespace upsconfig::testing {

// AppServices for tests: records every call and answers from queues the test fills.
// With a queue empty it still records the call and answers:
// - ShowMessage: the style's first button (OK, Abort, Yes or Retry);
// - RunCommErrorDialog: Retry;
// - GetSaveFileName / GetOpenFileName: cancelled (no file);
// - LaunchProgram: true; FileExists: false.
// Install it in SetUp with SetServices(&services) and restore in TearDown with
// SetServices(nullptr), or hold an Installed guard for the test's length.
class ScriptedAppServices : public AppServices {
  public:
    enum class Kind { Message, CommErrorDialog, SaveFileName, OpenFileName, Launch, FileExists };

    struct Call {
        Kind kind;
        QWidget* owner = nullptr;
        QString text;     // messages
        QString caption;  // messages
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

    std::vector<Call> calls;
    // Runs on every message box before it is answered (with its caption): a script can change
    // the world while the user looks at a question.
    std::function<void(const QString& caption)> onMessage;

    int ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                    unsigned style) override {
        if (onMessage) onMessage(caption);
        const int answer = Take(messageAnswers, MessageButtonIds(style).front());
        calls.push_back({Kind::Message, owner, text, caption, style, {}, answer});
        return answer;
    }

    int RunCommErrorDialog(QWidget* owner) override {
        const int answer = Take(commErrorChoices, ButtonId::Retry);
        calls.push_back({Kind::CommErrorDialog, owner, {}, {}, 0, {}, answer});
        return answer;
    }

    std::optional<QString> GetSaveFileName(QWidget* owner) override {
        auto answer = Take(saveFileNames, std::optional<QString>());
        calls.push_back({Kind::SaveFileName, owner, {}, {}, 0, answer.value_or(QString()), 0});
        return answer;
    }

    std::optional<QString> GetOpenFileName(QWidget* owner) override {
        auto answer = Take(openFileNames, std::optional<QString>());
        calls.push_back({Kind::OpenFileName, owner, {}, {}, 0, answer.value_or(QString()), 0});
        return answer;
    }

    bool LaunchProgram(const QString& exactPath) override {
        const bool answer = Take(launchResults, true);
        calls.push_back({Kind::Launch, nullptr, {}, {}, 0, exactPath, answer ? 1 : 0});
        return answer;
    }

    bool FileExists(const QString& path) override {
        const bool answer = Take(fileExistsAnswers, false);
        calls.push_back({Kind::FileExists, nullptr, {}, {}, 0, path, answer ? 1 : 0});
        return answer;
    }

    // The recorded calls of one kind, in order.
    std::vector<Call> CallsOf(Kind kind) const {
        std::vector<Call> result;
        for (const Call& call : calls)
            if (call.kind == kind) result.push_back(call);
        return result;
    }

    // Installs these services for the guard's lifetime.
    struct Installed {
        explicit Installed(ScriptedAppServices& services) { SetServices(&services); }
        ~Installed() { SetServices(nullptr); }
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;
    };

  private:
    template <class T>
    static T Take(std::deque<T>& queue, T fallback) {
        if (!queue.empty()) {
            fallback = std::move(queue.front());
            queue.pop_front();
        }
        return fallback;
    }
};

}  // namespace upsconfig::testing
