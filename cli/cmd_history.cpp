#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"

#include "history/historyexport.h"
#include "history/historylines.h"
#include "history/historyread.h"
#include "history/historyrequest.h"
#include "history/historytable.h"
#include "history/readthread.h"
#include "link/devicelink.h"

#ifdef ZRVU_CLI_CHART
#include "history/historychart.h"
#endif

#include <QDate>
#include <QJsonArray>
#include <QTemporaryFile>

#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The request carries two-digit years, as the dialog's date range does.
bool parseDate(const QString &text, QDate *date)
{
    *date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date->isValid() && date->year() >= 2000 && date->year() <= 2099;
}

#ifdef ZRVU_CLI_CHART
int writeChart(const CliOptions &options, HistoryLineSource &lines)
{
    // Two passes over the spool: the first learns the columns, the second
    // keeps only what the chart can show, so a wide or long answer is never
    // held as records.
    HistoryTable table(std::numeric_limits<int>::max(), false);
    QString line;
    if (!lines.rewind())
        return failWith(QStringLiteral("cannot read the temporary file"));
    while (lines.next(&line))
        table.addLine(line);
    QList<int> columns;
    for (const QString &name : options.chartColumns) {
        const int column = table.columnOf(name);
        if (column < 1) {
            QStringList names;
            for (int c = 1; c < table.columnCount(); ++c)
                names << table.columnName(c);
            return failWith(QStringLiteral("no column %1 in the records; they have: %2").arg(name, names.join(QLatin1Char(','))));
        }
        if (!table.isNumeric(column))
            return failWith(QStringLiteral("column %1 is not numeric").arg(name));
        columns << column;
    }
    if (columns.isEmpty() && table.numericColumns().isEmpty())
        return failWith(QStringLiteral("the records have no numeric column to draw"));
    QVector<HistorySeries> series;
    HistoryChartNotes notes;
    if (!reduceHistorySeries(lines, table, columns, historyChartFileWidth(), &series, &notes))
        return failWith(QStringLiteral("cannot read the temporary file"));
    const QString error = saveHistoryChart(series, options.chartFile);
    if (!error.isEmpty())
        return failWith(error);
    if (!notes.text().isEmpty())
        writeErr(notes.text() + QLatin1Char('\n'));
    return ExitOk;
}
#endif

// {"type":"line","text":...} and, for a record, its time and fields.
void lineRecord(const QString &line)
{
    const QString text = line.endsWith(QLatin1Char('\n')) ? line.left(line.size() - 1) : line;
    QJsonObject object{{QStringLiteral("text"), text}};
    HistoryRecord record;
    if (parseHistoryRecord(text, &record)) {
        // The instrument's wall clock, held as UTC: written without a zone.
        object.insert(QStringLiteral("time"), record.time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
        object.insert(QStringLiteral("fields"), QJsonArray::fromStringList(record.fields));
    }
    CliJson::record(QStringLiteral("line"), object);
}

// The --json lines are built on a thread of their own: the reading thread
// only hands each line on, so that building the objects never keeps it from
// the socket while the answer streams in (a UDP answer has no second copy).
class JsonLineWriter
{
public:
    JsonLineWriter()
        : m_thread([this] { run(); })
    {
    }
    ~JsonLineWriter() { finish(); }

    void push(const QString &line)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.push_back(line);
        m_wake.notify_one();
    }
    // Every line handed on is written when this returns.
    void finish()
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_done = true;
            m_wake.notify_one();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        std::vector<QString> batch;
        for (;;) {
            {
                std::unique_lock<std::mutex> guard(m_lock);
                m_wake.wait(guard, [this] { return m_done || !m_lines.empty(); });
                if (m_lines.empty() && m_done)
                    return;
                batch.swap(m_lines);
            }
            for (const QString &line : batch)
                lineRecord(line);
            batch.clear();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<QString> m_lines;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace

int runHistory(const CliOptions &options)
{
    QDate start, end;
    if (!parseDate(options.arguments.at(0), &start))
        return usageError(QStringLiteral("FROM must be a date YYYY-MM-DD between 2000-01-01 and 2099-12-31"));
    if (!parseDate(options.arguments.at(1), &end))
        return usageError(QStringLiteral("TO must be a date YYYY-MM-DD between 2000-01-01 and 2099-12-31"));
    // A refusal, not a misuse: no pointer to the help.
    const QString refusal = historyRangeMessage(start, end);
    if (!refusal.isEmpty())
        return refuseWith(refusal);

    // The answer is spooled for the exports instead of held: it may be
    // long, and the exports read it line by line (the PDF twice).
    if (!options.chartColumns.isEmpty() && options.chartFile.isEmpty())
        return usageError(QStringLiteral("--columns needs --chart"));
    const bool exporting = !options.csvFile.isEmpty() || !options.pdfFile.isEmpty() || !options.chartFile.isEmpty();
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

    const QByteArray request = buildHistoryRequest(start, end);
    std::unique_ptr<JsonLineWriter> jsonLines;
    if (CliJson::enabled())
        jsonLines = std::make_unique<JsonLineWriter>();
    HistoryReadOutcome outcome;
    OperationRun run;
    runOperation(
        [&](OperationRun &r) {
            HistoryReadHooks hooks;
            hooks.stopRequested = [&r] { return r.stop.load(); };
            hooks.opened = [&] {
                if (exporting) {
                    spool.resize(0);
                    spool.seek(0);
                }
            };
            hooks.line = [&](const QString &text) {
                spoolText(text);
                // Lines go out as they come, so a long answer can be piped on.
                QString line = historyViewText(text);
                if (!line.endsWith(QLatin1Char('\n')))
                    line += QLatin1Char('\n');
                if (jsonLines)
                    jsonLines->push(line);
                else
                    writeOut(line);
            };
            DeviceLink link;
            link.interChunkWaitMs = kHistoryInterChunkWaitMs;
            outcome = readHistory(link, request, hooks, ReadThread::kDefaultMaxLines);
            return ExitOk;
        },
        stopOnInterrupt, -1, &run);
    if (jsonLines)
        jsonLines->finish();
    if (run.interrupts > 0)
        return ExitInterrupted;
    // A cut-off answer is no history to export.
    CliJson::set(QStringLiteral("lines"), outcome.lines);
    const QString error = historyReadMessage(outcome);
    if (!error.isEmpty())
        return failWith(historyReadError(outcome), error);
    if (spoolFailed || (exporting && !spool.flush()))
        return failWith(QStringLiteral("cannot write the temporary file: %1").arg(spool.errorString()));

    HistoryDeviceLines lines(&spool);
    if (!options.csvFile.isEmpty()) {
        const QString error = exportHistoryCsv(options.csvFile, lines);
        if (!error.isEmpty())
            return failWith(Failure::FileWriteFailed, error);
        CliJson::set(QStringLiteral("csv"), options.csvFile);
    }
    if (!options.pdfFile.isEmpty()) {
        const QString error = exportHistoryPdf(options.pdfFile, lines);
        if (!error.isEmpty())
            return failWith(Failure::FileWriteFailed, error);
        CliJson::set(QStringLiteral("pdf"), options.pdfFile);
    }
#ifdef ZRVU_CLI_CHART
    if (!options.chartFile.isEmpty()) {
        CliJson::set(QStringLiteral("chart"), options.chartFile);
        return writeChart(options, lines);
    }
#endif
    return ExitOk;
}
