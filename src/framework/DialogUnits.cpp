#include "framework/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace upsconfig {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogBaseUnits BaseUnitsFromMetrics(int fiftyTwoLettersWidth, int fontHeight) {
    return {MulDivRound(fiftyTwoLettersWidth, 1, 52), fontHeight};
}

DialogBaseUnits BaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return BaseUnitsFromMetrics(metrics.horizontalAdvance(letters), metrics.height());
}

int DluToPixelsX(int dlu, DialogBaseUnits units) { return MulDivRound(dlu, units.width, 4); }

int DluToPixelsY(int dlu, DialogBaseUnits units) { return MulDivRound(dlu, units.height, 8); }

QRect DluToPixels(const DluRect& rect, DialogBaseUnits units) {
    return QRect(DluToPixelsX(rect.x, units), DluToPixelsY(rect.y, units),
                 DluToPixelsX(rect.width, units), DluToPixelsY(rect.height, units));
}

QFont DialogFont(const DialogTemplate& dialog) {
    QFont font(QString::fromUtf8(dialog.fontFamily.data(),
                                 static_cast<qsizetype>(dialog.fontFamily.size())));
    font.setPixelSize(MulDivRound(dialog.fontPointSize, 96, 72));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace upsconfig
