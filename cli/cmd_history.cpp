#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "history/historyexport.h"
#include "history/historyrequest.h"
#include "history/readthread.h"

#include <QDate>
#include <QEventLoop>

namespace {

// The dialog waits this long between chunks on a serial line.
constexpr int kInterChunkWaitMs = 2000;

QString historyText(const char *sourceText)
{
    return cliText("HistoryData", sourceText);
}

int usageError(const QString &text)
{
    writeErr(QStringLiteral("zrvu-cli: %1\n\n%2").arg(text, cliUsage()));
    return ExitUsage;
}

// The request carries two-digit years, as the dialog's date range does.
bool parseDate(const QString &text, QDate *date)
{
    *date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date->isValid() && date->year() >= 2000 && date->year() <= 2099;
}

} // namespace

// What the dialog's text view holds after the lines went in: every line
// break (CR LF, CR or LF) one paragraph end. The exports read that text.
QString historyViewText(const QString &received)
{
    QString text = received;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

int runHistory(const CliOptions &options)
{
    QDate start, end;
    if (!parseDate(options.arguments.at(0), &start))
        return usageError(QStringLiteral("FROM must be a date YYYY-MM-DD between 2000-01-01 and 2099-12-31"));
    if (!parseDate(options.arguments.at(1), &end))
        return usageError(QStringLiteral("TO must be a date YYYY-MM-DD between 2000-01-01 and 2099-12-31"));
    if (end < start)
        return usageError(historyText("起始日期应该小于或等于结束日期"));

    ReadThread thread;
    QString received;
    QStringList errors;
    QEventLoop loop;
    QObject::connect(&thread, &ReadThread::signalClearText, &loop, [&] { received.clear(); });
    QObject::connect(&thread, &ReadThread::signalAddText, &loop, [&](const QString &text) {
        received += text;
        // Lines go out as they come, so a long answer can be piped on.
        QString line = historyViewText(text);
        if (!line.endsWith(QLatin1Char('\n')))
            line += QLatin1Char('\n');
        writeOut(line);
    });
    QObject::connect(&thread, &ReadThread::signalShowError, &loop,
                     [&](const QString &, const QString &error) { errors << error; });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&] { thread.requestStop(); });
    thread.startQuery(buildHistoryRequest(start, end), kInterChunkWaitMs);
    loop.exec();
    thread.wait();
    if (interrupts.count() > 0)
        return ExitInterrupted;
    if (!errors.isEmpty()) {
        for (const QString &error : qAsConst(errors))
            failWith(error);
        return ExitFailed;
    }

    const QString text = historyViewText(received);
    if (!options.csvFile.isEmpty()) {
        const QString error = exportHistoryCsv(options.csvFile, text);
        if (!error.isEmpty())
            return failWith(error);
    }
    if (!options.pdfFile.isEmpty()) {
        const QString error = exportHistoryPdf(options.pdfFile, text);
        if (!error.isEmpty())
            return failWith(error);
    }
    return ExitOk;
}
