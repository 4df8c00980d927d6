#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "app/AppFixture.h"
#include "app/SettingsFileActions.h"
#include "resources/Ids.h"
#include "unit/SettingMeaning.h"

namespace upsconfig::support {
namespace {

using Ids = std::vector<std::uint8_t>;
using enum FieldId;

const QString kSaved =
    QStringLiteral("The changes have been saved and\nwill take effect immediately");
const QString kCommLost = QStringLiteral("communication lost,\nplease try again");
const QString kNotReadBack = QStringLiteral(
    "The settings were sent, but they could not be read back from the UPS to check them.\n\n"
    "Press Refresh to see what the UPS holds.");
const Ids kTenReports = {0x32, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44};

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
                    n = s.field == bLowBattTime ? 9 : 2;
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

// A start-up whose reload ends in a failed read leaves the pages as they were created: they
// are never stored onto the unit, nor saved to a file, until a Refresh has loaded them.
TEST_F(ApplyIntegrity, PagesNeverLoadedAreNeitherAppliedNorDownloaded) {
    bool armed = false;
    pauser.onPause = [&](int ms) {
        if (ms == WindowActions::kReloadDelayMs && !armed) {
            armed = true;
            bus.FailReport(0x44);  // the reload's last read fails three times
        }
    };
    MainDialog& dialog = Ready();
    bus.ClearFailReport(0x44);
    pauser.onPause = nullptr;
    ASSERT_FALSE(dialog.Pages().Loaded());

    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();
    EXPECT_TRUE(bus.Log().empty());
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, kCommLost);
    EXPECT_TRUE(pauser.Pauses().empty());

    services.calls.clear();
    dialog.Actions().Download();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].caption, "Download Settings");
    EXPECT_TRUE(services.CallsOf(support::ScriptedAppServices::Kind::SaveFileName).empty());

    // The monitor's status read finds the unit again; Refresh loads the pages as usual.
    NextStatusRead();
    dialog.Actions().Refresh();
    ASSERT_TRUE(dialog.Pages().Loaded());
    Flags().upsOn = 0;
    dialog.Pages().ApplyState();
    dialog.Pages()
        .Page(EditedOn::BatteryPage)
        ->Control<QComboBox>(ids::battery::kLowBatteryTime)
        ->setCurrentIndex(3);  // 5 minutes
    bus.ClearLog();
    services.calls.clear();
    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();
    EXPECT_EQ(bus.WrittenIds(), (Ids{0x32, 0x44}));
    EXPECT_TRUE(Shown(kSaved));
}

// Every kind of value a page cannot carry, held by the unit, nothing edited, Apply: the unit
// still holds it and no report is written for it.
struct Held {
    FieldId field;
    unsigned value;
    bool word = false;  // a 16-bit time from its _H_ field
};
struct Uncarried {
    const char* name;
    int model;
    std::vector<Held> held;
};
// Test lists show the case by its name, the same on every run.
void PrintTo(const Uncarried& c, std::ostream* os) { *os << c.name; }

class UncarriedValues : public ApplyIntegrity, public testing::WithParamInterface<Uncarried> {};

TEST_P(UncarriedValues, SurviveAnApplyWithNothingEdited) {
    SettingsImage held = HeldSettings(GetParam().model);
    for (const Held& h : GetParam().held) {
        if (h.word) {
            SetWord(held, h.field, h.value);
        } else {
            SetField(held, h.field, h.value);
        }
    }
    unit.LoadImage(held);
    MainDialog& dialog = Ready();
    Flags().upsOn = 0;
    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();
    EXPECT_TRUE(bus.WrittenIds().empty());
    EXPECT_EQ(unit.HeldImage(), held);
    EXPECT_FALSE(Shown(kSaved));
}

INSTANTIATE_TEST_SUITE_P(
    Apply, UncarriedValues,
    testing::Values(
        // Hidden controls (230 V: 8 is the model's own voltage code).
        Uncarried{"ReverseDetectionOnA230VoltModel", 1, {{bOutputLevel, 8}, {bReverseDect, 1}}},
        Uncarried{"StartupOnBypassOnModel21", 21, {{bOutputLevel, 8}, {bInvFirstMode, 1}}},
        // Between a page's steps, or past its range.
        Uncarried{"SecondsBelowAMinute",
                  3,
                  {{OutletOnAftACRecDT_H_A, 90, true}, {BatWeakRunTime_H_B, 30, true}}},
        Uncarried{"TimeBeyondThePagesRange", 3, {{OutletOnDT_H_B, 65535, true}}},
        Uncarried{"CapacityOutsideItsRange", 3, {{BatWeakPer_A, 10}, {BatWeakPer_B, 255}}},
        // Values outside a list, or without an item in it.
        Uncarried{"VoltageCodeNotInTheModelsList", 1, {{bOutputLevel, 3}}},
        Uncarried{"VoltageOfAModelInNoGroup", 23, {{bOutputLevel, 12}}},
        Uncarried{"BatteryListsWithoutTheValue",
                  3,
                  {{bLowBattTime, 1}, {bAutoBattTestTime, 6}, {bBattType, 9}}},
        Uncarried{
            "EcoListsWithoutTheValue",
            3,
            {{bECOMode, 3}, {bECO_Vol_Tol, 5}, {bECO_Freq_Tol, 15}, {bECO_Requlify_Interval, 7}}},
        Uncarried{"ParallelIdBeyondTheUnitIdList",
                  21,
                  {{bOutputLevel, 8}, {bParalConfig, 2}, {bParalAddr, 3}}},
        Uncarried{"ParallelCountWithoutAnItem", 22, {{bParalConfig, 6}}}),
    [](const testing::TestParamInfo<Uncarried>& info) { return info.param.name; });

