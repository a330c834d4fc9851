#include "controls/dialog_units.h"

#include <QFontMetrics>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    // The average over the Latin letters, not the font's declared average:
    // a CJK font declares the width of its ideographs, which would double
    // every control's width.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    avgCharWidth = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
    if (avgCharWidth <= 0) avgCharWidth = 1;
    charHeight = fm.height() > 0 ? fm.height() : 1;
}

static int MulDivRound(int value, int mul, int div) {
    const long long p = static_cast<long long>(value) * mul;
    const long long half = div / 2;
    return static_cast<int>(p >= 0 ? (p + half) / div : (p - half) / div);
}

int DialogUnits::X(int dluX) const { return MulDivRound(dluX, avgCharWidth, 4); }
int DialogUnits::Y(int dluY) const { return MulDivRound(dluY, charHeight, 8); }

QFont TemplateFont(const QString& family, int pointSize) {
    QFont f(family, pointSize);
    f.setFamilies({family, QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                   QStringLiteral("Noto Sans CJK"), QStringLiteral("Droid Sans Fallback")});
    f.setStyleHint(QFont::SansSerif);
    return f;
}
