#include "pages/OutletPage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <utility>
#include <vector>

#include "device/HidLink.h"
#include "resources/Ids.h"
#include "sim/SimulatedUps.h"
#include "support/FakePauser.h"
#include "support/QtPrinters.h"
#include "support/ScriptedAppServices.h"

namespace upsconfig {
namespace {

namespace id = ids::outlet;

using F = FieldId;
using support::ScriptedAppServices;

// Outlet 2's field for each outlet-1 field the pages edit; the reboot delays are not among them.
const std::vector<std::pair<F, F>> kOutletPairs = {
    {F::OutletOnDT_H_A, F::OutletOnDT_H_B},
    {F::OutletOnDT_L_A, F::OutletOnDT_L_B},
    {F::OutletOnAftACRecDT_H_A, F::OutletOnAftACRecDT_H_B},
    {F::OutletOnAftACRecDT_L_A, F::OutletOnAftACRecDT_L_B},
    {F::OutletOnAftRTlessDT_H_A, F::OutletOnAftRTlessDT_H_B},
    {F::OutletOnAftRTlessDT_L_A, F::OutletOnAftRTlessDT_L_B},
    {F::OutletOnAftCPlessDT_H_A, F::OutletOnAftCPlessDT_H_B},
    {F::OutletOnAftCPlessDT_L_A, F::OutletOnAftCPlessDT_L_B},
    {F::OutletOffAftACOffDT_H_A, F::OutletOffAftACOffDT_H_B},
    {F::OutletOffAftACOffDT_L_A, F::OutletOffAftACOffDT_L_B},
    {F::BatWeakRunTime_H_A, F::BatWeakRunTime_H_B},
    {F::BatWeakRunTime_L_A, F::BatWeakRunTime_L_B},
    {F::BatWeakPer_A, F::BatWeakPer_B},
    {F::bPROVOB_1, F::bPROVOB_2},
    {F::bPROVRL_1, F::bPROVRL_2},
    {F::bPROVCL_1, F::bPROVCL_2},
    {F::bOOOOB_1, F::bOOOOB_2},
    {F::bOUPLOF_1, F::bOUPLOF_2},
    {F::bOBRLOF_1, F::bOBRLOF_2},
    {F::bOBCLOF_1, F::bOBCLOF_2},
};

// The field of outlet `half` + 1 for an outlet-1 field.
F ForOutlet(F outlet1Field, int half) {
    if (half == 0) return outlet1Field;
    for (const auto& [a, b] : kOutletPairs)
        if (a == outlet1Field) return b;
    ADD_FAILURE() << "no outlet-2 field for " << Field(outlet1Field).name;
    return outlet1Field;
}

// Every byte distinct, and the two outlets' values valid and different from each other.
SettingsImage Base() {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(0x80 + i);
    SetWord(image, F::OutletOnDT_H_A, 2 * 60);
    SetWord(image, F::OutletOffAftACOffDT_H_A, 7 * 60);
    SetWord(image, F::OutletOnAftACRecDT_H_A, 3 * 60);
    SetWord(image, F::BatWeakRunTime_H_A, 9 * 60);
    SetWord(image, F::OutletOnAftRTlessDT_H_A, 4 * 60);
    SetWord(image, F::OutletOnAftCPlessDT_H_A, 6 * 60);
    SetField(image, F::BatWeakPer_A, 45);
    SetWord(image, F::OutletOnDT_H_B, 11 * 60);
    SetWord(image, F::OutletOffAftACOffDT_H_B, 12 * 60);
    SetWord(image, F::OutletOnAftACRecDT_H_B, 13 * 60);
    SetWord(image, F::BatWeakRunTime_H_B, 14 * 60);
    SetWord(image, F::OutletOnAftRTlessDT_H_B, 15 * 60);
    SetWord(image, F::OutletOnAftCPlessDT_H_B, 16 * 60);
    SetField(image, F::BatWeakPer_B, 70);
    image.bytes[4] = 0xA5;  // outlet bits mixed, both outlets
    image.bytes[5] = 0x97;
    return image;
}

class OutletPageTest : public testing::Test {
  protected:
    void SetUp() override {
        link.SetIds(kUpsVendorId, kUpsProductId);
        outlet1.SetOutletNumber(1);
        outlet2.SetOutletNumber(2);
    }

