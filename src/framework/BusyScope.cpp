#include "framework/BusyScope.h"

#include <QApplication>
#include <QCursor>

namespace upsconfig {

namespace {
int activeScopes = 0;  // user-interface thread only
}

BusyScope::BusyScope(const QString& status, StatusSink sink) : sink_(std::move(sink)) {
    ++activeScopes;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        cursorSet_ = true;
    }
    if (sink_) sink_(status);
}

BusyScope::~BusyScope() {
    if (sink_) sink_(QString());
    if (cursorSet_) QApplication::restoreOverrideCursor();
    --activeScopes;
}

bool BusyScope::Active() { return activeScopes > 0; }

}  // namespace upsconfig
