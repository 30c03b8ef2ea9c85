#include "link/workerdialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

WorkerDialog::WorkerDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::WindowMaximizeButtonHint);
}

void WorkerDialog::setWorker(QThread *thread, std::function<void()> requestStop, int closeWaitMs)
{
    m_thread = thread;
    m_requestStop = std::move(requestStop);
    m_closeWaitMs = closeWaitMs;
}

bool WorkerDialog::finishPendingClose()
{
    if (!m_closePending)
        return false;
    m_closePending = false;
    QDialog::reject();
    return true;
}

void WorkerDialog::showWorkerError(const QString &title, const QString &error)
{
    if (m_closePending)
        return;
    QMessageBox box(QMessageBox::Critical, title, error, QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText(QCoreApplication::translate("MessageBox", "确定"));
    box.setWindowIcon(windowIcon());
    box.exec();
}

bool WorkerDialog::stopForClose()
{
    if (!m_thread || !m_thread->isRunning())
        return true;
    // Not a blocking stop: its wait can last reply timeouts with the window
    // frozen.
    m_requestStop();
    if (m_thread->wait(static_cast<unsigned long>(m_closeWaitMs)))
        return true;
    m_closePending = true;
    showClosePending();
    return false;
}

void WorkerDialog::reject()
{
    if (m_closePending)
        return;
    if (stopForClose())
        QDialog::reject();
}

void WorkerDialog::closeEvent(QCloseEvent *event)
{
    if (m_closePending || !stopForClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
