#include "dialogs/progress_dlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QProgressBar>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "controls/dialog_units.h"
#include "controls/flat_button.h"

namespace {
const QColor kPanel(10, 100, 120);
const QColor kBar(20, 20, 20);
const QColor kText(200, 200, 200);
}  // namespace

CProgressDlg::CProgressDlg(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QString::number(korvane::ids::kProgressDialog));
    setModal(false);
    setFont(TemplateFont(QStringLiteral("MS Shell Dlg"), 8));
    const DialogUnits du(font());
    setFixedSize(du.Size(394, 64));

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kPanel);
    pal.setColor(QPalette::WindowText, kText);
    pal.setColor(QPalette::Text, kText);
    setPalette(pal);
    setAutoFillBackground(true);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QString::number(korvane::ids::kProgressBar));
    progressBar->setGeometry(du.Rect(8, 7, 378, 11));
    progressBar->setTextVisible(false);
    QPalette barPal = progressBar->palette();
    barPal.setColor(QPalette::Base, kBar);
    barPal.setColor(QPalette::Window, kBar);
    barPal.setColor(QPalette::Text, kText);
    barPal.setColor(QPalette::WindowText, kText);
    progressBar->setPalette(barPal);
    progressBar->setAutoFillBackground(true);
    progressBar->setAccessibleName(QString::fromUtf8(korvane::texts::kProgressBarName));

    doing = new QLabel(this);
    doing->setObjectName(QString::number(korvane::ids::kProgressDoing));
    doing->setGeometry(du.Rect(9, 24, 286, 12));
    doing->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    outcome = new QLabel(this);
    outcome->setObjectName(QString::number(korvane::ids::kProgressOutcome));
    outcome->setGeometry(du.Rect(7, 45, 247, 11));
    outcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    pauseButton = new CFlatButton(QString::fromUtf8(korvane::texts::kPause), this);
    pauseButton->setObjectName(QString::number(korvane::ids::kPauseButton));
    pauseButton->setGeometry(du.Rect(311, 41, 33, 14));
    pauseButton->setVisible(false);
    cancelButton = new CFlatButton(QString::fromUtf8(korvane::texts::kCancel), this);
    cancelButton->setObjectName(QString::number(korvane::ids::kCancelButton));
    cancelButton->setGeometry(du.Rect(352, 41, 33, 14));
    for (CFlatButton* b : {pauseButton, cancelButton}) {
        b->SetTransparent(true);
        b->SetColor(CFlatButton::TextHot, QColor(255, 0, 0));
        b->setDefault(false);
    }
    connect(pauseButton, &QAbstractButton::clicked, this, &CProgressDlg::OnPauseResume);
    connect(cancelButton, &QAbstractButton::clicked, this, &CProgressDlg::OnCancelTransfer);
    Reset();
}

void CProgressDlg::Reset() {
    doing->clear();
    outcome->clear();
    upper_ = 100;
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    pauseButton->setText(QString::fromUtf8(korvane::texts::kPause));
}

void CProgressDlg::Open() {  // NOLINT(bugprone-virtual-near-miss)
    if (!isVisible()) {
        Reset();
        // Placed like a popup template without absolute alignment: relative
        // to the owner's client area.
        const DialogUnits du(font());
        QPoint origin(du.X(40), du.Y(100));
        if (QWidget* owner = parentWidget()) {
            // The client area of a main window begins below its menu bar.
            QWidget* top = owner->window();
            if (auto* main = qobject_cast<QMainWindow*>(top)) {
                QWidget* menu = main->menuWidget();
                if (menu != nullptr && menu->isVisible()) origin.ry() += menu->height();
            }
            origin = top->mapToGlobal(origin);
        }
        move(origin);
    }
    show();
    raise();
    cancelButton->setFocus(Qt::OtherFocusReason);
}

void CProgressDlg::Close() {
    closingFromCode = true;
    hide();
    closingFromCode = false;
    Reset();
}

void CProgressDlg::SetRange(int upper) {
    upper_ = upper < 0 ? 0 : upper;
    // An empty range must leave the bar empty; Qt would turn 0..0 into a
    // busy indicator.
    progressBar->setRange(0, upper_ == 0 ? 1 : upper_);
    progressBar->setValue(0);
}

void CProgressDlg::SetPosition(int pos) {
    if (pos < 0) pos = 0;
    if (pos > upper_) pos = upper_;
    progressBar->setValue(pos);
    progressBar->repaint();
}

int CProgressDlg::Position() const { return progressBar->value(); }

void CProgressDlg::SetItemText(int controlId, const QString& text) {
    QLabel* label = controlId == korvane::ids::kProgressDoing     ? doing
                    : controlId == korvane::ids::kProgressOutcome ? outcome
                                                                  : nullptr;
    if (!label) return;
    label->setText(text);
    if (isVisible()) repaint();
}

QString CProgressDlg::ItemText(int controlId) const {
    if (controlId == korvane::ids::kProgressDoing) return doing->text();
    if (controlId == korvane::ids::kProgressOutcome) return outcome->text();
    if (controlId == 1) return pauseButton->text();
    if (controlId == 2) return cancelButton->text();
    return {};
}

void CProgressDlg::OnCancelTransfer() { emit cancelRequest(1); }

void CProgressDlg::OnPauseResume() {
    if (pauseButton->text() == QString::fromUtf8(korvane::texts::kPause)) {
        pauseButton->setText(QString::fromUtf8(korvane::texts::kContinue));
        emit pauseRequest(0);
    } else {
        pauseButton->setText(QString::fromUtf8(korvane::texts::kPause));
        emit pauseRequest(1);
    }
}

void CProgressDlg::reject() { OnCancelTransfer(); }

void CProgressDlg::accept() { OnPauseResume(); }

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                accept();
                return;
            case Qt::Key_Escape:
                reject();
                return;
            default:
                break;
        }
    }
    QDialog::keyPressEvent(event);
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    if (closingFromCode) {
        event->accept();
        return;
    }
    event->ignore();
    OnCancelTransfer();
}

void CProgressDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // A frameless popup still has its thin border.
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
