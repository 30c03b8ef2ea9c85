// bench_history: a long history query from zrsim over loopback UDP, first
// with the bare ReadThread, then through the dialog, and the time to export
// what the dialog shows as CSV and PDF.
//
//   bench_history [--sim PATH] [--days N] [--interval MINUTES] [--chunk BYTES] [--columns N]
//
// Prints lines per second, the longest stall of the GUI event loop while the
// dialog fills, and the export times. The dialog runs twice: with the text
// view alone (the baseline) and with its table and chart; the second run's
// stall and its time from the last line to a full table and chart are
// given as ratios against the first's. A year of 10-minute records:
//
//   bench_history --days 365 --interval 10
//
// and wide records (2000 columns, about 80 MB), ending with the peak RSS
// (--no-export leaves out the exports, which take long for so many columns):
//
//   bench_history --days 14 --columns 2000 --no-export

#include "history/historychart.h"
#include "history/historydata.h"
#include "history/historytable.h"
#include "history/historyexport.h"
#include "history/historyrequest.h"
#include "history/readthread.h"
#include "settings/settingkeys.h"
#include "tools/zrsim/simlauncher.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

const QDate kFirstDay(2024, 3, 1);

bool startSim(QProcess &sim, const QString &program, const QStringList &extra, quint16 *udpPort)
{
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    SimLauncher::Announcement a;
    if (SimLauncher::start(sim, program, QStringList{QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0")} + extra,
                           &a) != SimLauncher::Ready)
        return false;
    *udpPort = a.udpPort;
    return *udpPort != 0;
}

// Longest gap between ticks of a 5 ms timer: how long the GUI thread was
// unable to process events.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            m_max = std::max(m_max, m_clock.restart());
        });
    }
    void start()
    {
        m_max = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return m_max;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_max = 0;
};

// One query through the dialog, timed from the GUI thread's side.
struct DialogRun {
    int lines = 0;
    int records = 0;
    int chartPoints = 0;
    double totalMs = 0;
    qint64 maxStall = 0;
    double textAfterLastMs = -1;  // last line arrived → shown in the text view
    double tableAfterLastMs = -1; // → every record in the table
    double chartAfterLastMs = -1; // → every record in the chart's data
};

DialogRun runDialog(HistoryData &dialog, int expectedLines, bool views);

