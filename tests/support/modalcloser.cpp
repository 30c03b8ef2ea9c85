#include "tests/support/modalcloser.h"

#include "tools/boxanswer/boxanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPointer>

ModalCloser::ModalCloser(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::slotTick);
    m_timer.start(30);
}

QStringList ModalCloser::texts() const
{
    QStringList out;
    for (const Seen &s : m_seen)
        out << s.text;
    return out;
}

void ModalCloser::slotTick()
{
    QWidget *w = QApplication::activeModalWidget();
    if (!w || !w->isVisible())
        return;
    Seen seen;
    seen.className = QString::fromLatin1(w->metaObject()->className());
    seen.objectName = w->objectName();
    seen.title = w->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
        seen.text = box->text();
        seen.informativeText = box->informativeText();
        for (QAbstractButton *b : box->buttons())
            seen.buttons << b->text();
        seen.icon = box->icon();
        m_seen << seen;
        answerMessageBox(box, m_buttonText);
        return;
    }
    if (auto *dialog = qobject_cast<QDialog *>(w)) {
        if (m_handled == w)
            return; // the handler is still working with it
        m_seen << seen;
        if (m_handler) {
            QPointer<QWidget> guard(w);
            m_handled = w;
            m_handler(w);
            if (!guard || !guard->isVisible())
                m_handled = nullptr;
        } else {
            dialog->reject();
        }
    }
}
