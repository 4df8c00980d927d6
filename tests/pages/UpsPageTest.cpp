#include "pages/UpsPage.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <set>
#include <vector>

#include "resources/Ids.h"
#include "resources/StringTable.h"
#include "support/PageTestSupport.h"
#include "support/QtPrinters.h"
#include "support/ScriptedAppServices.h"
#include "unit/ModelTable.h"

namespace upsconfig {
namespace {

namespace id = ids::ups;

using support::Hex;
using support::ImageWith;
using support::ScriptedAppServices;
using F = FieldId;

class UpsPageTest : public testing::Test {
  protected:
    // What the main window does after a read: the own copy, the model, then the load.
    void Reload(const SettingsImage& image) {
        page.SetOwnImage(image);
        page.SetModel(static_cast<int>(GetField(image, F::bModelCode)));
        page.LoadSettings(image);
    }
    SettingsImage Stored(SettingsImage image) {
        page.StoreSettings(image);
        return image;
    }
    QComboBox* List() { return page.Control<QComboBox>(id::kVoltage); }
    QCheckBox* Box(int id) { return page.Control<QCheckBox>(id); }
    bool Checked(int id) { return page.Control<QAbstractButton>(id)->isChecked(); }
    std::vector<ScriptedAppServices::Call> Messages() const {
        return services.CallsOf(ScriptedAppServices::Kind::Message);
    }

