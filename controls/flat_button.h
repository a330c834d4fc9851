#pragma once
// A push button that stays flat until the pointer is over it, then shows a
// thin raised frame and its hot text colour. In transparent mode it paints no
// face, so the parent's panel shows through.
#include <QColor>
#include <QPushButton>

class CFlatButton : public QPushButton {
    Q_OBJECT
  public:
    enum ColorSlot { FaceHot = 0, TextHot, FaceNormal, TextNormal, FaceFocus, TextFocus };

    explicit CFlatButton(QWidget* parent = nullptr);
    CFlatButton(const QString& text, QWidget* parent = nullptr);

    void SetTransparent(bool on);
    bool IsTransparent() const { return transparent; }
    void SetColor(int slot, const QColor& color);
    QColor Color(int slot) const;

    // Check-box mode: each click toggles the check state, and a checked
    // button is drawn pressed.
    void SetCheckBoxMode(bool on);
    int GetCheck() const { return checkState; }
    void SetCheck(int state);

    // The dialog's default button answers Enter; it looks like the others.
    void SetDefaultButton(bool on);
    bool IsDefaultButton() const { return isDefaultButton; }

    bool IsMouseOver() const { return mouseOver; }
    // Pressed as the next paint draws it: held down, or checked in check-box mode.
    bool IsDrawnPressed() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void Init();
    void TrackHover(Qt::MouseButtons buttons, bool inside);
    void DropHover();
    void OnClicked();
    void DrawFrame(QPainter& p, const QRect& r, bool sunken) const;

    bool mouseOver = false;
    bool transparent = false;
    bool isDefaultButton = false;
    bool isCheckBox = false;
    int checkState = 0;
    QColor colors[6];
};
