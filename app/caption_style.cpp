#include "app/caption_style.h"

#include <QStyleOption>

CaptionColourStyle::CaptionColourStyle(QStyle* base) : QProxyStyle(base) {}

int CaptionColourStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                  QStyleHintReturn* returnData) const {
    // A disabled box keeps the style's greyed caption.
    if (hint == SH_GroupBox_TextLabelColor && option != nullptr &&
        (option->state & State_Enabled) != 0) {
        return static_cast<int>(option->palette.color(QPalette::WindowText).rgba());
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
