#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTest>
#include <QThread>
#include <QVariant>

// Records a worker thread's signals on the test thread. QSignalSpy appends
// on the emitting thread, which races with the test reading it; here every
// emission arrives queued and is stored by the test thread itself.
class SignalLog : public QObject, public QList<QList<QVariant>>
{
public:
    template<typename Sender, typename Class, typename... Args>
    SignalLog(Sender *sender, void (Class::*signal)(Args...))
    {
        connect(
            sender, signal, this,
            [this](Args... args) { append(QList<QVariant>{QVariant::fromValue(std::decay_t<Args>(args))...}); },
            Qt::QueuedConnection);
    }

    using QList<QList<QVariant>>::size;
    using QList<QList<QVariant>>::isEmpty;
    using QList<QList<QVariant>>::clear;
};

// Waits until `thread` has ended, then delivers what it posted (its last
// signals and finished()). False when it still runs after timeoutMs.
inline bool waitThread(QThread *thread, int timeoutMs)
{
    if (!QTest::qWaitFor([thread] { return !thread->isRunning(); }, timeoutMs))
        return false;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return true;
}
