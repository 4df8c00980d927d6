#include "pages/ParallelPage.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QStringList>

#include "resources/Ids.h"
#include "support/QtPrinters.h"

namespace upsconfig {
namespace {

namespace id = ids::parallel;

using F = FieldId;

// Byte 3 holds both fields among others: every other bit is set, so a stray write shows.
SettingsImage WithParallel(unsigned config, unsigned address) {
    SettingsImage image;
    for (std::size_t i = 0; i < image.bytes.size(); ++i)
        image.bytes[i] = static_cast<std::uint8_t>(0x80 + i);
    image.bytes[3] = 0xFF;
    SetField(image, F::bParalConfig, config);
    SetField(image, F::bParalAddr, address);
    return image;
}

class ParallelPageTest : public testing::Test {
  protected:
    QComboBox* Units() { return page.Control<QComboBox>(id::kUnits); }
    QComboBox* Ids() { return page.Control<QComboBox>(id::kUnitId); }
    QStringList IdItems() {
        QStringList items;
        for (int i = 0; i < Ids()->count(); ++i)
            items << Ids()->itemText(i);
        return items;
    }
    // What the main window does after a read or a file load.
    void Load(const SettingsImage& image) {
        page.SetOwnImage(image);
        page.FillUnitIdList(static_cast<int>(GetField(image, F::bParalConfig)) - 1);
        page.LoadSettings(image);
    }
    // The user picks an item of the number-of-units list.
    void Choose(int index) {
        Units()->setCurrentIndex(index);
        emit Units()->activated(index);
    }

    ParallelPage page;
};

TEST_F(ParallelPageTest, LoadThenStoreWritesBackTheSameBits) {
    const SettingsImage image = WithParallel(2, 2);
    Load(image);
    EXPECT_EQ(Units()->currentText(), "2");
    EXPECT_EQ(IdItems(), QStringList({"*1", "2"}));
    EXPECT_EQ(Ids()->currentText(), "2");

    SettingsImage stored = image;
    page.StoreSettings(stored);
    EXPECT_EQ(stored, image);
}

TEST_F(ParallelPageTest, ChoosingTheNumberOfUnitsOffersTheUnitIdTheUpsHolds) {
    Load(WithParallel(3, 3));
    EXPECT_EQ(Ids()->currentText(), "3");

    Choose(1);
    EXPECT_EQ(IdItems(), QStringList({"*1", "2"}));
    EXPECT_EQ(Ids()->currentIndex(), 0);

    Choose(2);
    EXPECT_EQ(IdItems(), QStringList({"*1", "2", "3"}));
    EXPECT_EQ(Ids()->currentText(), "3");

    Choose(0);
    EXPECT_EQ(IdItems(), QStringList({"*1"}));
    EXPECT_EQ(Ids()->currentIndex(), 0);

    // The unit's id, not an earlier choice on the page.
    Choose(2);
    Ids()->setCurrentIndex(1);
    Choose(2);
    EXPECT_EQ(Ids()->currentText(), "3");

    SettingsImage stored = WithParallel(1, 1);
    page.StoreSettings(stored);
    EXPECT_EQ(stored, WithParallel(3, 3));

    // Unit id 2 held, two units chosen: "2" stays.
    page.SetOwnImage(WithParallel(3, 2));
    Choose(1);
    EXPECT_EQ(Ids()->currentText(), "2");
}

TEST_F(ParallelPageTest, ValuesWithoutAListItemLoadUnselectedAndStoreUnchanged) {
    page.SetFactoryDefaults();
    const QStringList before = IdItems();

    const SettingsImage zero = WithParallel(0, 0);
    Load(zero);
    EXPECT_EQ(Units()->currentIndex(), -1);
    EXPECT_EQ(Ids()->currentIndex(), -1);
    EXPECT_EQ(IdItems(), before);  // no fill for an unknown count
    SettingsImage stored = zero;
    page.StoreSettings(stored);
    EXPECT_EQ(stored, zero);

    // A count beyond the list is kept as the unit has it, not turned into 0.
    const SettingsImage five = WithParallel(5, 3);
    Load(five);
    EXPECT_EQ(Units()->currentIndex(), -1);
    EXPECT_EQ(Ids()->currentIndex(), -1);  // "3" is not in the single-item list
    stored = five;
    page.StoreSettings(stored);
    EXPECT_EQ(stored, five);
}

TEST_F(ParallelPageTest, FactoryDefaultsAreOneUnitWithIdOne) {
    Load(WithParallel(3, 2));
    page.SetFactoryDefaults();
    EXPECT_EQ(Units()->currentText(), "*1");
    EXPECT_EQ(IdItems(), QStringList({"*1"}));
    EXPECT_EQ(Ids()->currentText(), "*1");

    SettingsImage stored = WithParallel(3, 2);
    page.StoreSettings(stored);
    EXPECT_EQ(stored, WithParallel(1, 1));
}

TEST_F(ParallelPageTest, TheListsChangeOnlyWhileTheUpsIsInStandby) {
    Load(WithParallel(2, 1));
    page.UpdateForUpsState(1);
    EXPECT_FALSE(Units()->isEnabled());
    EXPECT_FALSE(Ids()->isEnabled());

    // A refill enables the id list; the next monitor pass disables it again.
    page.FillUnitIdList(2);
    EXPECT_TRUE(Ids()->isEnabled());
    EXPECT_EQ(Ids()->currentIndex(), -1);  // refilled without a selection
    page.UpdateForUpsState(1);
    EXPECT_FALSE(Ids()->isEnabled());

    page.UpdateForUpsState(0);
    EXPECT_TRUE(Units()->isEnabled());
    EXPECT_TRUE(Ids()->isEnabled());
    Choose(1);
    page.UpdateForUpsState(1);
    EXPECT_FALSE(Units()->isEnabled());
    EXPECT_FALSE(Ids()->isEnabled());

    page.UpdateForUpsState(0);
    page.DisableAllControls();
    EXPECT_FALSE(Units()->isEnabled());
    EXPECT_FALSE(Ids()->isEnabled());
}

}  // namespace
}  // namespace upsconfig