    static QLineEdit* Edit(OutletPage& page, int id) { return page.Control<QLineEdit>(id); }
    static QCheckBox* Box(OutletPage& page, int id) { return page.Control<QCheckBox>(id); }
    static bool Enabled(OutletPage& page, int id) { return page.Control<QWidget>(id)->isEnabled(); }

    // The page shown and active, so a bad entry can take the focus.
    static bool ShowActive(OutletPage& page) {
        page.show();
        page.activateWindow();
        return QTest::qWaitForWindowActive(&page);
    }

    std::vector<ScriptedAppServices::Call> Messages() const {
        return services.CallsOf(ScriptedAppServices::Kind::Message);
    }

    // Every field that `page` does not edit is as in `before`.
    static void ExpectOthersUntouched(const SettingsImage& before, const SettingsImage& after,
                                      EditedOn page) {
        for (const FieldInfo& field : Fields()) {
            if (field.editedOn == page) continue;
            EXPECT_EQ(GetField(after, field.id), GetField(before, field.id)) << field.name;
        }
    }

    SimulatedUps ups;
    HidLink link{ups};
    support::FakePauser pauser;
    ReportLayer layer{link, pauser.AsPauser()};
    ScriptedAppServices services;
    ScriptedAppServices::Installed installed{services};
    OutletPage outlet1{layer};
    OutletPage outlet2{layer};
};

TEST_F(OutletPageTest, LoadThenStoreWritesBackTheSameBitsOnBothOutlets) {
    const SettingsImage base = Base();
    outlet1.LoadSettings(base);
    outlet2.LoadSettings(base);

    EXPECT_EQ(Edit(outlet1, id::kTurnOnDelay)->text(), "2");
    EXPECT_EQ(Edit(outlet1, id::kBatteryTime)->text(), "7");
    EXPECT_EQ(Edit(outlet1, id::kCapacity)->text(), "45");
    EXPECT_EQ(Edit(outlet2, id::kTurnOnDelay)->text(), "11");
    EXPECT_EQ(Edit(outlet2, id::kOnAfterCapacityDelay)->text(), "16");
    EXPECT_EQ(Edit(outlet2, id::kCapacity)->text(), "70");
    // 0xA5: bPROVOB_1, bPROVCL_1, bPROVRL_2, bOOOOB_2 set.
    EXPECT_TRUE(Box(outlet1, id::kOnAfterBatteryBox)->isChecked());
    EXPECT_FALSE(Box(outlet1, id::kOnAfterRuntimeBox)->isChecked());
    EXPECT_FALSE(Box(outlet1, id::kOverloadBox)->isChecked());
    EXPECT_TRUE(Box(outlet2, id::kOnAfterRuntimeBox)->isChecked());
    EXPECT_TRUE(Box(outlet2, id::kOverloadBox)->isChecked());

    SettingsImage stored = base;
    outlet1.StoreSettings(stored);
    outlet2.StoreSettings(stored);
    EXPECT_EQ(stored, base);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OutletPageTest, FactoryDefaultsShowAndStoreTheDefaultValues) {
    for (OutletPage* page : {&outlet1, &outlet2}) {
        const int half = page->OutletNumber() - 1;
        const SettingsImage base = Base();
        page->LoadSettings(base);
        page->SetFactoryDefaults();

        const std::pair<int, const char*> shown[] = {
            {id::kTurnOnDelay, "0"},         {id::kBatteryTime, "5"},
            {id::kOnAfterBatteryDelay, "0"}, {id::kRuntime, "5"},
            {id::kOnAfterRuntimeDelay, "0"}, {id::kCapacity, "20"},
            {id::kOnAfterCapacityDelay, "0"}};
        for (auto [id, text] : shown)
            EXPECT_EQ(Edit(*page, id)->text(), text) << id;
        for (int id :
             {id::kOverloadBox, id::kOffOnBatteryBox, id::kOffOnRuntimeBox, id::kOffOnCapacityBox})
            EXPECT_FALSE(Box(*page, id)->isChecked()) << id;
        for (int id : {id::kOnAfterBatteryBox, id::kOnAfterRuntimeBox, id::kOnAfterCapacityBox})
            EXPECT_TRUE(Box(*page, id)->isChecked()) << id;
        for (int id : {id::kBatteryTime, id::kOnAfterBatteryBox, id::kOnAfterBatteryDelay,
                       id::kRuntime, id::kOnAfterRuntimeBox, id::kOnAfterRuntimeDelay,
                       id::kCapacity, id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay})
            EXPECT_FALSE(Enabled(*page, id)) << id;
        EXPECT_TRUE(Enabled(*page, id::kTurnOnDelay));
        EXPECT_TRUE(Enabled(*page, id::kOverloadBox));

        SettingsImage stored = base;
        page->StoreSettings(stored);
        const std::pair<F, unsigned> values[] = {
            {F::OutletOnDT_H_A, 0},
            {F::OutletOnAftACRecDT_H_A, 0},
            {F::OutletOnAftRTlessDT_H_A, 0},
            {F::OutletOnAftCPlessDT_H_A, 0},
            {F::OutletOffAftACOffDT_H_A, 300},
            {F::BatWeakRunTime_H_A, 300},
        };
        for (auto [field, value] : values)
            EXPECT_EQ(GetWord(stored, ForOutlet(field, half)), value) << Field(field).name;
        EXPECT_EQ(GetField(stored, ForOutlet(F::BatWeakPer_A, half)), 20u);
        const std::pair<F, unsigned> bits[] = {
            {F::bOOOOB_1, 0},  {F::bOUPLOF_1, 0}, {F::bOBRLOF_1, 0}, {F::bOBCLOF_1, 0},
            {F::bPROVOB_1, 1}, {F::bPROVRL_1, 1}, {F::bPROVCL_1, 1}};
        for (auto [field, value] : bits)
            EXPECT_EQ(GetField(stored, ForOutlet(field, half)), value) << Field(field).name;
        ExpectOthersUntouched(base, stored, half ? EditedOn::Outlet2Page : EditedOn::Outlet1Page);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(OutletPageTest, SecondsBelowAMinuteAreDroppedAndOversizedTimesStoreAsWholeMinutes) {
    SettingsImage base = Base();
    SetWord(base, F::OutletOnAftACRecDT_H_A, 90);
    SetWord(base, F::OutletOnDT_H_A, 65535);
    outlet1.LoadSettings(base);
    EXPECT_EQ(Edit(outlet1, id::kOnAfterBatteryDelay)->text(), "1");
    EXPECT_EQ(Edit(outlet1, id::kTurnOnDelay)->text(), "1092");

    // 1092 shown as the unit holds it is no entry of the user's: no message, nothing refused.
    SettingsImage stored = base;
    EXPECT_TRUE(outlet1.StoreSettings(stored));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(GetWord(stored, F::OutletOnAftACRecDT_H_A), 60u);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 65520u);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftCPlessDT_H_A), 6u * 60);

