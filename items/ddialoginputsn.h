#pragma once

#include <QDialog>

namespace Ui {
class DDialogInputSN;
}
class QLineEdit;

// Asks for a serial number of 1 to 24 letters or digits.
class DDialogInputSN : public QDialog
{
    Q_OBJECT

public:
    explicit DDialogInputSN(QWidget *parent = nullptr);
    ~DDialogInputSN() override;

    QString serialNumber() const;
    QLineEdit *lineEdit() const;

private slots:
    void slotConfirm();

private:
    Ui::DDialogInputSN *m_ui = nullptr;
};
