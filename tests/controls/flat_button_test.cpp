#include "controls/flat_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

const QColor kTeal(10, 100, 120);

bool IsRed(QRgb c) { return qRed(c) > 180 && qGreen(c) < 90 && qBlue(c) < 90; }

// The area covered by reddish pixels, empty when none.
QRect RedArea(const QImage& img) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (IsRed(img.pixel(x, y))) r |= QRect(x, y, 1, 1);
    return r;
}

struct Panel {
    QWidget panel;
    CFlatButton* button;
    explicit Panel(const QString& caption = QStringLiteral("取消")) {
        QPalette pal = panel.palette();
        pal.setColor(QPalette::Window, kTeal);
        panel.setPalette(pal);
        panel.setAutoFillBackground(true);
        panel.resize(200, 80);
        button = new CFlatButton(caption, &panel);
        button->setGeometry(50, 20, 80, 30);
        button->SetTransparent(true);
        button->SetColor(CFlatButton::TextHot, QColor(255, 0, 0));
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    QImage Shot() { return button->grab().toImage(); }
    // The panel as painted, cut at the button's place, so the parent's
    // background beneath the button is part of the picture.
    QImage PanelShot() { return panel.grab(button->geometry()).toImage(); }
    void Move(QPoint p, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), button->mapToGlobal(QPointF(p)), Qt::NoButton,
                      buttons, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    }
    void Leave() {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(button, &e);
    }
};

}  // namespace

TEST(FlatButton, PlainLookIsTheBarePanelWithNormalText) {
    Panel p;
    const QImage img = p.PanelShot();
    EXPECT_EQ(QColor(img.pixel(0, 0)), kTeal) << "no frame without hover";
    EXPECT_EQ(QColor(img.pixel(img.width() - 1, img.height() - 1)), kTeal);
    EXPECT_EQ(QColor(img.pixel(4, img.height() / 2)), kTeal) << "transparent face";
    EXPECT_TRUE(RedArea(img).isEmpty());
}

TEST(FlatButton, HoverShowsRaisedFrameAndRedTextAndLeavingRestores) {
    Panel p;
    p.Move(QPoint(10, 10));
    ASSERT_TRUE(p.button->IsMouseOver());
    QImage img = p.PanelShot();
    const QColor topLeft(img.pixel(0, 0));
    const QColor bottomRight(img.pixel(img.width() - 1, img.height() - 1));
    EXPECT_NE(topLeft, kTeal);
    EXPECT_GT(topLeft.lightness(), bottomRight.lightness()) << "raised: light top-left";
    EXPECT_FALSE(RedArea(img).isEmpty());

    p.Leave();
    EXPECT_FALSE(p.button->IsMouseOver());
    img = p.PanelShot();
    EXPECT_EQ(QColor(img.pixel(0, 0)), kTeal);
    EXPECT_TRUE(RedArea(img).isEmpty());
}