TEST_F(ApplyIntegrity, AnInvalidEntryStopsTheApplyBeforeAnythingIsWritten) {
    MainDialog& dialog = Ready();
    Flags().upsOn = 0;
    dialog.Pages().ApplyState();
    dialog.Pages()
        .Page(EditedOn::BatteryPage)
        ->Control<QComboBox>(ids::battery::kLowBatteryTime)
        ->setCurrentIndex(3);
    auto* capacity = dialog.Pages().Outlet(1)->Control<QLineEdit>(ids::outlet::kCapacity);
    auto* delay = dialog.Pages().Outlet(1)->Control<QLineEdit>(ids::outlet::kTurnOnDelay);
    capacity->setText(QStringLiteral("81"));
    delay->setText(QStringLiteral("4"));  // after 1026 in the page's order
    dialog.Actions().Apply();

    EXPECT_EQ(bus.Log().size(), 13u) << "only the reads before the store";
    EXPECT_TRUE(bus.WrittenIds().empty());
    ASSERT_EQ(Messages().size(), 1u);  // the range message, no question
    EXPECT_TRUE(Messages()[0].text.contains("80"));
    EXPECT_TRUE(pauser.Pauses().empty());
    EXPECT_EQ(dialog.Pages().Tabs()->CurrentIndex(), dialog.Pages().Outlet(1)->TabIndex());
    EXPECT_TRUE(dialog.Pages().Outlet(1)->isVisible());
    EXPECT_EQ(capacity->text(), "81");
    EXPECT_EQ(delay->text(), "4");
    EXPECT_EQ(dialog.Pages()
                  .Page(EditedOn::BatteryPage)
                  ->Control<QComboBox>(ids::battery::kLowBatteryTime)
                  ->currentIndex(),
              3);
}

TEST_F(ApplyIntegrity, AWrittenValueTheUnitDoesNotHoldIsNamedInsteadOfTheSavedMessage) {
    // The unit keeps at most 50 % for outlet 1's capacity limit (report 0x3F, data byte 1).
    unit.SetStoreFilter([](std::uint8_t id, SimulatedUps::ReportData& data) {
        if (id == 0x3F) data[1] = std::min<std::uint8_t>(data[1], 50);
    });
    MainDialog& dialog = Ready();
    dialog.Pages()
        .Outlet(1)
        ->Control<QLineEdit>(ids::outlet::kCapacity)
        ->setText(QStringLiteral("60"));
    dialog.Pages()
        .Page(EditedOn::BatteryPage)
        ->Control<QComboBox>(ids::battery::kLowBatteryTime)
        ->setCurrentIndex(3);
    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();

    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].caption, "Setting");
    EXPECT_EQ(Messages()[1].style, 0x30u);
    EXPECT_TRUE(Messages()[1].text.contains(
        "Outlet1 / Battery Capacity / Turn off when battery capacity <: written 60%, the UPS "
        "holds 50%"))
        << Messages()[1].text.toStdString();
    EXPECT_FALSE(Messages()[1].text.contains("Low Battery")) << "held as written";

    // The read-back fails: nothing is claimed either way.
    Restart();
    unit.SetStoreFilter(nullptr);
    MainDialog& again = Ready();
    again.Pages()
        .Page(EditedOn::BatteryPage)
        ->Control<QComboBox>(ids::battery::kLowBatteryTime)
        ->setCurrentIndex(4);
    pauser.onPause = [this](int ms) {
        if (ms == WindowActions::kApplyWaitMs) bus.Unplug();
    };
    services.messageAnswers = {ButtonId::Yes};
    again.Actions().Apply();
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_TRUE(Messages()[1].text.contains("could not be read back")) << "not verified";
}

// A unit of model 60 takes report 0x32 alone: an ECO edit is never sent nor called saved, and
// the message after the read-back names it beside what was written.
TEST_F(ApplyIntegrity, AnEditTheUnitDoesNotTakeIsNamedAndNeverSaved) {
    unit.LoadImage(HeldSettings(60));
    for (const bool alsoAlarm : {false, true}) {
        SCOPED_TRACE(alsoAlarm ? "with an alarm edit" : "the ECO edit alone");
        Restart();
        MainDialog& dialog = Ready();
        dialog.Pages()
            .Page(EditedOn::EcoPage)
            ->Control<QComboBox>(ids::eco::kMode)
            ->setCurrentIndex(1);
        if (alsoAlarm)
            FindControl<QCheckBox>(dialog.Pages().Ups(), ids::ups::kAlarm)->setChecked(false);
        services.messageAnswers = {ButtonId::Yes};
        dialog.Actions().Apply();
        EXPECT_EQ(bus.WrittenIds(), alsoAlarm ? Ids{0x32} : Ids{});
        EXPECT_FALSE(Shown(kSaved));
        ASSERT_EQ(Messages().size(), 2u);
        EXPECT_TRUE(Messages()[1].text.contains("ECO Mode")) << Messages()[1].text.toStdString();
        EXPECT_TRUE(Messages()[1].text.contains("does not take"))
            << Messages()[1].text.toStdString();
    }
}

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
