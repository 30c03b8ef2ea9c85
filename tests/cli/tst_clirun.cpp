#include "cli/cliruntime.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <csignal>

class tst_CliRun : public QObject
{
    Q_OBJECT

private slots:
    void resultAndThread();
    void deadlineStops();
    void interruptStops();
};

void tst_CliRun::resultAndThread()
{
    QThread *worker = nullptr;
    const int status = runOperation([&](OperationRun &) {
        worker = QThread::currentThread();
        return 42;
    });
    QCOMPARE(status, 42);
    QVERIFY(worker && worker != QThread::currentThread());
}

void tst_CliRun::deadlineStops()
{
    OperationRun state;
    QElapsedTimer clock;
    clock.start();
    const int status = runOperation(
        [](OperationRun &run) {
            // Bounded: an operation that never saw the stop ends the test anyway.
            for (int i = 0; i < 3000 && !run.stop; ++i)
                QThread::msleep(10);
            return run.stop ? 7 : 0;
        },
        stopOnInterrupt, 100, &state);
    QCOMPARE(status, 7);
    QVERIFY(state.deadlinePassed);
    QVERIFY(clock.elapsed() < 3000 * 10); // ended by the deadline, not by the operation
}

void tst_CliRun::interruptStops()
{
    OperationRun state;
    int seen = 0;
    const int status = runOperation(
        [](OperationRun &run) {
            ::raise(SIGINT);
            for (int i = 0; i < 1000 && !run.stop; ++i)
                QThread::msleep(10);
            return run.stop ? 3 : 0;
        },
        [&](int count, OperationRun &run) {
            seen = count;
            run.stop = true;
        },
        -1, &state);
    QCOMPARE(status, 3);
    QCOMPARE(seen, 1);
    QCOMPARE(state.interrupts, 1);
}

QTEST_GUILESS_MAIN(tst_CliRun)
#include "tst_clirun.moc"
