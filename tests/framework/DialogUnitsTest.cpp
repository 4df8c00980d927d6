#include "framework/DialogUnits.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>

namespace upsconfig {
namespace {

TEST(DialogUnits, BaseWidthIsTheLetterRunOverFiftyTwoRounded) {
    EXPECT_EQ(BaseUnitsFromMetrics(312, 13).width, 6);  // exactly 6
    EXPECT_EQ(BaseUnitsFromMetrics(337, 13).width, 6);  // 6.48
    EXPECT_EQ(BaseUnitsFromMetrics(338, 13).width, 7);  // 6.5 rounds up
    EXPECT_EQ(BaseUnitsFromMetrics(338, 13).height, 13);
}

TEST(DialogUnits, ConversionRoundsHalvesAwayFromZero) {
    const DialogBaseUnits units{6, 13};
    EXPECT_EQ(DluToPixelsX(1, units), 2);  // 1.5
    EXPECT_EQ(DluToPixelsX(3, units), 5);  // 4.5
    EXPECT_EQ(DluToPixelsX(5, units), 8);  // 7.5
    EXPECT_EQ(DluToPixelsX(82, units), 123);
    EXPECT_EQ(DluToPixelsY(4, units), 7);      // 6.5
    EXPECT_EQ(DluToPixelsY(3, units), 5);      // 4.875
    EXPECT_EQ(DluToPixelsY(1, units), 2);      // 1.625
    EXPECT_EQ(DluToPixelsY(258, units), 419);  // 419.25
    EXPECT_EQ(DluToPixelsX(-3, units), -5);
    // Each of x, y, width and height converts on its own.
    EXPECT_EQ(DluToPixels({60, 137, 50, 14}, units), QRect(90, 223, 75, 23));
}

TEST(DialogUnits, ArialEightResolvesToAMetricCompatibleSans) {
    DialogTemplate dialog;
    dialog.fontFamily = "Arial";
    dialog.fontPointSize = 8;
    const QFont font = DialogFont(dialog);
    EXPECT_EQ(font.pixelSize(), 11);  // 8 points at 96 dots per inch
    EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
    const QFontMetrics metrics(font);
    const DialogBaseUnits units = BaseUnits(font);
    // The letter run, not the average character width, which differs for this font.
    EXPECT_EQ(
        units.width,
        (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") + 26) /
            52);
    EXPECT_EQ(units.width, 6);
    EXPECT_EQ(units.height, metrics.height());
    EXPECT_EQ(units.height, 12);
}

}  // namespace
}  // namespace upsconfig
