#include "pages/EcoPage.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QTest>
#include <QVBoxLayout>

#include "resources/Ids.h"
#include "resources/StringTable.h"
#include "support/PageTestSupport.h"
#include "support/QtPrinters.h"

namespace upsconfig {
namespace {

namespace id = ids::eco;

using support::Hex;
using support::ImageWith;
using F = FieldId;

class EcoPageTest : public testing::Test {
  protected:
    SettingsImage Stored(SettingsImage image) {
        page.StoreSettings(image);
        return image;
    }
    QComboBox* List(int id) { return page.Control<QComboBox>(id); }

    EcoPage page;
};

TEST_F(EcoPageTest, LoadThenStoreWritesTheSameBitsBack) {
    for (std::uint8_t fill : {0x00, 0xFF}) {
        SCOPED_TRACE(int(fill));
        const SettingsImage image = ImageWith(fill, {{F::bECOMode, 1},
                                                     {F::bECO_Vol_Tol, 0},
                                                     {F::bECO_Freq_Tol, 1},
                                                     {F::bECO_Requlify_Interval, 2}});
        page.LoadSettings(image);
        EXPECT_EQ(List(id::kMode)->currentText(), "On");
        EXPECT_EQ(List(id::kVoltageTolerance)->currentText(), "5%");
        EXPECT_EQ(List(id::kFrequencyTolerance)->currentText(), "2Hz");
        EXPECT_EQ(List(id::kRequalification)->currentText(), "30min");
        EXPECT_EQ(Hex(Stored(image)), Hex(image));
        // Into the opposite background: only the four fields follow the page.
        SettingsImage expected = ImageWith(static_cast<std::uint8_t>(~fill), {});
        const SettingsImage stored = Stored(expected);
        for (F field : {F::bECOMode, F::bECO_Vol_Tol, F::bECO_Freq_Tol, F::bECO_Requlify_Interval})
            SetField(expected, field, GetField(image, field));
        EXPECT_EQ(Hex(stored), Hex(expected));
    }
}

TEST_F(EcoPageTest, ValuesWithoutAnItemLoadUnselectedAndStoreUnchanged) {
    page.SetFactoryDefaults();
    const SettingsImage image = ImageWith(0x00, {{F::bECOMode, 2},
                                                 {F::bECO_Vol_Tol, 3},
                                                 {F::bECO_Freq_Tol, 15},
                                                 {F::bECO_Requlify_Interval, 5}});
    page.LoadSettings(image);
    for (int id : {id::kMode, id::kVoltageTolerance, id::kFrequencyTolerance, id::kRequalification})
        EXPECT_EQ(List(id)->currentIndex(), -1) << id;
    EXPECT_EQ(Hex(Stored(image)), Hex(image));
    // Straight after creation nothing is selected and nothing is written either.
    EcoPage fresh;
    SettingsImage stored = image;
    fresh.StoreSettings(stored);
    EXPECT_EQ(Hex(stored), Hex(image));
}

TEST_F(EcoPageTest, FactoryDefaultsThenStoreGiveTheStarredItems) {
    const SettingsImage image = ImageWith(0xFF, {{F::bECOMode, 1},
                                                 {F::bECO_Vol_Tol, 2},
                                                 {F::bECO_Freq_Tol, 0},
                                                 {F::bECO_Requlify_Interval, 2}});
    page.LoadSettings(image);
    page.SetFactoryDefaults();
    for (int id : {id::kMode, id::kVoltageTolerance, id::kFrequencyTolerance, id::kRequalification})
        EXPECT_TRUE(List(id)->currentText().startsWith('*')) << id;
    SettingsImage expected = image;
    SetField(expected, F::bECOMode, 0);
    SetField(expected, F::bECO_Vol_Tol, 1);
    SetField(expected, F::bECO_Freq_Tol, 2);
    SetField(expected, F::bECO_Requlify_Interval, 0);
    EXPECT_EQ(Hex(Stored(image)), Hex(expected));
}

TEST_F(EcoPageTest, HoverHelpSharesOneTextBetweenTheTolerances) {
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto hover = [&](int id) { return support::HoverOver(page, id, id::kHelp); };
    EXPECT_EQ(hover(id::kMode), support::HelpText(LoadString(ids::text::kEcoModeHelp)));
    EXPECT_TRUE(hover(id::kMode).endsWith("(default)and on. "));
    const QString tolerance = hover(id::kVoltageTolerance);
    EXPECT_TRUE(tolerance.startsWith("If the UPS is in ECO mode,the bypass meet"));
    EXPECT_EQ(hover(id::kFrequencyTolerance), tolerance);
    const QString requalify = hover(id::kRequalification);
    EXPECT_TRUE(requalify.startsWith("Requalification time will be used"));
    EXPECT_TRUE(requalify.endsWith("before transferring back to Bypass."));
}

// One page stands for all: Enter and Escape never close the window around it.
TEST_F(EcoPageTest, EnterAndEscapeAreSwallowed) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* inner = new EcoPage(&dialog);
    layout->addWidget(inner);
    bool closed = false;
    QObject::connect(&dialog, &QDialog::finished, [&] { closed = true; });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    for (QWidget* target : {static_cast<QWidget*>(inner), inner->Control<QWidget>(id::kMode)})
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(target, key);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(inner->isVisible());
}

}  // namespace
}  // namespace upsconfig