TEST(FlatButton, PressSinksFrameAndMovesTextOnePixel) {
    Panel p;
    p.Move(QPoint(10, 10));
    const QRect hoverText = RedArea(p.PanelShot());
    QTest::mousePress(p.button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    ASSERT_TRUE(p.button->IsDrawnPressed());
    const QImage img = p.PanelShot();
    const QColor topLeft(img.pixel(0, 0));
    const QColor bottomRight(img.pixel(img.width() - 1, img.height() - 1));
    EXPECT_LT(topLeft.lightness(), bottomRight.lightness()) << "sunken: dark top-left";
    EXPECT_EQ(RedArea(img), hoverText.translated(1, 1));
    QTest::mouseRelease(p.button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(p.button->IsDrawnPressed());
}

TEST(FlatButton, DraggingOntoWithButtonHeldDoesNotLight) {
    Panel p;
    p.Move(QPoint(10, 10), Qt::LeftButton);
    EXPECT_FALSE(p.button->IsMouseOver());
    EXPECT_TRUE(RedArea(p.PanelShot()).isEmpty());
    p.Move(QPoint(12, 10));
    EXPECT_TRUE(p.button->IsMouseOver());
    // Once lit, holding the button while moving inside keeps it lit.
    p.Move(QPoint(14, 10), Qt::LeftButton);
    EXPECT_TRUE(p.button->IsMouseOver());
    p.Move(QPoint(500, 10), Qt::LeftButton);
    EXPECT_FALSE(p.button->IsMouseOver());
}

TEST(FlatButton, DoubleClickCountsAsTwoPresses) {
    Panel p;
    QSignalSpy clicks(p.button, &QAbstractButton::clicked);
    // The sequence a window system delivers for a double click.
    const QPointF at(10, 10);
    auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent e(type, at, p.button->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(p.button, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(FlatButton, HoverDropsOnFocusLossAndHide) {
    Panel p;
    auto* other = new QWidget(&p.panel);
    other->setFocusPolicy(Qt::StrongFocus);
    other->setGeometry(0, 0, 10, 10);
    other->show();
    p.panel.activateWindow();
    p.button->setFocus();
    p.Move(QPoint(10, 10));
    ASSERT_TRUE(p.button->IsMouseOver());
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(p.button, &out);
    EXPECT_FALSE(p.button->IsMouseOver());
    p.Move(QPoint(11, 10));
    ASSERT_TRUE(p.button->IsMouseOver());
    p.button->hide();
    EXPECT_FALSE(p.button->IsMouseOver());
}

TEST(FlatButton, EmptyCaptionDrawsOnlyBackgroundAndFrame) {
    Panel p{QString()};
    p.Move(QPoint(10, 10));
    const QImage img = p.PanelShot();
    EXPECT_TRUE(RedArea(img).isEmpty());
    EXPECT_NE(QColor(img.pixel(0, 0)), kTeal);
    EXPECT_EQ(QColor(img.pixel(img.width() / 2, img.height() / 2)), kTeal);
}

TEST(FlatButton, CheckBoxModeTogglesOnClickAndDrawsCheckedPressed) {
    Panel p;
    p.button->SetCheckBoxMode(true);
    QTest::mouseClick(p.button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(p.button->GetCheck(), 1);
    EXPECT_TRUE(p.button->IsDrawnPressed());
    QTest::mouseClick(p.button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(p.button->GetCheck(), 0);
    EXPECT_FALSE(p.button->IsDrawnPressed());
}

TEST(FlatButton, SetCheckMapsStatesOnlyInCheckBoxMode) {
    struct Case {
        bool checkBox;
        int in;
        int expected;
    };
    const Case cases[] = {{true, 1, 1},  {true, 2, 1},  {true, 0, 0}, {true, 3, 0},
                          {true, -1, 0}, {false, 1, 0}, {false, 2, 0}};
    for (const Case& c : cases) {
        CFlatButton b(QStringLiteral("x"));
        b.SetCheckBoxMode(c.checkBox);
        b.SetCheck(c.in);
        EXPECT_EQ(b.GetCheck(), c.expected) << "checkBox=" << c.checkBox << " in=" << c.in;
    }
}

TEST(FlatButton, DefaultButtonAnswersEnterInADialogButFlatOnesDoNotByFocus) {
    QDialog dlg;
    auto* def = new CFlatButton(QStringLiteral("a"), &dlg);
    auto* other = new CFlatButton(QStringLiteral("b"), &dlg);
    other->move(0, 40);
    def->SetDefaultButton(true);
    QSignalSpy defClicks(def, &QAbstractButton::clicked);
    QSignalSpy otherClicks(other, &QAbstractButton::clicked);
    dlg.show();
    other->setFocus();
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_EQ(defClicks.count(), 1);
    EXPECT_EQ(otherClicks.count(), 0);
    EXPECT_TRUE(def->IsDefaultButton());
}
