#include "controls/flat_button.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

CFlatButton::CFlatButton(QWidget* parent) : QPushButton(parent) { Init(); }

CFlatButton::CFlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    Init();
}

void CFlatButton::Init() {
    const QPalette pal = QApplication::palette();
    colors[FaceHot] = colors[FaceNormal] = colors[FaceFocus] = pal.color(QPalette::Button);
    colors[TextHot] = colors[TextNormal] = colors[TextFocus] = pal.color(QPalette::ButtonText);
    // Hover must be seen from plain pointer moves, with no button held.
    setMouseTracking(true);
    // Enter on a focused flat button must reach the dialog's own OK command,
    // not click whichever button happens to hold the focus.
    setAutoDefault(false);
    // Runs before any handler the owner connects later, as the button's own
    // click handling comes first.
    connect(this, &QAbstractButton::clicked, this, &CFlatButton::OnClicked);
}

void CFlatButton::SetTransparent(bool on) {
    transparent = on;
    // The panel beneath is painted by the parent, never by us.
    setAttribute(Qt::WA_NoSystemBackground, on);
    setAutoFillBackground(false);
    update();
}

void CFlatButton::SetColor(int slot, const QColor& color) {
    if (slot < 0 || slot > TextFocus) return;
    colors[slot] = color;
    update();
}

QColor CFlatButton::Color(int slot) const {
    if (slot < 0 || slot > TextFocus) return {};
    return colors[slot];
}

void CFlatButton::SetCheckBoxMode(bool on) {
    isCheckBox = on;
    if (!on) checkState = 0;
    update();
}

void CFlatButton::SetCheck(int state) {
    if (!isCheckBox) return;
    checkState = (state == 1 || state == 2) ? 1 : 0;
    update();
}

void CFlatButton::SetDefaultButton(bool on) {
    isDefaultButton = on;
    setDefault(on);
    update();
}

bool CFlatButton::IsDrawnPressed() const { return isDown() || (isCheckBox && checkState != 0); }

void CFlatButton::OnClicked() {
    setFocus(Qt::MouseFocusReason);
    if (isCheckBox) {
        checkState = checkState ? 0 : 1;
        update();
    }
}

void CFlatButton::TrackHover(Qt::MouseButtons buttons, bool inside) {
    // Dragging onto the button with the left button already held must not light it.
    if ((buttons & Qt::LeftButton) && !mouseOver) return;
    if (inside) {
        if (mouseOver) return;
        mouseOver = true;
        update();
        return;
    }
    DropHover();
}

void CFlatButton::DropHover() {
    if (mouseOver) {
        mouseOver = false;
        update();
    }
}

void CFlatButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    TrackHover(event->buttons(), rect().contains(event->position().toPoint()));
}

void CFlatButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click is a press of its own.
    QMouseEvent press(QEvent::MouseButtonPress, event->position(), event->scenePosition(),
                      event->globalPosition(), event->button(), event->buttons(),
                      event->modifiers());
    mousePressEvent(&press);
    event->setAccepted(press.isAccepted());
}

void CFlatButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    TrackHover(QApplication::mouseButtons(), true);
}

void CFlatButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    DropHover();
}

void CFlatButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    DropHover();
}

void CFlatButton::hideEvent(QHideEvent* event) {
    QPushButton::hideEvent(event);
    DropHover();
}

void CFlatButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) DropHover();
}

void CFlatButton::DrawFrame(QPainter& p, const QRect& r, bool sunken) const {
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor topLeft = sunken ? shadow : light;
    const QColor bottomRight = sunken ? light : shadow;
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

void CFlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const bool pressed = IsDrawnPressed();
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    const bool hot = mouseOver || pressed;

    if (!transparent) {
        const QColor face = hot       ? colors[FaceHot]
                            : focused ? colors[FaceFocus]
                                      : colors[FaceNormal];
        p.fillRect(r, face);
    }

    if (hot) DrawFrame(p, r, pressed);

    const QString caption = text();
    if (!caption.isEmpty()) {
        QRect textRect = r;
        if (pressed && !isCheckBox) textRect.translate(1, 1);
        const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        p.setFont(font());
        if (disabled) {
            p.setPen(palette().color(QPalette::Light));
            p.drawText(textRect.translated(1, 1), flags, caption);
            p.setPen(palette().color(QPalette::Dark));
            p.drawText(textRect, flags, caption);
        } else {
            p.setPen(hot ? colors[TextHot] : colors[TextNormal]);
            p.drawText(textRect, flags, caption);
        }
    }
}
