#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include "app/ApplyIntegrityFixture.h"

namespace upsconfig::support {
namespace {

// Transfer k of an Apply that changes every report fails once, or fails with every transfer
// after it, or every write of one report fails: the saved message appears only when every report
// was written, read back and the unit holds every written value; otherwise the user is told.
TEST_F(ApplyIntegrity, FaultSweepOverEveryTransferOfAFullApply) {
    const SettingsImage held = HeldSettings(3);
    const SettingsImage wanted = FullyChanged(held);
    const auto apply = [&](int k, int failures, std::uint8_t givenUp = 0) {
        Restart();
        unit.LoadImage(held);
        MainDialog& dialog = Ready();
        Flags().upsOn = 0;
        ShowLoadedSettings(dialog.Actions(), wanted);
        bus.FailTransfers(k, failures);
        services.onMessage = [this, givenUp](const QString& caption) {
            if (givenUp != 0 && caption == "Save setting") bus.FailReport(givenUp);
        };
        services.messageAnswers = {ButtonId::Yes};
        dialog.Actions().Apply();
    };
    apply(0, 0);
    ASSERT_TRUE(Shown(kSaved));
    ASSERT_TRUE(HoldsPageValuesOf(wanted));
    ASSERT_EQ(bus.WrittenIds(), kTenReports);
    const int transfers = static_cast<int>(bus.Log().size());

    const auto check = [&]() {
        const bool saved = Shown(kSaved);
        if (saved) {
            EXPECT_TRUE(HoldsPageValuesOf(wanted));
            for (std::uint8_t id : kTenReports)
                EXPECT_TRUE(Written(id)) << int{id};
        } else {
            EXPECT_TRUE(Shown(kCommLost) || Shown(kNotReadBack));
        }
        return saved;
    };
    for (int failures : {1, 1000000}) {
        for (int k = 0; k < transfers; ++k) {
            SCOPED_TRACE("transfer " + std::to_string(k) + ", failures " +
                         std::to_string(failures));
            apply(k, failures);
            const bool saved = check();
            if (failures == 1) {
                EXPECT_TRUE(saved) << "one failed attempt is retried";
            }
        }
    }
    // Every write of one report fails while the others go through.
    for (std::uint8_t id : kTenReports) {
        SCOPED_TRACE("report " + std::to_string(id) + " given up");
        apply(0, 0, id);
        EXPECT_FALSE(check());
        bus.ClearFailReport(id);
    }
    services.onMessage = nullptr;
}

// The start-up reload fails at transfer k (once, for one report's three attempts, or to its
// end); an Apply with nothing edited then writes nothing.
TEST_F(ApplyIntegrity, FaultSweepOverTheStartupReloadThenAnUntouchedApply) {
    for (int failures : {1, 3, 1000000}) {
        for (int k = 0; k < 11; ++k) {
            SCOPED_TRACE("transfer " + std::to_string(k) + ", failures " +
                         std::to_string(failures));
            Restart();
            unit.LoadImage(HeldSettings(3));
            bool armed = false;
            pauser.onPause = [&, k, failures](int ms) {
                if (ms != WindowActions::kReloadDelayMs || armed) return;
                armed = true;
                bus.FailTransfers(k, failures);
            };
            MainDialog& dialog = Ready();
            bus.FailTransfers(0, 0);
            pauser.onPause = nullptr;
            NextStatusRead();
            services.messageAnswers = {ButtonId::Yes};
            dialog.Actions().Apply();
            EXPECT_TRUE(bus.WrittenIds().empty());
            EXPECT_FALSE(Shown(kSaved));
        }
    }
}

}  // namespace
}  // namespace upsconfig::support
