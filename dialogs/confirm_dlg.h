#pragma once
// Asks for the authorization password before the fixed sound area is touched.
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class CConfirmDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CConfirmDlg(QWidget* parent = nullptr);

    // Filled only when the operator presses OK.
    QString enteredPassword;

    QLineEdit* Edit() const { return edit; }

  protected:
    void showEvent(QShowEvent* event) override;

  public slots:
    void OnOK();

  private:
    QLineEdit* edit;
    QPushButton* okButton;
    QPushButton* cancelButton;
};