    // Typed, the same number is refused.
    Edit(outlet1, id::kTurnOnDelay)->setText(QStringLiteral("1093"));
    EXPECT_FALSE(outlet1.StoreSettings(stored));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains("0"));
    EXPECT_TRUE(Messages()[0].text.contains("30"));
}

TEST_F(OutletPageTest, OutOfRangeCapacityStopsTheReadingAndKeepsTheUnitsValues) {
    ASSERT_TRUE(ShowActive(outlet1));
    const SettingsImage base = Base();
    outlet1.LoadSettings(base);

    Box(outlet1, id::kOverloadBox)->click();  // read before 1026: taken
    Edit(outlet1, id::kCapacity)->setText("81");
    const std::pair<int, const char*> typed[] = {{id::kRuntime, "29"},
                                                 {id::kBatteryTime, "28"},
                                                 {id::kOnAfterBatteryDelay, "27"},
                                                 {id::kOnAfterRuntimeDelay, "26"},
                                                 {id::kTurnOnDelay, "25"},
                                                 {id::kOnAfterCapacityDelay, "24"}};
    for (auto [id, text] : typed)
        Edit(outlet1, id)->setText(text);

    SettingsImage stored = base;
    outlet1.StoreSettings(stored);
    ASSERT_EQ(Messages().size(), 1u);
    const auto message = Messages()[0];
    EXPECT_TRUE(message.text.contains("20") && message.text.contains("80"))
        << message.text.toStdString();
    EXPECT_EQ(message.style, MessageStyle::Ok | MessageStyle::IconExclamation);
    EXPECT_EQ(QApplication::focusWidget(), Edit(outlet1, id::kCapacity));

    EXPECT_EQ(GetField(stored, F::BatWeakPer_A), 45u);
    EXPECT_EQ(GetField(stored, F::bOOOOB_1), 1u);
    SettingsImage expected = base;
    SetField(expected, F::bOOOOB_1, 1);
    EXPECT_EQ(stored, expected);  // the six later edits kept their loaded values

    // Once mended, the typed values go through.
    Edit(outlet1, id::kCapacity)->setText("50");
    outlet1.StoreSettings(stored);
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(GetField(stored, F::BatWeakPer_A), 50u);
    EXPECT_EQ(GetWord(stored, F::BatWeakRunTime_H_A), 29u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftCPlessDT_H_A), 24u * 60);
}

