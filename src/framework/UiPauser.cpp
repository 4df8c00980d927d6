#include "framework/UiPauser.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <thread>

namespace upsconfig {

namespace {
int waitDepth = 0;  // touched on the user-interface thread only
}

void UiPauser::Pause(int milliseconds) {
    if (milliseconds <= 0) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return;
    }
    ++waitDepth;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    --waitDepth;
}

bool UiPauser::Waiting() { return waitDepth > 0; }

}  // namespace upsconfig
