#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "monitor/monitorlines.h"
#include "monitor/monitorthread.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

int runMonitor(const CliOptions &options)
{
    MonitorFormat format = MonitorFormat::Original;
    if (options.format == QLatin1String("hex"))
        format = MonitorFormat::Hex;
    else if (options.format == QLatin1String("both"))
        format = MonitorFormat::OriginalHex;

    MonitorThread thread;
    thread.setDebug(!options.noDebug);
    QStringList errors;
    bool stopping = false;
    bool outputGone = false;
    QEventLoop loop;
    // The dialog's stop: the run ends with debug output switched off again.
    auto stop = [&] {
        if (stopping)
            return;
        stopping = true;
        thread.requestStop();
    };
    QObject::connect(&thread, &MonitorThread::signalDataRecv, &loop, [&](const QByteArray &line) {
        QString text = formatMonitorLine(line, format, QDateTime::currentDateTime());
        if (text.isEmpty() || outputGone)
            return;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (!writeOut(text)) {
            outputGone = true;
            stop();
        }
    });
    QObject::connect(&thread, &MonitorThread::signalLinesDropped, &loop,
                     [&](qint64 count) { writeErr(MonitorThread::droppedText(count) + QLatin1Char('\n')); });
    QObject::connect(&thread, &MonitorThread::signalShowError, &loop,
                     [&](const QString &, const QString &error) { errors << error; });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&](int count) {
        if (count >= 2)
            exitNow(ExitInterrupted);
        stop();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, stop);
    if (options.seconds)
        deadline.start(*options.seconds * 1000);

    thread.start();
    loop.exec();
    thread.wait();
    // Lines captured before the stop may still wait; the queue is bounded.
    QCoreApplication::sendPostedEvents();
    thread.deliverAll();

    if (!errors.isEmpty()) {
        for (const QString &error : qAsConst(errors))
            failWith(error);
        return ExitFailed;
    }
    return interrupts.count() > 0 ? ExitInterrupted : ExitOk;
}
