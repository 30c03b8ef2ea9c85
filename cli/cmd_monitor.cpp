#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"
#include "link/framecodec.h"

#include "link/devicelink.h"
#include "monitor/monitorcapture.h"
#include "monitor/monitorlines.h"
#include "monitor/monitorthread.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace {

constexpr int kWriteBatch = 200;
constexpr int kWriteSliceMs = 30;

} // namespace

int runMonitor(const CliOptions &options)
{
    MonitorFormat format = MonitorFormat::Original;
    if (options.format == QLatin1String("hex"))
        format = MonitorFormat::Hex;
    else if (options.format == QLatin1String("both"))
        format = MonitorFormat::OriginalHex;

    OperationRun run;
    // The capture must not wait for a slow stdout: lines go through the
    // dialog's bounded queue and are written on this thread, which drops
    // and counts what stdout cannot keep up with.
    MonitorLineQueue queue;
    bool outputGone = false;
    QObject writer;
    std::function<void()> write = [&] {
        QElapsedTimer clock;
        clock.start();
        bool more = true;
        while (more) {
            for (const MonitorLineQueue::Entry &e : queue.take(kWriteBatch, &more)) {
                if (e.line.isEmpty()) {
                    writeErr(MonitorThread::droppedText(e.dropped) + QLatin1Char('\n'));
                    continue;
                }
                if (CliJson::enabled() && !outputGone) {
                    QString text = decodeDeviceText(e.line);
                    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
                        text.chop(1);
                    QJsonObject line{{QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)},
                                     {QStringLiteral("text"), text}};
                    if (format != MonitorFormat::Original)
                        line.insert(QStringLiteral("hex"), hexDump(e.line));
                    if (!CliJson::record(QStringLiteral("line"), line)) {
                        outputGone = true;
                        run.stop = true;
                    }
                    continue;
                }
                QString text = formatMonitorLine(e.line, format, QDateTime::currentDateTime());
                if (text.isEmpty() || outputGone)
                    continue;
                text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                if (!writeOut(text)) {
                    outputGone = true;
                    run.stop = true;
                }
            }
            // In slices: Ctrl-C and the deadline keep their turn.
            if (more && clock.elapsed() >= kWriteSliceMs) {
                QMetaObject::invokeMethod(&writer, write, Qt::QueuedConnection);
                return;
            }
        }
    };

    MonitorCaptureOutcome outcome;
    // Ctrl-C and the deadline are the dialog's stop: the run ends with debug
    // output switched off again.
    runOperation(
        [&](OperationRun &r) {
            MonitorCaptureOptions capture;
            capture.debug = !options.noDebug;
            MonitorCaptureHooks hooks;
            hooks.stopRequested = [&r] { return r.stop.load(); };
            hooks.line = [&](const QByteArray &line) {
                bool wake = false;
                queue.push(line, &wake);
                if (wake)
                    QMetaObject::invokeMethod(&writer, write, Qt::QueuedConnection);
            };
            DeviceLink link;
            outcome = captureMonitor(link, capture, hooks);
            return ExitOk;
        },
        stopOnInterrupt, options.seconds ? *options.seconds * 1000 : -1, &run);
    // Lines captured before the stop may still wait; the queue is bounded.
    do
        write();
    while (queue.size() > 0);

    CliJson::set(QStringLiteral("lines"), outcome.lines);
    const QString error = monitorCaptureMessage(outcome);
    if (!error.isEmpty())
        return failWith(monitorCaptureError(outcome), error);
    return run.interrupts > 0 ? ExitInterrupted : ExitOk;
}
