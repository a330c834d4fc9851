#include "dialogs/confirm_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "controls/dialog_units.h"

CConfirmDlg::CConfirmDlg(QWidget* parent) : QDialog(parent) {
    using namespace korvane;
    setObjectName(QString::number(korvane::ids::kConfirmDialog));
    setWindowTitle(QString::fromUtf8(texts::kAuthCaption));
    setFont(TemplateFont(QStringLiteral("MS Shell Dlg"), 8));
    const DialogUnits du(font());
    setFixedSize(du.Size(186, 67));

    auto* label = new QLabel(QString::fromUtf8(texts::kAuthLabel), this);
    label->setGeometry(du.Rect(20, 12, 36, 8).adjusted(0, 0, du.X(8), 2));

    edit = new QLineEdit(this);
    edit->setObjectName(QString::number(korvane::ids::kAuthEdit));
    edit->setGeometry(du.Rect(62, 10, 48, 12));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(10);
    label->setBuddy(edit);

    okButton = new QPushButton(QString::fromUtf8(texts::kOk), this);
    okButton->setObjectName(QString::number(korvane::ids::kIdOk));
    okButton->setGeometry(du.Rect(60, 40, 50, 14));
    okButton->setDefault(true);
    cancelButton = new QPushButton(QString::fromUtf8(texts::kCancel), this);
    cancelButton->setObjectName(QString::number(korvane::ids::kIdCancel));
    cancelButton->setGeometry(du.Rect(117, 40, 50, 14));
    cancelButton->setAutoDefault(false);

    setTabOrder(edit, okButton);
    setTabOrder(okButton, cancelButton);
    connect(okButton, &QPushButton::clicked, this, &CConfirmDlg::OnOK);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void CConfirmDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    edit->setFocus(Qt::OtherFocusReason);
}

void CConfirmDlg::OnOK() {
    enteredPassword = edit->text();
    QDialog::accept();
}
