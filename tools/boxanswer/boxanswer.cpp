#include "tools/boxanswer/boxanswer.h"

#include <QAbstractButton>
#include <QMessageBox>

void answerMessageBox(QMessageBox *box, const QString &buttonText)
{
    QAbstractButton *target = nullptr;
    for (QAbstractButton *b : box->buttons()) {
        const QMessageBox::ButtonRole role = box->buttonRole(b);
        if (buttonText.isEmpty() ? role == QMessageBox::AcceptRole || role == QMessageBox::YesRole
                                 : b->text() == buttonText) {
            target = b;
            break;
        }
    }
    if (!target && !box->buttons().isEmpty())
        target = box->buttons().first();
    if (target)
        target->click();
    else
        box->reject();
}
