#include "framework/UiPauser.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <thread>
#include <vector>

namespace upsconfig {

namespace {

int waitDepth = 0;  // touched on the user-interface thread only

// Closing a window is no user input to Qt, so the event loop of a wait would let the close box
// end a window in the middle of an action. Closes of windows are held back until the
// outermost wait is over, like clicks and keys.
class CloseDeferral : public QObject {
  public:
    void Release() {
        std::vector<QPointer<QWidget>> windows;
        windows.swap(deferred_);
        for (const QPointer<QWidget>& window : windows)
            if (window) window->close();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            event->ignore();
            deferred_.emplace_back(static_cast<QWidget*>(watched));
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::vector<QPointer<QWidget>> deferred_;
};

}  // namespace

void UiPauser::Pause(int milliseconds) {
    if (milliseconds <= 0) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return;
    }
    static CloseDeferral closeDeferral;
    if (waitDepth++ == 0) app->installEventFilter(&closeDeferral);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (--waitDepth == 0) {
        app->removeEventFilter(&closeDeferral);
        closeDeferral.Release();
    }
}

bool UiPauser::Waiting() { return waitDepth > 0; }

}  // namespace upsconfig
