#include <gtest/gtest.h>

#include "support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <functional>

#include "app/ApplyIntegrityFixture.h"
#include "app/SettingsFileActions.h"
#include "resources/Ids.h"
#include "unit/SettingMeaning.h"

namespace upsconfig::support {
namespace {

using enum FieldId;

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

// Values an Upload or Factory Setting put on the pages, and an Apply whose reads at its start
// lose report 0x3F: nothing is written, the loss is told, the pages keep the values through
// the reload, and the next Apply writes them.
TEST_F(ApplyIntegrity, WhatAnApplyCouldNotReadTheUnitForStaysForTheNextApply) {
    struct Row {
        std::string_view name;
        std::function<void(MainDialog&)> change;
        unsigned wanted;  // BatWeakPer_B on the pages; the unit holds 40
    };
    const Row rows[] = {
        {"an Upload",
         [this](MainDialog& dialog) {
             SettingsImage file = unit.HeldImage();
             SetField(file, BatWeakPer_B, 70);
             ShowLoadedSettings(dialog.Actions(), file);
         },
         70},
        {"Factory Setting",
         [this](MainDialog& dialog) {
             services.messageAnswers = {ButtonId::Yes};
             dialog.Actions().FactorySetting();
         },
         20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Restart();
        SettingsImage held = HeldSettings(3);
        SetField(held, BatWeakPer_B, 40);
        unit.LoadImage(held);
        MainDialog& dialog = Ready();
        Flags().upsOn = 0;
        row.change(dialog);
        const auto onPages = [this] {
            SettingsImage stored = Image();
            Pages().StoreQuietly(stored);
            return GetField(stored, BatWeakPer_B);
        };
        ASSERT_EQ(onPages(), row.wanted);

        // The status (0x33, 0x09), then 0x01, 0x32, 0x3C, 0x3D, 0x3E work; 0x3F's three fail.
        bus.FailTransfers(7, 3);
        services.calls.clear();
        services.messageAnswers = {ButtonId::Yes};
        dialog.Actions().Apply();
        EXPECT_EQ(bus.CountTransfers(SimulatedUps::Direction::Get, 0x3F), 3 + 1);  // + reload
        EXPECT_TRUE(bus.WrittenIds().empty());
        EXPECT_TRUE(Shown(kCommLost));
        EXPECT_EQ(onPages(), row.wanted);

        services.calls.clear();
        services.messageAnswers = {ButtonId::Yes};
        dialog.Actions().Apply();
        EXPECT_TRUE(Written(0x3F));
        EXPECT_TRUE(Written(0x44));
        EXPECT_TRUE(Shown(kSaved));
        EXPECT_EQ(GetField(unit.HeldImage(), BatWeakPer_B), row.wanted);
    }
}

// Another program (or the unit itself) changes a setting after the pages were loaded; the
// user's Apply of another setting keeps that change instead of writing the old value back.
TEST_F(ApplyIntegrity, AChangeMadeElsewhereSinceThePagesWereLoadedIsNotWrittenOver) {
    MainDialog& dialog = Ready();
    Flags().upsOn = 0;
    dialog.Pages().ApplyState();
    auto* alarm = dialog.Pages().Ups()->Control<QCheckBox>(ids::ups::kAlarm);
    ASSERT_TRUE(alarm->isChecked());
    alarm->setChecked(false);
    SettingsImage elsewhere = unit.HeldImage();
    SetField(elsewhere, BatWeakPer_A, 50);
    unit.LoadImage(elsewhere);

    services.messageAnswers = {ButtonId::Yes};
    dialog.Actions().Apply();
    EXPECT_TRUE(Shown(kSaved));
    EXPECT_EQ(GetField(unit.HeldImage(), bAlarmCtrl), 0u);
    EXPECT_EQ(GetField(unit.HeldImage(), BatWeakPer_A), 50u);
    EXPECT_EQ(bus.WrittenIds(), (Ids{0x32, 0x44}));
    // The question says why fewer settings are written than the pages show.
    ASSERT_FALSE(Messages().empty());
    EXPECT_TRUE(Messages()[0].details.contains(QStringLiteral("changed since")))
        << Messages()[0].details.toStdString();
}

}  // namespace
}  // namespace upsconfig::support
