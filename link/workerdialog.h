#pragma once

#include <QDialog>

#include <functional>

class QThread;

// A dialog that runs an exchange on a worker thread of its own, which must
// be over before the dialog goes. Closing asks the worker to stop and waits
// briefly; a worker still busy then keeps the dialog up, inert, until it has
// finished, and the dialog closes itself (the first wait for an answer may
// not look at the stop flag, and a running thread must not be destroyed).
class WorkerDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WorkerDialog(QWidget *parent);

public slots:
    void reject() override;

protected:
    // Once, from the constructor: `requestStop` sets the worker's stop flag
    // without waiting; the close waits closeWaitMs before it stays pending.
    void setWorker(QThread *thread, std::function<void()> requestStop, int closeWaitMs);
    void closeEvent(QCloseEvent *event) override;
    // The user has dismissed the dialog; it closes when the worker ends.
    bool closePending() const { return m_closePending; }
    // From the worker's finished(): true when that completed a pending
    // close, and the dialog is gone.
    bool finishPendingClose();
    // The close waits for the worker: the controls off, the title saying so.
    virtual void showClosePending() = 0;
    // A critical box with one "确定", unless the dialog has been dismissed
    // already: how the run wound down is no news to the user then.
    void showWorkerError(const QString &title, const QString &error);

private:
    // False while the worker is still winding down.
    bool stopForClose();

    QThread *m_thread = nullptr;
    std::function<void()> m_requestStop;
    int m_closeWaitMs = 0;
    bool m_closePending = false;
};
