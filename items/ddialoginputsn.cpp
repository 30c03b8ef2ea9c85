#include "items/ddialoginputsn.h"

#include "items/serialnumber.h"
#include "ui_ddialoginputsn.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRegExpValidator>

DDialogInputSN::DDialogInputSN(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::DDialogInputSN)
{
    m_ui->setupUi(this);
    m_ui->lineEdit->setValidator(new QRegExpValidator(QRegExp(serialNumberPattern()), m_ui->lineEdit));
    connect(m_ui->bntOk, &QPushButton::clicked, this, &DDialogInputSN::slotConfirm);
    connect(m_ui->bntCancel, &QPushButton::clicked, this, &QDialog::reject);
}

DDialogInputSN::~DDialogInputSN()
{
    delete m_ui;
}

QString DDialogInputSN::serialNumber() const
{
    return m_ui->lineEdit->text();
}

QLineEdit *DDialogInputSN::lineEdit() const
{
    return m_ui->lineEdit;
}

void DDialogInputSN::slotConfirm()
{
    QString text = m_ui->lineEdit->text();
    int pos = 0;
    if (m_ui->lineEdit->validator()->validate(text, pos) == QValidator::Acceptable) {
        accept();
        return;
    }
    QMessageBox box(QMessageBox::Critical, windowTitle(), serialNumberInvalidMessage(), QMessageBox::NoButton, this);
    box.addButton(tr("确定"), QMessageBox::AcceptRole);
    box.exec();
}
