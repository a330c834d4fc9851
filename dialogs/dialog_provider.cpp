#include "dialogs/dialog_provider.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>

#include "common/texts.h"
#include "dialogs/confirm_dlg.h"

void QtDialogProvider::ShowBox(const std::string& text, const std::string& caption,
                               korvane::BoxIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    if (icon == korvane::BoxIcon::Exclamation) qicon = QMessageBox::Warning;
    if (icon == korvane::BoxIcon::Stop) qicon = QMessageBox::Critical;
    QMessageBox box(qicon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, owner_);
    // The button speaks the language of the rest of the window.
    if (QAbstractButton* ok = box.button(QMessageBox::Ok))
        ok->setText(QString::fromUtf8(korvane::texts::kOk));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

std::string QtFileFilter(const std::string& pipeFilter) {
    const QStringList parts = QString::fromStdString(pipeFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;")).toStdString();
}

std::optional<std::string> QtDialogProvider::ChooseFile(const std::string& filter) {
    const QString path = QFileDialog::getOpenFileName(owner_, QString(), QString(),
                                                      QString::fromStdString(QtFileFilter(filter)));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogProvider::ChooseFolder(const std::string& title) {
    // A choice without a file-system path comes back empty, as a cancel does.
    const QString path = QFileDialog::getExistingDirectory(owner_, QString::fromStdString(title));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogProvider::AskAuthorizationPassword() {
    CConfirmDlg dlg(owner_);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return dlg.enteredPassword.toStdString();
}
