#include "support/ScriptedAppServices.h"

#include <utility>

namespace upsconfig::support {
namespace {

// The front of the queue, or the fallback when it is empty.
template <class T>
T Take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T front = queue.front();
    queue.pop_front();
    return front;
}

// The same for a file name; without moving an optional string, which GCC takes for a read of
// uninitialised memory.
std::optional<QString> TakeFileName(std::deque<std::optional<QString>>& queue) {
    if (queue.empty() || !queue.front()) {
        if (!queue.empty()) queue.pop_front();
        return std::nullopt;
    }
    const QString name = *queue.front();
    queue.pop_front();
    return name;
}

}  // namespace

void ScriptedAppServices::Record(Kind kind, QWidget* owner, const QString& text,
                                 const QString& caption, unsigned style, const QString& path,
                                 int answer) {
    Call call;
    call.kind = kind;
    call.owner = owner;
    call.text = text;
    call.caption = caption;
    call.style = style;
    call.path = path;
    call.answer = answer;
    calls.push_back(std::move(call));
}

int ScriptedAppServices::ShowMessage(QWidget* owner, const QString& text, const QString& caption,
                                     unsigned style, const QString& details) {
    if (onMessage) onMessage(caption);
    const int answer = Take(messageAnswers, MessageButtonIds(style).front());
    Record(Kind::Message, owner, text, caption, style, {}, answer);
    calls.back().details = details;
    return answer;
}

int ScriptedAppServices::RunCommErrorDialog(QWidget* owner, const QString& diagnosis) {
    const int answer = Take(commErrorChoices, ButtonId::Retry);
    Record(Kind::CommErrorDialog, owner, diagnosis, {}, 0, {}, answer);
    return answer;
}

std::optional<QString> ScriptedAppServices::GetSaveFileName(QWidget* owner) {
    std::optional<QString> answer = TakeFileName(saveFileNames);
    Record(Kind::SaveFileName, owner, {}, {}, 0, answer.value_or(QString()), 0);
    return answer;
}

std::optional<QString> ScriptedAppServices::GetOpenFileName(QWidget* owner) {
    std::optional<QString> answer = TakeFileName(openFileNames);
    Record(Kind::OpenFileName, owner, {}, {}, 0, answer.value_or(QString()), 0);
    return answer;
}

bool ScriptedAppServices::LaunchProgram(const QString& exactPath) {
    const bool answer = Take(launchResults, true);
    Record(Kind::Launch, nullptr, {}, {}, 0, exactPath, answer ? 1 : 0);
    return answer;
}

bool ScriptedAppServices::FileExists(const QString& path) {
    const bool answer = Take(fileExistsAnswers, false);
    Record(Kind::FileExists, nullptr, {}, {}, 0, path, answer ? 1 : 0);
    return answer;
}

std::optional<int> ScriptedAppServices::ChooseUnit(QWidget* owner, const QStringList& units) {
    const std::optional<int> answer = Take(unitChoices, std::optional<int>(0));
    Record(Kind::ChooseUnit, owner, units.join(QLatin1Char('\n')), {}, 0, {}, answer.value_or(-1));
    return answer;
}

std::vector<ScriptedAppServices::Call> ScriptedAppServices::CallsOf(Kind kind) const {
    std::vector<Call> result;
    for (const Call& call : calls)
        if (call.kind == kind) result.push_back(call);
    return result;
}

ScriptedAppServices::Installed::Installed(ScriptedAppServices& services) { SetServices(&services); }

ScriptedAppServices::Installed::~Installed() { SetServices(nullptr); }

}  // namespace upsconfig::support