bool waitFinished(QThread *thread, int timeoutMs)
{
    if (!thread->isRunning())
        return true;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return !thread->isRunning();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("sim"), QStringLiteral("zrsim to start."), QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("days"), QStringLiteral("Days to query (default 30)."), QStringLiteral("N"),
                      QStringLiteral("30")});
    parser.addOption({QStringLiteral("interval"), QStringLiteral("Minutes between records (default 1)."),
                      QStringLiteral("MINUTES"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("chunk"), QStringLiteral("Bytes per answer chunk (default 1400)."),
                      QStringLiteral("BYTES"), QStringLiteral("1400")});
    parser.addOption({QStringLiteral("columns"), QStringLiteral("Value columns per record (default 2)."),
                      QStringLiteral("N"), QStringLiteral("2")});
    parser.addOption({QStringLiteral("no-export"), QStringLiteral("Leave out the CSV and PDF exports.")});
    parser.process(app);
    const int columns = std::clamp(parser.value(QStringLiteral("columns")).toInt(), 2, 100000);
    const int days = std::clamp(parser.value(QStringLiteral("days")).toInt(), 1, 366);
    const int interval = std::clamp(parser.value(QStringLiteral("interval")).toInt(), 1, 1440);
    const int chunk = std::clamp(parser.value(QStringLiteral("chunk")).toInt(), 16, 8192);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QProcess sim;
    quint16 port = 0;
    const QString program = SimLauncher::locate(parser.value(QStringLiteral("sim")));
    if (!startSim(sim, program,
                  {QStringLiteral("--history-interval"), QString::number(interval), QStringLiteral("--history-chunk"),
                   QString::number(chunk), QStringLiteral("--history-columns"), QString::number(columns)},
                  &port)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        return 1;
    }
    {
        QSettings s(dir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
        s.setIniCodec(QTextCodec::codecForName("utf-8"));
        SettingKeys::communicateUdp.write(1, &s);
        SettingKeys::udpAddress.write(QStringLiteral("127.0.0.1"), &s);
        SettingKeys::udpPort.write(QString::number(port), &s);
        SettingKeys::deviceAddress.write(1, &s);
    }
    const QDate lastDay = kFirstDay.addDays(days - 1);
    const int expected = 1 + days * ((24 * 60 + interval - 1) / interval);
    std::printf("query: %d days at %d min = %d lines, %d-byte chunks, zrsim udp 127.0.0.1:%u\n", days, interval,
                expected, chunk, port);
    // The answer ends with 1000 ms of silence; rates below leave it out.
    constexpr double kSilenceMs = 1000.0;

    // 1. The reading thread alone.
    {
        ReadThread thread;
        int lines = 0;
        qint64 bytes = 0;
        QElapsedTimer firstToLast;
        qint64 lastLineMs = 0;
        QObject::connect(&thread, &ReadThread::signalAddText, &app, [&](const QString &text) {
            if (lines++ == 0)
                firstToLast.start();
            bytes += text.size();
            lastLineMs = firstToLast.elapsed();
        });
        QObject::connect(&thread, &ReadThread::signalShowError, &app,
                         [](const QString &, const QString &e) { std::printf("error: %s\n", qPrintable(e)); });
        QElapsedTimer clock;
        clock.start();
        thread.startQuery(buildHistoryRequest(kFirstDay, lastDay), 2000);
        waitFinished(&thread, 600000);
        QCoreApplication::processEvents();
        const double ms = clock.elapsed();
        std::printf("ReadThread: %d lines (%s), %.0f ms total, %.0f ms first to last line, %.0f lines/s, %.2f MB/s "
                    "of text\n",
                    lines, lines == expected ? "all" : "MISSING", ms, double(lastLineMs),
                    lastLineMs > 0 ? lines * 1000.0 / lastLineMs : 0.0,
                    lastLineMs > 0 ? bytes / 1048576.0 * 1000.0 / lastLineMs : 0.0);
    }

    // 2. Through the dialog, as a user sees it: first the text view alone
    // as the baseline, then with the table and the chart.
    HistoryData dialog(nullptr);
    QString nextFile;
    dialog.setSaveFileNameProvider([&nextFile](QWidget *, const QString &, const QString &) { return nextFile; });
    dialog.findChild<QDateEdit *>(QStringLiteral("dateStart"))->setDate(kFirstDay);
    dialog.findChild<QDateEdit *>(QStringLiteral("dateEnd"))->setDate(lastDay);
    dialog.show();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    DialogRun runs[2];
    for (int i = 0; i < 2; ++i) {
        const bool views = i == 1;
        const DialogRun r = runDialog(dialog, expected, views);
        runs[i] = r;
        std::printf("HistoryData %s: %d lines in the view (%s), %.0f ms total, %.0f lines/s into the view (without "
                    "the closing %.0f ms of silence), longest GUI stall %lld ms, text shown %.0f ms after the last "
                    "line",
                    views ? "with table and chart" : "text view alone", r.lines, r.lines == expected ? "all" : "MISSING",
                    r.totalMs, r.totalMs > kSilenceMs ? r.lines * 1000.0 / (r.totalMs - kSilenceMs) : 0.0, kSilenceMs,
                    r.maxStall, r.textAfterLastMs);
        if (views)
            std::printf(", table (%d records) %.0f ms, chart (%d points) %.0f ms after the last line", r.records,
                        r.tableAfterLastMs, r.chartPoints, r.chartAfterLastMs);
        std::printf("\n");
    }
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    const double base = std::max(1.0, runs[0].textAfterLastMs);
    std::printf("table and chart against the text view alone: longest stall %lld ms / %lld ms = %.2f; ready after "
                "the last line: table %.0f ms / %.0f ms = %.2f, chart %.0f ms / %.0f ms = %.2f\n",
                runs[1].maxStall, runs[0].maxStall, ratio(runs[1].maxStall, std::max<qint64>(1, runs[0].maxStall)),
                runs[1].tableAfterLastMs, base, ratio(runs[1].tableAfterLastMs, base), runs[1].chartAfterLastMs, base,
                ratio(runs[1].chartAfterLastMs, base));

    // 3. Exports of what the view shows.
    if (!parser.isSet(QStringLiteral("no-export"))) {
        // The exports run off the GUI thread: the longest gap between ticks
        // while one runs, against the same stretch of an idle dialog.
        StallMeter meter;
        const auto exportOnce = [&](const char *button, const QString &name, qint64 *stallMs) {
            nextFile = dir.filePath(name);
            QEventLoop loop;
            QObject::connect(&dialog, &HistoryData::exportFinished, &loop, &QEventLoop::quit);
            clock.restart();
            meter.start();
            dialog.findChild<QPushButton *>(QLatin1String(button))->click();
            if (dialog.isExporting())
                loop.exec();
            *stallMs = meter.stop();
            return double(clock.elapsed());
        };
        const auto idleFor = [&](double ms) {
            QEventLoop loop;
            QTimer::singleShot(int(std::max(10.0, ms)), &loop, &QEventLoop::quit);
            meter.start();
            loop.exec();
            return meter.stop();
        };
        qint64 csvStall = 0, pdfStall = 0;
        const double csvMs = exportOnce("bntExportCSV", QStringLiteral("out.csv"), &csvStall);
        const qint64 csvIdle = idleFor(csvMs);
        std::printf("CSV export: %.0f ms, %lld bytes; longest GUI gap %lld ms, idle %lld ms, ratio %.2f\n", csvMs,
                    QFileInfo(nextFile).size(), csvStall, csvIdle, double(csvStall) / std::max<qint64>(1, csvIdle));

        const double pdfMs = exportOnce("bntExportPDF", QStringLiteral("out.pdf"), &pdfStall);
        const qint64 pdfIdle = idleFor(pdfMs);
        QFile pdf(nextFile);
        int pages = 0;
        if (pdf.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = pdf.readAll();
            for (int at = bytes.indexOf("/Type /Page"); at >= 0; at = bytes.indexOf("/Type /Page", at + 1))
                pages += bytes.mid(at + 11, 1) != "s";
        }
        std::printf("PDF export: %.0f ms, %d pages, %lld bytes; longest GUI gap %lld ms, idle %lld ms, ratio %.2f\n",
                    pdfMs, pages, QFileInfo(nextFile).size(), pdfStall, pdfIdle,
                    double(pdfStall) / std::max<qint64>(1, pdfIdle));
    }

    sim.kill();
    sim.waitForFinished(3000);
#ifdef Q_OS_UNIX
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak RSS: %.0f MB\n", usage.ru_maxrss / 1024.0);
#endif
    return 0;
}

namespace {

DialogRun runDialog(HistoryData &dialog, int expectedLines, bool views)
{
    DialogRun r;
    dialog.setDataViewsEnabled(views);
    auto *view = dialog.findChild<QPlainTextEdit *>(QStringLiteral("textEdit"));
    QElapsedTimer clock;
    double lastLineMs = -1;
    const QMetaObject::Connection c = QObject::connect(dialog.readThread(), &ReadThread::signalAddText, &dialog,
                                                       [&] { lastLineMs = double(clock.nsecsElapsed()) / 1e6; });
    // Looks at the views between events, as often as a 5 ms timer can.
    QTimer probe;
    probe.setInterval(5);
    double textAt = -1, tableAt = -1, chartAt = -1;
    const int records = expectedLines - 1; // less the header
    QObject::connect(&probe, &QTimer::timeout, &dialog, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        if (textAt < 0 && view->document()->blockCount() - 1 >= expectedLines)
            textAt = now;
        if (!views)
            return;
        if (tableAt < 0 && dialog.tableModel()->rowCount() >= records)
            tableAt = now;
        const QVector<HistorySeries> &series = dialog.chartView()->chart()->series();
        if (chartAt < 0 && !series.isEmpty() && series.first().points.size() >= records)
            chartAt = now;
    });
    StallMeter stall;
    stall.start();
    clock.start();
    probe.start();
    dialog.findChild<QPushButton *>(QStringLiteral("bntQuery"))->click();
    waitFinished(dialog.readThread(), 600000);
    QElapsedTimer settle;
    settle.start();
    while ((textAt < 0 || (views && (tableAt < 0 || chartAt < 0))) && settle.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    probe.stop();
    r.maxStall = stall.stop();
    r.totalMs = double(clock.elapsed());
    QObject::disconnect(c);
    r.lines = view->document()->blockCount() - 1; // the empty line after the last lf
    r.records = dialog.tableModel()->rowCount();
    const QVector<HistorySeries> &series = dialog.chartView()->chart()->series();
    r.chartPoints = series.isEmpty() ? 0 : series.first().points.size();
    r.textAfterLastMs = textAt < 0 ? -1 : textAt - lastLineMs;
    r.tableAfterLastMs = tableAt < 0 ? -1 : tableAt - lastLineMs;
    r.chartAfterLastMs = chartAt < 0 ? -1 : chartAt - lastLineMs;
    return r;
}

} // namespace
