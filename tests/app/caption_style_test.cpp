// The form's group captions under each style the program may draw with.
// Qt's styles for Windows ask the visual theme for a caption's colour, or
// unthemed take the palette's text colour; the window's style answers from
// the box's own palette, so the captions stay blue.
#include "app/caption_style.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <cstdio>
#include <memory>
#include <string>

#include "app/korvane_app.h"
#include "app/main_frame.h"
#include "view/korvane_view.h"

namespace {

// What QGroupBox asks before it draws its caption, as #rrggbb.
std::string CaptionColour(const QStyle& style, const QGroupBox& box) {
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    const auto rgba =
        static_cast<QRgb>(style.styleHint(QStyle::SH_GroupBox_TextLabelColor, &option, &box));
    return QColor::fromRgba(rgba).name().toStdString();
}

TEST(CaptionColour, TheFormsGroupCaptionsAreBlueUnderEveryStyle) {
    CKorvaneDoc doc;
    RecentFileList recent;
    CMainFrame frame(doc, recent);
    const QList<QGroupBox*> boxes = frame.View()->findChildren<QGroupBox*>();
    ASSERT_EQ(boxes.size(), 6);
    // windowsvista, which korvane.exe loads, where the plugin is there (Windows).
    const QStringList keys = QStyleFactory::keys();
    ASSERT_TRUE(keys.contains(QStringLiteral("Windows"), Qt::CaseInsensitive))
        << "no Windows style";
    for (const QString& key : keys) {
        SCOPED_TRACE(key.toStdString());
        const CaptionColourStyle style(QStyleFactory::create(key));
        for (QGroupBox* box : boxes) {
            SCOPED_TRACE(box->title().toStdString());
            EXPECT_EQ(CaptionColour(style, *box), "#0000ff");
        }
        // A disabled box keeps the style's greyed caption.
        boxes[0]->setEnabled(false);
        const std::unique_ptr<QStyle> base(QStyleFactory::create(key));
        EXPECT_EQ(CaptionColour(style, *boxes[0]), CaptionColour(*base, *boxes[0]));
        boxes[0]->setEnabled(true);
    }
    std::printf("  styles: %s\n", keys.join(QStringLiteral(", ")).toUtf8().constData());
}

}  // namespace
