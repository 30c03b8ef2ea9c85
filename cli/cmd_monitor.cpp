#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "link/devicelink.h"
#include "monitor/monitorcapture.h"
#include "monitor/monitorlines.h"

#include <QDateTime>

int runMonitor(const CliOptions &options)
{
    MonitorFormat format = MonitorFormat::Original;
    if (options.format == QLatin1String("hex"))
        format = MonitorFormat::Hex;
    else if (options.format == QLatin1String("both"))
        format = MonitorFormat::OriginalHex;

    MonitorCaptureOutcome outcome;
    OperationRun run;
    // Ctrl-C and the deadline are the dialog's stop: the run ends with debug
    // output switched off again.
    runOperation(
        [&](OperationRun &r) {
            bool outputGone = false;
            MonitorCaptureOptions capture;
            capture.debug = !options.noDebug;
            MonitorCaptureHooks hooks;
            hooks.stopRequested = [&r] { return r.stop.load(); };
            hooks.line = [&](const QByteArray &line) {
                QString text = formatMonitorLine(line, format, QDateTime::currentDateTime());
                if (text.isEmpty() || outputGone)
                    return;
                text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                if (!writeOut(text)) {
                    outputGone = true;
                    r.stop = true;
                }
            };
            DeviceLink link;
            outcome = captureMonitor(link, capture, hooks);
            return ExitOk;
        },
        stopOnInterrupt, options.seconds ? *options.seconds * 1000 : -1, &run);

    const QString error = monitorCaptureMessage(outcome);
    if (!error.isEmpty())
        return failWith(error);
    return run.interrupts > 0 ? ExitInterrupted : ExitOk;
}
