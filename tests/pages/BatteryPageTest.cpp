#include "pages/BatteryPage.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include "resources/Ids.h"
#include "support/PageTestSupport.h"
#include "support/QtPrinters.h"

namespace upsconfig {
namespace {

namespace id = ids::battery;

using support::Hex;
using support::ImageWith;
using F = FieldId;

class BatteryPageTest : public testing::Test {
  protected:
    SettingsImage Stored(SettingsImage image) {
        page.StoreSettings(image);
        return image;
    }
    QComboBox* List(int id) { return page.Control<QComboBox>(id); }
    QCheckBox* AutoTest() { return page.Control<QCheckBox>(id::kAutoTest); }

    BatteryPage page;
};

TEST_F(BatteryPageTest, LoadThenStoreWritesTheSameBitsBack) {
    struct Row {
        unsigned minutes, weeks, cabinets, autoTest;
    };
    for (const Row& row : {Row{30, 4, 6, 1}, Row{2, 0, 0, 0}, Row{17, 2, 3, 1}}) {
        for (std::uint8_t fill : {0x00, 0xFF}) {
            SCOPED_TRACE(testing::Message() << row.minutes << " min, fill " << int(fill));
            const SettingsImage image = ImageWith(fill, {{F::bLowBattTime, row.minutes},
                                                         {F::bAutoBattTestTime, row.weeks},
                                                         {F::bBattType, row.cabinets},
                                                         {F::bAutoBattTestEn, row.autoTest}});
            page.LoadSettings(image);
            EXPECT_EQ(List(id::kLowBatteryTime)->currentText().remove('*'),
                      QString::number(row.minutes));
            EXPECT_EQ(List(id::kTestInterval)->currentIndex(), static_cast<int>(row.weeks));
            EXPECT_EQ(List(id::kCabinets)->currentIndex(), static_cast<int>(row.cabinets));
            EXPECT_EQ(AutoTest()->isChecked(), row.autoTest == 1);
            EXPECT_EQ(Hex(Stored(image)), Hex(image));
        }
    }
}

TEST_F(BatteryPageTest, TheTestIntervalFollowsTheAutoTestBoxAlone) {
    const SettingsImage image =
        ImageWith(0, {{F::bLowBattTime, 5}, {F::bAutoBattTestTime, 3}, {F::bAutoBattTestEn, 0}});
    page.LoadSettings(image);
    EXPECT_FALSE(List(id::kTestInterval)->isEnabled());
    EXPECT_TRUE(List(id::kLowBatteryTime)->isEnabled());
    EXPECT_TRUE(List(id::kCabinets)->isEnabled());
    EXPECT_TRUE(AutoTest()->isEnabled());
    // Disabled, it still shows and stores its interval.
    EXPECT_EQ(List(id::kTestInterval)->currentText(), "20");
    EXPECT_EQ(GetField(Stored(ImageWith(0, {})), F::bAutoBattTestTime), 3u);

    // A click on the box enables the interval at once, and a second one disables it again.
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QTest::mouseClick(AutoTest(), Qt::LeftButton);
    EXPECT_TRUE(AutoTest()->isChecked());
    EXPECT_TRUE(List(id::kTestInterval)->isEnabled());
    QTest::mouseClick(AutoTest(), Qt::LeftButton);
    EXPECT_FALSE(List(id::kTestInterval)->isEnabled());
    EXPECT_TRUE(List(id::kLowBatteryTime)->isEnabled());
    EXPECT_TRUE(List(id::kCabinets)->isEnabled());
}

TEST_F(BatteryPageTest, ValuesWithoutAnItemLoadUnselectedAndStoreUnchanged) {
    // bBattType 9, bLowBattTime 1 and 31, bAutoBattTestTime 6: no such items.
    for (unsigned minutes : {1u, 31u}) {
        SCOPED_TRACE(minutes);
        page.LoadSettings(ImageWith(0, {{F::bLowBattTime, 10},
                                        {F::bAutoBattTestTime, 1},
                                        {F::bBattType, 2},
                                        {F::bAutoBattTestEn, 1}}));
        const SettingsImage image = ImageWith(0xFF, {{F::bLowBattTime, minutes},
                                                     {F::bAutoBattTestTime, 6},
                                                     {F::bBattType, 9},
                                                     {F::bAutoBattTestEn, 1}});
        page.LoadSettings(image);
        EXPECT_EQ(List(id::kLowBatteryTime)->currentIndex(), -1);
        EXPECT_EQ(List(id::kTestInterval)->currentIndex(), -1);
        EXPECT_EQ(List(id::kCabinets)->currentIndex(), -1);
        EXPECT_EQ(Hex(Stored(image)), Hex(image));
    }
    // A page never loaded has no selection either and leaves the three fields.
    BatteryPage fresh;
    const SettingsImage image =
        ImageWith(0, {{F::bLowBattTime, 12}, {F::bAutoBattTestTime, 2}, {F::bBattType, 4}});
    SettingsImage stored = image;
    fresh.StoreSettings(stored);
    EXPECT_EQ(Hex(stored), Hex(image));
}

TEST_F(BatteryPageTest, FactoryDefaultsThenStoreGiveTheDefaults) {
    const SettingsImage image = ImageWith(0xFF, {{F::bLowBattTime, 30},
                                                 {F::bAutoBattTestTime, 4},
                                                 {F::bBattType, 6},
                                                 {F::bAutoBattTestEn, 0}});
    page.LoadSettings(image);
    page.SetFactoryDefaults();
    EXPECT_EQ(List(id::kLowBatteryTime)->currentText(), "*2");
    EXPECT_EQ(List(id::kTestInterval)->currentText(), "*8");
    EXPECT_EQ(List(id::kCabinets)->currentText(), "*0");
    EXPECT_TRUE(AutoTest()->isChecked());
    EXPECT_TRUE(List(id::kTestInterval)->isEnabled());

    SettingsImage expected = image;
    SetField(expected, F::bLowBattTime, 2);
    SetField(expected, F::bAutoBattTestTime, 0);
    SetField(expected, F::bBattType, 0);
    SetField(expected, F::bAutoBattTestEn, 1);
    EXPECT_EQ(Hex(Stored(image)), Hex(expected));
}

}  // namespace
}  // namespace upsconfig