TEST_F(OutletPageTest, TextThatIsNotAWholeNumberStopsTheReadingThere) {
    ASSERT_TRUE(ShowActive(outlet1));
    const SettingsImage base = Base();
    outlet1.LoadSettings(base);

    Edit(outlet1, id::kBatteryTime)->setText(" 8 ");  // blanks around a number are fine
    Edit(outlet1, id::kOnAfterBatteryDelay)->setText("20");
    Edit(outlet1, id::kTurnOnDelay)->setText("abc");
    Edit(outlet1, id::kOnAfterCapacityDelay)->setText("5");
    SettingsImage stored = base;
    outlet1.StoreSettings(stored);

    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains("whole number"));
    EXPECT_FALSE(Messages()[0].text.contains("30"));
    EXPECT_EQ(QApplication::focusWidget(), Edit(outlet1, id::kTurnOnDelay));
    EXPECT_EQ(GetWord(stored, F::OutletOffAftACOffDT_H_A), 8u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftACRecDT_H_A), 20u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 2u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnAftCPlessDT_H_A), 6u * 60);  // 1027 not read

    // An empty edit is not a number either; nothing after it is read.
    Edit(outlet1, id::kTurnOnDelay)->setText("3");
    Edit(outlet1, id::kRuntime)->setText("");
    outlet1.StoreSettings(stored);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text, Messages()[0].text);
    EXPECT_EQ(GetWord(stored, F::BatWeakRunTime_H_A), 9u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 2u * 60);
}

