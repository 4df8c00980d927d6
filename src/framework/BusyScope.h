#pragma once

#include <QString>
#include <functional>

namespace upsconfig {

// Shows for the length of a scope that work goes on: a busy cursor over the application and,
// when a sink is given, a status text (cleared with an empty text at the end). Scopes nest.
// Active() lets a handler refuse to start a second action while one runs.
class BusyScope {
  public:
    using StatusSink = std::function<void(const QString&)>;

    explicit BusyScope(const QString& status = {}, StatusSink sink = {});
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    static bool Active();

  private:
    StatusSink sink_;
    bool cursorSet_ = false;
};

}  // namespace upsconfig