    ScriptedAppServices services;
    ScriptedAppServices::Installed installed{services};
    UpsPage page;
};

// Load then store without touching a control gives back every byte, whatever the other bits.
TEST_F(UpsPageTest, LoadThenStoreWritesTheSameBitsBack) {
    struct Row {
        const char* name;
        std::initializer_list<support::FieldValue> fields;
    };
    const Row rows[] = {
        {"120 V, reverse on, freq 0",
         {{F::bModelCode, 3},
          {F::bOutputLevel, 3},
          {F::bReverseDect, 1},
          {F::bFreqLevel, 0},
          {F::bAlarmCtrl, 1},
          {F::bInvFirstMode, 0},
          {F::bAutoStartEn, 1},
          {F::bEodMode, 0}}},
        {"120 V, reverse off, freq 3",
         {{F::bModelCode, 52},
          {F::bOutputLevel, 4},
          {F::bReverseDect, 0},
          {F::bFreqLevel, 3},
          {F::bAlarmCtrl, 0},
          {F::bInvFirstMode, 1},
          {F::bAutoStartEn, 0},
          {F::bEodMode, 1}}},
        {"230 V",
         {{F::bModelCode, 1},
          {F::bOutputLevel, 9},
          {F::bReverseDect, 0},
          {F::bFreqLevel, 1},
          {F::bInvFirstMode, 1}}},
        {"split phase code 0",
         {{F::bModelCode, 14}, {F::bOutputLevel, 0}, {F::bReverseDect, 0}, {F::bFreqLevel, 2}}},
        {"208 V", {{F::bModelCode, 2}, {F::bOutputLevel, 6}, {F::bReverseDect, 0}}},
        {"model 21, starts on inverter",
         {{F::bModelCode, 21}, {F::bOutputLevel, 7}, {F::bReverseDect, 0}, {F::bInvFirstMode, 1}}},
        {"model 21, starts on bypass",
         {{F::bModelCode, 21},
          {F::bOutputLevel, 8},
          {F::bReverseDect, 0},
          {F::bInvFirstMode, 0},
          {F::bFreqLevel, 3}}},
        {"no group", {{F::bModelCode, 22}, {F::bOutputLevel, 13}, {F::bReverseDect, 0}}},
    };
    for (const Row& row : rows) {
        for (std::uint8_t fill : {0x00, 0xFF}) {
            SCOPED_TRACE(testing::Message() << row.name << ", fill " << int(fill));
            const SettingsImage image = ImageWith(fill, row.fields);
            Reload(image);
            EXPECT_EQ(Hex(Stored(image)), Hex(image));
            // Into the opposite background: the page's fields follow it (the voltage only for a
            // model in a group), nothing else moves.
            SettingsImage expected = ImageWith(static_cast<std::uint8_t>(~fill), {});
            SetField(expected, F::bModelCode, GetField(image, F::bModelCode));
            const SettingsImage stored = Stored(expected);
            for (F field : {F::bOutputLevel, F::bReverseDect, F::bFreqLevel, F::bAlarmCtrl,
                            F::bInvFirstMode, F::bAutoStartEn, F::bEodMode}) {
                const bool inGroup =
                    ModelTable::GroupOf(static_cast<int>(GetField(image, F::bModelCode))) !=
                    VoltageGroup::None;
                if (field != F::bOutputLevel || inGroup)
                    SetField(expected, field, GetField(image, field));
            }
            EXPECT_EQ(Hex(stored), Hex(expected));
        }
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(UpsPageTest, A120VoltModelShowsItsListAndTheReverseBox) {
    Reload(ImageWith(0, {{F::bModelCode, 3}, {F::bOutputLevel, 3}, {F::bReverseDect, 1}}));
    EXPECT_EQ(page.Control<QLineEdit>(id::kModelName)->text(), "KVR8-3000-120");
    ASSERT_EQ(List()->count(), 4);
    EXPECT_EQ(List()->itemText(0), "110");
    EXPECT_EQ(List()->currentText(), "*120");
    EXPECT_FALSE(Box(id::kReverseDetection)->isHidden());
    EXPECT_TRUE(Box(id::kReverseDetection)->isEnabled());
    EXPECT_TRUE(Box(id::kReverseDetection)->isChecked());
    EXPECT_FALSE(Box(id::kStartupOnBypass)->isHidden());

    page.LoadSettings(ImageWith(0, {{F::bModelCode, 3}, {F::bOutputLevel, 4}}));
    EXPECT_EQ(List()->currentText(), "127");
    EXPECT_FALSE(Box(id::kReverseDetection)->isChecked());
}

TEST_F(UpsPageTest, A230VoltModelWithA120VoltCodeWarnsAndLeavesTheListEmpty) {
    Reload(ImageWith(0, {{F::bModelCode, 1}, {F::bOutputLevel, 8}}));
    ASSERT_EQ(List()->currentText(), "*230");
    ASSERT_TRUE(Messages().empty());

    const SettingsImage image = ImageWith(0, {{F::bModelCode, 1},
                                              {F::bOutputLevel, 3},
                                              {F::bFreqLevel, 2},
                                              {F::bAlarmCtrl, 1},
                                              {F::bInvFirstMode, 1},
                                              {F::bEodMode, 1}});
    page.LoadSettings(image);

    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "output voltage default settings error");
    EXPECT_EQ(messages[0].caption, "");
    EXPECT_EQ(messages[0].style, 0u);
    EXPECT_EQ(messages[0].owner, &page);
    EXPECT_EQ(List()->currentIndex(), -1);

    // The rest is loaded all the same.
    EXPECT_TRUE(Checked(id::kConverter50Hz));
    EXPECT_FALSE(Checked(id::kAutoSensingBypass));
    EXPECT_TRUE(Checked(id::kAlarm));
    EXPECT_FALSE(Checked(id::kStartupOnBypass));
    EXPECT_TRUE(Checked(id::kGuaranteeShutdown));
    // Nothing chosen: the unit's code survives a store.
    EXPECT_EQ(GetField(Stored(image), F::bOutputLevel), 3u);
}

TEST_F(UpsPageTest, SplitPhaseCodeZeroIsTheFirstItem) {
    const SettingsImage image = ImageWith(0xFF, {{F::bModelCode, 14}, {F::bOutputLevel, 0}});
    Reload(image);
    EXPECT_EQ(List()->count(), 10);
    EXPECT_EQ(List()->currentIndex(), 0);
    EXPECT_EQ(List()->currentText(), "100/200");
    EXPECT_EQ(GetField(Stored(image), F::bOutputLevel), 0u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(UpsPageTest, Model21HidesStartupOnBypassButKeepsItsValue) {
    for (unsigned inverterFirst : {0u, 1u}) {
        const SettingsImage image = ImageWith(
            0, {{F::bModelCode, 21}, {F::bOutputLevel, 8}, {F::bInvFirstMode, inverterFirst}});
        Reload(image);
        EXPECT_TRUE(Box(id::kStartupOnBypass)->isHidden());
        EXPECT_FALSE(Box(id::kStartupOnBypass)->isEnabled());
        EXPECT_EQ(Checked(id::kStartupOnBypass), inverterFirst == 0);
        EXPECT_EQ(List()->count(), 3);
        EXPECT_EQ(List()->currentText(), "*230");
        EXPECT_EQ(GetField(Stored(ImageWith(0, {{F::bInvFirstMode, 1 - inverterFirst}})),
                           F::bInvFirstMode),
                  inverterFirst);
    }
    // Another model shows the box again.
    Reload(ImageWith(0, {{F::bModelCode, 20}, {F::bOutputLevel, 8}}));
    EXPECT_FALSE(Box(id::kStartupOnBypass)->isHidden());
    EXPECT_TRUE(Box(id::kStartupOnBypass)->isEnabled());
}

TEST_F(UpsPageTest, AModelInNoGroupLeavesTheListAndTheVoltageAlone) {
    // Straight after creation: the one empty item and no selection.
    Reload(ImageWith(0, {{F::bModelCode, 0}, {F::bOutputLevel, 3}}));
    EXPECT_EQ(page.Control<QLineEdit>(id::kModelName)->text(), "MINVALIDATION");
    EXPECT_EQ(List()->count(), 1);
    EXPECT_EQ(List()->currentIndex(), -1);

    // After a 120 V model, the list keeps its items and its choice.
    Reload(ImageWith(0, {{F::bModelCode, 3}, {F::bOutputLevel, 2}}));
    const SettingsImage image = ImageWith(0xFF, {{F::bModelCode, 22}, {F::bOutputLevel, 9}});
    page.UpdateForUpsState(1);
    Reload(image);
    EXPECT_EQ(page.Control<QLineEdit>(id::kModelName)->text(), "");
    EXPECT_EQ(List()->count(), 4);
    EXPECT_EQ(List()->currentText(), "115");
    EXPECT_FALSE(List()->isEnabled());  // not enabled either
    EXPECT_TRUE(Box(id::kReverseDetection)->isHidden());
    EXPECT_EQ(GetField(Stored(image), F::bOutputLevel), 9u);
    page.SetFactoryDefaults();
    EXPECT_EQ(List()->currentText(), "115");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(UpsPageTest, WhileOnlineOnlyTheVoltageListAndFrequencyButtonsAreDisabled) {
    Reload(ImageWith(0, {{F::bModelCode, 3}, {F::bOutputLevel, 3}}));
    const std::set<int> standbyOnly = {id::kVoltage, id::kAutoSensingBypass,
                                       id::kAutoSensingNoBypass, id::kConverter50Hz,
                                       id::kConverter60Hz};
    auto expectEnabled = [&](bool online) {
        for (const ControlTemplate& control : Template(ids::dialog::kUpsPage).controls) {
            if (control.id == kNoId) continue;
            const bool enabled = page.Control<QWidget>(control.id)->isEnabled();
            EXPECT_EQ(enabled, !(online && standbyOnly.count(control.id)))
                << control.id << (online ? " online" : " standby");
        }
    };
    page.UpdateForUpsState(1);
    expectEnabled(true);
    // SetModel enables the list even while online; the next state update takes it back.
    page.SetModel(3);
    EXPECT_TRUE(List()->isEnabled());
    page.UpdateForUpsState(1);
    expectEnabled(true);
    page.UpdateForUpsState(0);
    expectEnabled(false);
}

TEST_F(UpsPageTest, DisableAllControlsDisablesEverySetting) {
    Reload(ImageWith(0, {{F::bModelCode, 3}, {F::bOutputLevel, 3}}));
    page.DisableAllControls();
    for (int id : {id::kVoltage, id::kReverseDetection, id::kStartupOnBypass,
                   id::kAutoSensingBypass, id::kAutoSensingNoBypass, id::kConverter50Hz,
                   id::kConverter60Hz, id::kAlarm, id::kAutoRestart, id::kGuaranteeShutdown})
        EXPECT_FALSE(page.Control<QWidget>(id)->isEnabled()) << id;
    EXPECT_TRUE(page.Control<QWidget>(id::kHelp)->isEnabled());
}

TEST_F(UpsPageTest, FactoryDefaultsThenStoreGiveTheDefaultsOfTheModelsGroup) {
    struct Row {
        int model;
        unsigned level;
        int position;
        unsigned reverse;
    };
    const Row rows[] = {{3, 3, 2, 1}, {1, 8, 3, 0}, {21, 8, 1, 0}, {14, 8, 8, 0}, {2, 6, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.model);
        // Everything loaded away from its default first.
        const VoltageGroup group = ModelTable::GroupOf(row.model);
        const int other = row.position == 0 ? 1 : 0;
        const SettingsImage image = ImageWith(
            0xFF,
            {{F::bModelCode, static_cast<unsigned>(row.model)},
             {F::bOutputLevel, static_cast<unsigned>(*ModelTable::CodeOfPosition(group, other))},
             {F::bReverseDect, 1 - row.reverse},
             {F::bFreqLevel, 3},
             {F::bAlarmCtrl, 0},
             {F::bInvFirstMode, 1},
             {F::bAutoStartEn, 0},
             {F::bEodMode, 1}});
        Reload(image);
        page.SetFactoryDefaults();
        EXPECT_EQ(List()->currentIndex(), row.position);
        EXPECT_TRUE(List()->currentText().startsWith('*'));
        EXPECT_TRUE(Checked(id::kAutoSensingBypass));
        EXPECT_FALSE(Checked(id::kAutoSensingNoBypass) || Checked(id::kConverter50Hz) ||
                     Checked(id::kConverter60Hz));

        const SettingsImage stored = Stored(image);
        EXPECT_EQ(GetField(stored, F::bOutputLevel), row.level);
        EXPECT_EQ(GetField(stored, F::bReverseDect), row.reverse);
        EXPECT_EQ(GetField(stored, F::bFreqLevel), 0u);
        EXPECT_EQ(GetField(stored, F::bAlarmCtrl), 1u);
        EXPECT_EQ(GetField(stored, F::bInvFirstMode), 0u);
        EXPECT_EQ(GetField(stored, F::bAutoStartEn), 1u);
        EXPECT_EQ(GetField(stored, F::bEodMode), 0u);
        // Nothing else moved.
        SettingsImage expected = stored;
        for (F field : {F::bOutputLevel, F::bReverseDect, F::bFreqLevel, F::bAlarmCtrl,
                        F::bInvFirstMode, F::bAutoStartEn, F::bEodMode})
            SetField(expected, field, GetField(image, field));
        EXPECT_EQ(Hex(expected), Hex(image));
    }
}

TEST_F(UpsPageTest, AHiddenReverseBoxIsStillStoredAsItStands) {
    // A 230 V model: the load leaves the hidden box alone, the store writes its state.
    const SettingsImage image =
        ImageWith(0, {{F::bModelCode, 1}, {F::bOutputLevel, 8}, {F::bReverseDect, 1}});
    Reload(image);
    EXPECT_TRUE(Box(id::kReverseDetection)->isHidden());
    EXPECT_FALSE(Box(id::kReverseDetection)->isChecked());
    EXPECT_EQ(GetField(Stored(image), F::bReverseDect), 0u);
}

TEST_F(UpsPageTest, HoverHelpFollowsTheTableInsideTheMargin) {
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    Reload(ImageWith(0, {{F::bModelCode, 1}, {F::bOutputLevel, 8}}));  // 1003 hidden
    const std::pair<int, int> table[] = {
        {id::kVoltage, ids::text::kUpsVoltageHelp},
        {id::kReverseDetection, ids::text::kUpsReverseDetectionHelp},
        {id::kStartupOnBypass, ids::text::kUpsStartupOnBypassHelp},
        {id::kAutoSensingBypass, ids::text::kUpsAutoSensingBypassHelp},
        {id::kAutoSensingNoBypass, ids::text::kUpsAutoSensingNoBypassHelp},
        {id::kConverter50Hz, ids::text::kUpsConverter50HzHelp},
        {id::kConverter60Hz, ids::text::kUpsConverter60HzHelp},
        {id::kAlarm, ids::text::kUpsAlarmHelp},
        {id::kAutoRestart, ids::text::kUpsAutoRestartHelp},
        {id::kGuaranteeShutdown, ids::text::kUpsGuaranteeShutdownHelp}};
    for (const auto& [control, text] : table)
        EXPECT_EQ(support::HoverOver(page, control, id::kHelp), support::HelpText(LoadString(text)))
            << control;

    // 3 pixels left of the list still counts, 4 do not.
    const QRect list = List()->geometry();
    QCursor::setPos(page.mapToGlobal(QPoint(list.left() - 3, list.center().y())));
    page.UpdateHoverHelp();
    EXPECT_EQ(page.Control<QPlainTextEdit>(id::kHelp)->toPlainText(),
              support::HelpText(LoadString(ids::text::kUpsVoltageHelp)));
    support::HoverOver(page, id::kGuaranteeShutdown, id::kHelp);
    QCursor::setPos(page.mapToGlobal(QPoint(list.left() - 4, list.center().y())));
    page.UpdateHoverHelp();
    EXPECT_EQ(page.Control<QPlainTextEdit>(id::kHelp)->toPlainText(),
              support::HelpText(LoadString(ids::text::kUpsGuaranteeShutdownHelp)));
}

}  // namespace
}  // namespace upsconfig
