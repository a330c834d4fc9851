// The form's group captions under every style the program may draw with:
// Qt's styles for Windows ask the visual theme for a caption's colour (or,
// unthemed, take the palette's text colour); the window's style answers
// from the box's own palette, so the captions stay blue.
#include "app/caption_style.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>

#include "app/korvane_app.h"
#include "app/main_frame.h"
#include "view/korvane_view.h"

namespace {

TEST(CaptionColour, TheFormsGroupCaptionsAreBlueUnderEveryStyle) {
    CKorvaneDoc doc;
    RecentFileList recent;
    CMainFrame frame(doc, recent);
    const QList<QGroupBox*> boxes = frame.View()->findChildren<QGroupBox*>();
    ASSERT_EQ(boxes.size(), 6);
    // windowsvista, the style korvane.exe loads, among them on Windows.
    for (const QString& key : QStyleFactory::keys()) {
        const CaptionColourStyle style(QStyleFactory::create(key));
        for (QGroupBox* box : boxes) {
            // What QGroupBox asks before it draws its caption.
            QStyleOptionGroupBox option;
            option.initFrom(box);
            const auto rgba = static_cast<QRgb>(
                style.styleHint(QStyle::SH_GroupBox_TextLabelColor, &option, box));
            EXPECT_EQ(QColor::fromRgba(rgba).name().toStdString(), "#0000ff")
                << key.toStdString() << " " << box->title().toStdString();
        }
    }
}

}  // namespace