TEST_F(OutletPageTest, SameAsOutlet1CopiesEveryOutlet1ValueButNotTheRebootDelay) {
    EXPECT_FALSE(Box(outlet2, id::kSameAsOutlet1)->isHidden());
    EXPECT_TRUE(Box(outlet1, id::kSameAsOutlet1)->isHidden());

    const SettingsImage base = Base();
    outlet1.LoadSettings(base);
    outlet2.LoadSettings(base);
    Box(outlet2, id::kSameAsOutlet1)->click();
    for (int id :
         {id::kTurnOnDelay, id::kOverloadBox, id::kBatteryTime, id::kOnAfterBatteryBox,
          id::kOnAfterBatteryDelay, id::kRuntime, id::kOnAfterRuntimeBox, id::kOnAfterRuntimeDelay,
          id::kCapacity, id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay, id::kOffOnBatteryBox,
          id::kOffOnRuntimeBox, id::kOffOnCapacityBox})
        EXPECT_FALSE(Enabled(outlet2, id)) << id;

    // Outlet1 writes first, then Outlet2 copies what it wrote.
    Edit(outlet1, id::kTurnOnDelay)->setText("30");
    Box(outlet1, id::kOverloadBox)->click();
    SettingsImage stored = base;
    outlet1.StoreSettings(stored);
    outlet2.StoreSettings(stored);
    for (const auto& [a, b] : kOutletPairs)
        EXPECT_EQ(GetField(stored, b), GetField(stored, a)) << Field(b).name;
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_B), 30u * 60);
    EXPECT_EQ(GetField(stored, F::bOOOOB_2), 1u);
    EXPECT_EQ(GetWord(stored, F::OutletRebootDT_H_B), GetWord(base, F::OutletRebootDT_H_B));

    // Unchecked again: the page's own controls count once more.
    Box(outlet2, id::kSameAsOutlet1)->click();
    EXPECT_TRUE(Enabled(outlet2, id::kTurnOnDelay));
    stored = base;
    outlet2.StoreSettings(stored);
    EXPECT_EQ(stored, base);

    // On Outlet1 the box is hidden and has no say, even when checked.
    Box(outlet1, id::kSameAsOutlet1)->setChecked(true);
    outlet1.UpdateOutletControls();
    EXPECT_TRUE(Enabled(outlet1, id::kTurnOnDelay));
    Edit(outlet1, id::kTurnOnDelay)->setText("4");
    outlet1.StoreSettings(stored);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_A), 4u * 60);
    EXPECT_EQ(GetWord(stored, F::OutletOnDT_H_B), GetWord(base, F::OutletOnDT_H_B));
}

TEST_F(OutletPageTest, ClicksOnTheGroupBoxesEnableTheirLimitAndDelayEdits) {
    struct Group {
        int off, on, limit, delay;
    };
    const Group groups[] = {
        {id::kOffOnBatteryBox, id::kOnAfterBatteryBox, id::kBatteryTime, id::kOnAfterBatteryDelay},
        {id::kOffOnRuntimeBox, id::kOnAfterRuntimeBox, id::kRuntime, id::kOnAfterRuntimeDelay},
        {id::kOffOnCapacityBox, id::kOnAfterCapacityBox, id::kCapacity, id::kOnAfterCapacityDelay}};
    outlet1.LoadSettings(Base());
    for (const Group& g : groups) {
        for (bool off : {false, true}) {
            for (bool on : {false, true}) {
                // Each state is reached by a click, which is what runs the update.
                Box(outlet1, g.on)->setChecked(on);
                Box(outlet1, g.off)->setChecked(!off);
                Box(outlet1, g.off)->click();
                SCOPED_TRACE(testing::Message() << g.off << " " << off << " " << on);
                EXPECT_EQ(Enabled(outlet1, g.limit), off);
                EXPECT_EQ(Enabled(outlet1, g.on), off);
                EXPECT_EQ(Enabled(outlet1, g.delay), off && on);
                EXPECT_TRUE(Enabled(outlet1, g.off));
                EXPECT_TRUE(Enabled(outlet1, id::kTurnOnDelay));
                EXPECT_TRUE(Enabled(outlet1, id::kOverloadBox));
            }
        }
        Box(outlet1, g.off)->setChecked(true);
        Box(outlet1, g.on)->setChecked(false);
        Box(outlet1, g.on)->click();  // the switch-on box alone decides the delay
        EXPECT_TRUE(Enabled(outlet1, g.delay));
    }

    // Disabled without a unit; a later load (of a file) brings the rules back.
    outlet1.UpdateCommandButtons(0);
    outlet1.DisableAllControls();
    for (int id :
         {id::kTurnOnDelay, id::kOverloadBox, id::kBatteryTime, id::kOnAfterBatteryBox,
          id::kOnAfterBatteryDelay, id::kRuntime, id::kOnAfterRuntimeBox, id::kOnAfterRuntimeDelay,
          id::kCapacity, id::kOnAfterCapacityBox, id::kOnAfterCapacityDelay, id::kOffOnBatteryBox,
          id::kOffOnRuntimeBox, id::kOffOnCapacityBox})
        EXPECT_FALSE(Enabled(outlet1, id)) << id;
    EXPECT_TRUE(Enabled(outlet1, id::kTurnOn));
    SettingsImage image = Base();
    SetField(image, F::bOUPLOF_1, 1);
    SetField(image, F::bPROVOB_1, 0);
    outlet1.LoadSettings(image);
    EXPECT_TRUE(Enabled(outlet1, id::kTurnOnDelay));
    EXPECT_TRUE(Enabled(outlet1, id::kBatteryTime));
    EXPECT_FALSE(Enabled(outlet1, id::kOnAfterBatteryDelay));
}

