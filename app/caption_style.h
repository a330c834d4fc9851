#pragma once
// The style the window draws with: the platform's own, but for the colour of
// a group box's caption, which it takes from the box's palette. Qt's styles
// for Windows take that colour from the visual theme (or, unthemed, from the
// palette's text colour), so the form's blue captions, "系统操作(需谨慎！)"
// among them, would come out in the theme's colour; Fusion already draws
// them in the palette's window text colour, as this does.
#include <QProxyStyle>

class CaptionColourStyle : public QProxyStyle {
  public:
    // Over `base` (taken over), or over the platform's default style when null.
    explicit CaptionColourStyle(QStyle* base = nullptr);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};
