#pragma once
// Template geometry is given in dialog units of the template's font: a
// horizontal unit is a quarter of the average character width, a vertical
// unit an eighth of the character height.
#include <QFont>
#include <QRect>
#include <QStringList>

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int X(int dluX) const;
    int Y(int dluY) const;
    QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
    QSize Size(int w, int h) const { return {X(w), Y(h)}; }

  private:
    int avgCharWidth;
    int charHeight;
};

// A font of the given family and size that falls back to CJK fonts found on
// this machine, since every caption is Chinese.
QFont TemplateFont(const QString& family, int pointSize);
