#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "history/historyexport.h"
#include "history/historyrequest.h"
#include "history/readthread.h"

#include <QDate>
#include <QEventLoop>
#include <QTemporaryFile>

namespace {

// The dialog waits this long between chunks on a serial line.
constexpr int kInterChunkWaitMs = 2000;

QString historyText(const char *sourceText)
{
    return cliText("HistoryData", sourceText);
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
        return refuseWith(historyText("起始日期应该小于或等于结束日期"));

    // The answer is spooled for the exports instead of held: it may be
    // long, and the exports read it line by line (the PDF twice).
    const bool exporting = !options.csvFile.isEmpty() || !options.pdfFile.isEmpty();
    QTemporaryFile spool;
    if (exporting && !spool.open())
        return failWith(QStringLiteral("cannot create a temporary file: %1").arg(spool.errorString()));
    bool spoolFailed = false;
    auto spoolText = [&](const QString &text) {
        if (!exporting || spoolFailed)
            return;
        const QByteArray bytes = historyViewText(text).toUtf8();
        spoolFailed = spool.write(bytes) != bytes.size();
    };

    ReadThread thread;
    QStringList errors;
    QEventLoop loop;
    QObject::connect(&thread, &ReadThread::signalClearText, &loop, [&] {
        if (exporting) {
            spool.resize(0);
            spool.seek(0);
        }
    });
    QObject::connect(&thread, &ReadThread::signalAddText, &loop, [&](const QString &text) {
        spoolText(text);
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
    thread.deliverAll();
    if (interrupts.count() > 0)
        return ExitInterrupted;
    if (!errors.isEmpty()) {
        // A cut-off answer is no history to export.
        for (const QString &error : qAsConst(errors))
            failWith(error);
        return ExitFailed;
    }
    if (spoolFailed || (exporting && !spool.flush()))
        return failWith(QStringLiteral("cannot write the temporary file: %1").arg(spool.errorString()));

    HistoryDeviceLines lines(&spool);
    if (!options.csvFile.isEmpty()) {
        const QString error = exportHistoryCsv(options.csvFile, lines);
        if (!error.isEmpty())
            return failWith(error);
    }
    if (!options.pdfFile.isEmpty()) {
        const QString error = exportHistoryPdf(options.pdfFile, lines);
        if (!error.isEmpty())
            return failWith(error);
    }
    return ExitOk;
}