TEST_F(OutletPageTest, CommandButtonsFollowTheOutletFlag) {
    for (int flag : {0, 1, 4, 0}) {
        outlet2.UpdateCommandButtons(flag);
        EXPECT_EQ(Enabled(outlet2, id::kTurnOn), flag == 0);
        EXPECT_EQ(Enabled(outlet2, id::kTurnOff), flag != 0);
        EXPECT_EQ(Enabled(outlet2, id::kReboot), flag != 0);
    }
}

TEST_F(OutletPageTest, CommandButtonsSendReport0x44WithTheOutletsBitsAndTheRestAsRead) {
    struct Row {
        OutletPage* page;
        int button;
        std::uint8_t bits;
    };
    const Row rows[] = {{&outlet2, id::kTurnOff, 0x20}, {&outlet1, id::kTurnOn, 0x04},
                        {&outlet1, id::kTurnOff, 0x08}, {&outlet2, id::kReboot, 0x30},
                        {&outlet2, id::kTurnOn, 0x10},  {&outlet1, id::kReboot, 0x0C}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.page->OutletNumber() << " " << row.button);
        ups.Unit().SetSettingsReport(0x44, {0x12, 0x34, 0x41, 0x56});
        ups.ClearLog();
        row.page->UpdateCommandButtons(row.button == id::kTurnOn ? 0 : 1);
        row.page->Control<QPushButton>(row.button)->click();

        const auto log = ups.Log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].direction, SimulatedUps::Direction::Get);
        EXPECT_EQ(log[0].id, 0x44);
        EXPECT_EQ(log[1].direction, SimulatedUps::Direction::Set);
        EXPECT_EQ(log[1].id, 0x44);
        auto expected = log[0].Data();
        expected[2] |= row.bits;
        EXPECT_EQ(log[1].Data(), expected);
    }
    EXPECT_EQ(Messages().size(), 4u);  // Turn Off and Reboot ask first; the script says Yes
}

TEST_F(OutletPageTest, HoverHelpReachesOnePixelAroundAControl) {
    outlet1.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outlet1));
    auto help = [&] { return outlet1.Control<QPlainTextEdit>(id::kHelp)->toPlainText(); };
    auto at = [&](int id, QPoint offset) {
        QWidget* control = outlet1.Control<QWidget>(id);
        QCursor::setPos(control->mapToGlobal(QPoint(0, 0)) + offset);
        outlet1.UpdateHoverHelp();
    };
    at(id::kTurnOnDelay, QPoint(-2, 5));
    EXPECT_TRUE(help().isEmpty());
    at(id::kTurnOnDelay, QPoint(-1, 5));
    EXPECT_EQ(help(), "Outlet turn on delay during UPS start-up and reboot.");
    at(id::kTurnOff, QPoint(3, 3));
    EXPECT_EQ(help(),
              "Turn off outlet immediately. Outlet will remain off until user manually turn on "
              "the outlet.\nOnly available when outlet is on.");
    at(id::kOffOnBatteryBox, QPoint(3, 3));  // no help of its own: the text stays
    EXPECT_TRUE(help().startsWith("Turn off outlet immediately."));
}

}  // namespace
}  // namespace upsconfig
