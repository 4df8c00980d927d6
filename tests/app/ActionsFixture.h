#pragma once

// The main window on a simulated unit, with the reads the unit had seen at a pause, as the tests
// of its actions share it.
#include <QApplication>
#include <QCursor>
#include <optional>
#include <vector>

#include "app/AppFixture.h"

namespace upsconfig::support {

using Kind = support::ScriptedAppServices::Kind;
using Ids = std::vector<std::uint8_t>;

const Ids kAllReportsRead = {0x01, 0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44};

inline Ids Concat(std::initializer_list<Ids> parts) {
    Ids all;
    for (const Ids& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class ActionsTest : public AppFixture {
  protected:
    // Reads seen by the unit at the moment of the first pause of `ms`.
    void ReadsAtPause(int ms) {
        readsAtPause_ = std::nullopt;
        pauser.onPause = [this, ms](int pause) {
            if (pause != ms || readsAtPause_) return;
            readsAtPause_ = bus.ReadIds().size();
            statusAtPause_ = Dialog().StatusText();
            const QCursor* cursor = QApplication::overrideCursor();
            busyCursorAtPause_ = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        };
    }
    std::optional<std::size_t> readsAtPause_;
    QString statusAtPause_;
    bool busyCursorAtPause_ = false;
};

}  // namespace upsconfig::support
