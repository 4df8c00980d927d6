#pragma once

// The main window on a simulated unit, as the tests of what an Apply writes share it.
#include <algorithm>
#include <vector>

#include "app/AppFixture.h"
#include "unit/SettingMeaning.h"

namespace upsconfig::support {

using Ids = std::vector<std::uint8_t>;
inline const QString kSaved =
    QStringLiteral("The changes have been saved and\nwill take effect immediately");
inline const QString kCommLost = QStringLiteral("communication lost,\nplease try again");
inline const QString kNotReadBack = QStringLiteral(
    "The settings were sent, but they could not be read back from the UPS to check them.\n\n"
    "Press Refresh to see what the UPS holds.");
inline const Ids kTenReports = {0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44};

class ApplyIntegrity : public AppFixture {
  protected:
    void Restart() {
        if (app) {
            app->Dialog().Actions().EndWindow();
            app.reset();
        }
        bus.FailTransfers(0, 0);
        pauser.onPause = nullptr;
        services.messageAnswers.clear();
    }

    bool Shown(const QString& text) const {
        const auto messages = Messages();
        return std::any_of(messages.begin(), messages.end(),
                           [&](const auto& m) { return m.text == text; });
    }

    bool Written(std::uint8_t id) const {
        const Ids ids = bus.WrittenIds();
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    }

    // Every value a page carries differs from the held one and is one the page can show, so
    // storing the pages gives it back exactly: all ten settings reports change.
    static SettingsImage FullyChanged(const SettingsImage& held) {
        SettingsImage changed = held;
        for (const SettingMeaning& s : SettingMeanings()) {
            if (s.page == EditedOn::NoPage || s.page == EditedOn::ParallelPage) continue;
            const unsigned v = ValueOf(held, s);
            unsigned n = 0;
            switch (s.kind) {
                case ValueKind::Check:
                case ValueKind::InverseCheck:
                    n = v != 0 ? 0 : 1;
                    break;
                case ValueKind::List:
                    n = (v + 1) % static_cast<unsigned>(s.items.size());
                    break;
                case ValueKind::Voltage:
                    n = v == 2 ? 3 : 2;
                    break;
                case ValueKind::Seconds:
                    n = (v / 60 + 2) % 31 * 60;
                    break;
                case ValueKind::Percent:
                    n = v == 40 ? 50 : 40;
                    break;
                case ValueKind::Number:
                    n = s.field == FieldId::bLowBattTime ? 9 : 2;
                    break;
            }
            SetValue(changed, s, n);
        }
        return changed;
    }

    bool HoldsPageValuesOf(const SettingsImage& expected) const {
        const SettingsImage held = unit.HeldImage();
        for (const SettingMeaning& s : SettingMeanings())
            if (s.page != EditedOn::NoPage && ValueOf(held, s) != ValueOf(expected, s))
                return false;
        return true;
    }
};

}  // namespace upsconfig::support
