// Every worker thread, constructed, started, stopped at varied moments and
// destroyed, round after round. The owners' contract is what the dialogs
// do: set the stop flag (where there is one), wait, destroy; some rounds
// leave the stopping to the destructor alone. Any Qt warning the round did
// not expect fails the test, "QThread: Destroyed while thread is still
// running" (a fatal message) aborts it.
#include "discovery/dsearchdevicethread.h"
#include "firmware/devicetypemgr.h"
#include "firmware/downloadthread.h"
#include "firmware/package.h"
#include "firmware/updatethread.h"
#include "history/historyrequest.h"
#include "history/readthread.h"
#include "items/refreshthread.h"
#include "monitor/monitorthread.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/firmware/httptestserver.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The discovery probe a stand-in instrument answers.
const QByteArray kProbe(4, '\x01');

// Rounds per worker: ZRVU_LIFECYCLE_ROUNDS, else a count that keeps the
// normal suite short (the sanitizer builds set 1000).
int rounds()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ZRVU_LIFECYCLE_ROUNDS", &ok);
    return ok && n > 0 ? n : 60;
}

// A worker that outlives this has hung; the round fails instead of the
// suite running into CTest's timeout.
constexpr int kRoundLimitMs = 20000;

// Collects warnings from any thread; the test thread checks them.
class WarningGuard
{
public:
    static void install()
    {
        s_previous = qInstallMessageHandler(&WarningGuard::handler);
    }
    static void expect(const QString &fragment)
    {
        QMutexLocker lock(&s_mutex);
        s_expected << fragment;
    }
    static QStringList take()
    {
        QMutexLocker lock(&s_mutex);
        const QStringList out = s_unexpected;
        s_unexpected.clear();
        s_expected.clear();
        return out;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
            QMutexLocker lock(&s_mutex);
            bool expected = false;
            for (const QString &fragment : qAsConst(s_expected))
                expected = expected || message.contains(fragment);
            if (!expected)
                s_unexpected << message;
        }
        if (s_previous)
            s_previous(type, context, message);
    }

    static QtMessageHandler s_previous;
    static QMutex s_mutex;
    static QStringList s_expected;
    static QStringList s_unexpected;
};

QtMessageHandler WarningGuard::s_previous = nullptr;
QMutex WarningGuard::s_mutex;
QStringList WarningGuard::s_expected;
QStringList WarningGuard::s_unexpected;

// Where a round ends the worker.
enum class StopAt { Immediately, MidExchange, AfterFinish };

StopAt stopAt(int round)
{
    return static_cast<StopAt>(round % 3);
}

// Rounds 3..5 of every six leave the stop to the destructor.
bool destructorStops(int round)
{
    return (round / 3) % 2 == 1;
}

// Counts what reaches the test thread after the sender may be gone.
class Sink : public QObject
{
public:
    int events = 0;
    template<typename Sender, typename Class, typename... Args>
    void listen(Sender *sender, void (Class::*signal)(Args...))
    {
        connect(sender, signal, this, [this](Args...) { ++events; }, Qt::QueuedConnection);
    }
};

bool waitFinished(QThread &thread, int timeoutMs = kRoundLimitMs)
{
    return QTest::qWaitFor([&thread] { return thread.isFinished(); }, timeoutMs);
}

// Lets the worker run to where this round ends it (midPauseMs for a stop
// mid-exchange), then stops it the owner's way unless the destructor is to.
// False when it overran.
bool endRound(QThread &thread, int round, int midPauseMs, const std::function<bool()> &ownerStop)
{
    switch (stopAt(round)) {
    case StopAt::Immediately:
        break;
    case StopAt::MidExchange:
        QTest::qWait(midPauseMs); // a moment inside the exchange, by design
        break;
    case StopAt::AfterFinish:
        if (!waitFinished(thread))
            return false;
        break;
    }
    return destructorStops(round) || ownerStop();
}

QByteArray catalogue()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>down</title></head>"
           "<body><div class=\"list\"><div class=\"header\"><div>name</div><div>link</div></div>"
           "<div class=\"row\"><div>ZR3100</div><div>2024-01-01</div><div><a href=\"/f/a.zrbin\">d</a></div></div>"
           "</div></body></html>";
}

} // namespace

class tst_WorkerLifecycle : public QObject
{
    Q_OBJECT

private:
    // A random pause into the exchange; fixed seed so a failing round
    // can be replayed.
    int pauseMs(int maxMs) { return static_cast<int>(m_random.bounded(maxMs + 1)); }
    void report(const char *worker, int n, const QElapsedTimer &clock)
    {
        qInfo("%s: %d rounds in %lld ms", worker, n, static_cast<long long>(clock.elapsed()));
    }

    QRandomGenerator m_random{20240601};

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QHostAddress>("QHostAddress");
        WarningGuard::install();
    }
    void cleanup()
    {
        QCoreApplication::processEvents();
        const QStringList unexpected = WarningGuard::take();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('\n'))));
    }

    void refreshThread();
    void updateThread();
    void readThread();
    void monitorThread();
    void searchThread();
    void downloadThread();
    void catalogueFetch();
};

void tst_WorkerLifecycle::refreshThread()
{
    TempWorkDir dir;
    dir.writeFile(QStringLiteral("items.txt"), "Model:ZR\nStation:North\n波特率(2400/4800/9600):9600\n");
    SimProcess sim;
    QVERIFY(startSim(sim, {"--udp", "127.0.0.1:0", "--items", dir.filePath("items.txt")}));
    dir.writeUdpConfig(sim.udpPort());

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        auto thread = std::make_unique<RefreshThread>();
        thread->setTimeouts(200, 200);
        sink.listen(thread.get(), &RefreshThread::signalAddItems);
        sink.listen(thread.get(), &RefreshThread::showErrorMessage);
        thread->start();
        // No stop flag: the owner can only wait, or let the destructor do it.
        QVERIFY2(endRound(*thread, round, pauseMs(3), [&] { return thread->wait(kRoundLimitMs); }),
                 qPrintable(QString::number(round)));
        thread.reset();
        QCoreApplication::processEvents();
    }
    report("RefreshThread", n, clock);
    QVERIFY(sink.events > 0);
}

void tst_WorkerLifecycle::updateThread()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, {"--udp", "127.0.0.1:0", "--model", "ZR-T1"}));
    dir.writeUdpConfig(sim.udpPort());
    DEncryptInfo good;
    good.setFields(packageFields("dev", "ZR-T1", "1.0", QByteArray(2500, '\x5A')));
    DEncryptInfo wrongModel;
    wrongModel.setFields(packageFields("dev", "ZR-OTHER", "1.0", QByteArray(100, '\x01')));

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        auto thread = std::make_unique<UpdateThread>();
        thread->setTimeouts(500, 500, 10);
        // Every fifth round takes the refusal path (identify, leave).
        thread->setPackage(round % 5 == 4 ? wrongModel : good);
        sink.listen(thread.get(), &UpdateThread::signalUpdateProgress);
        sink.listen(thread.get(), &UpdateThread::signalShowErrorMessage);
        sink.listen(thread.get(), &UpdateThread::signalUpdateSucceed);
        thread->start();
        QVERIFY2(endRound(*thread, round, pauseMs(4), [&] { return thread->wait(kRoundLimitMs); }),
                 qPrintable(QString::number(round)));
        thread.reset();
        QCoreApplication::processEvents();
    }
    report("UpdateThread", n, clock);
    QVERIFY(sink.events > 0);
}

void tst_WorkerLifecycle::readThread()
{
    // A pseudo-terminal: there the end of the answer is the short
    // inter-chunk silence, over UDP it would be a fixed second.
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, {"--pty", "--history-interval", "120", "--history-chunk", "64", "--history-gap", "1"}));
    dir.writeSerialConfig(sim.ptyPath());
    const QByteArray request = buildHistoryRequest(QDate(2024, 3, 1), QDate(2024, 3, 1));

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        auto thread = std::make_unique<ReadThread>();
        sink.listen(thread.get(), &ReadThread::signalAddText);
        sink.listen(thread.get(), &ReadThread::signalShowError);
        thread->startQuery(request, 30);
        QVERIFY2(endRound(*thread, round, pauseMs(8), [&] { thread->requestStop(); return thread->wait(kRoundLimitMs); }),
                 qPrintable(QString::number(round)));
        thread.reset();
        QCoreApplication::processEvents();
    }
    report("ReadThread", n, clock);
    QVERIFY(sink.events > 0);
}

void tst_WorkerLifecycle::monitorThread()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, {"--udp", "127.0.0.1:0", "--debug-rate", "100"}));
    // A port nobody answers on: the run ends by itself with an error.
    QUdpSocket dead;
    QVERIFY(dead.bind(QHostAddress::LocalHost, 0));

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        const StopAt at = stopAt(round);
        // Only a failed debug switch ends a run without a stop.
        dir.writeUdpConfig(at == StopAt::AfterFinish ? dead.localPort() : sim.udpPort());
        auto thread = std::make_unique<MonitorThread>();
        thread->setDebug(round % 2 == 0);
        thread->setReplyTimeout(at == StopAt::AfterFinish ? 20 : 1000);
        sink.listen(thread.get(), &MonitorThread::signalDataRecv);
        sink.listen(thread.get(), &MonitorThread::signalShowError);
        thread->start();
        // The dialog's way: flag, then wait.
        QVERIFY2(endRound(*thread, round, pauseMs(30), [&] { thread->requestStop(); return thread->wait(kRoundLimitMs); }),
                 qPrintable(QString::number(round)));
        thread.reset();
        QCoreApplication::processEvents();
    }
    report("MonitorThread", n, clock);
    QVERIFY(sink.events > 0);
}

void tst_WorkerLifecycle::searchThread()
{
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    responder.answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"ZR-A", 0}, {"ZR-B", 3}}));

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        auto thread = std::make_unique<DSearchDeviceThread>(nullptr);
        thread->setTargets({QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHost)});
        thread->setPort(responder.udpPort());
        thread->setListenMs(15);
        sink.listen(thread.get(), &DSearchDeviceThread::signalInsertDevice);
        sink.listen(thread.get(), &DSearchDeviceThread::signalSetEnableButtons);
        thread->startSearch();
        QVERIFY2(endRound(*thread, round, pauseMs(20), [&] { thread->requestStop(); return thread->wait(kRoundLimitMs); }),
                 qPrintable(QString::number(round)));
        thread.reset();
        QCoreApplication::processEvents();
    }
    report("DSearchDeviceThread", n, clock);
    QVERIFY(sink.events > 0);
}

void tst_WorkerLifecycle::downloadThread()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response slow;
    slow.body = QByteArray(24 * 1024, '\x33');
    slow.chunkSize = 4096;
    slow.chunkDelayMs = 2;
    server.setResponse("/f/slow.zrbin", slow);
    HttpTestServer::Response cut;
    cut.body = QByteArray(8000, '\x44');
    cut.closeAfter = 3000;
    server.setResponse("/f/cut.zrbin", cut);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        auto thread = std::make_unique<DownloadThread>();
        sink.listen(thread.get(), &DownloadThread::signalSetDownloadProgress);
        sink.listen(thread.get(), &DownloadThread::signalShowErrorMessage);
        sink.listen(thread.get(), &DownloadThread::signalDownloadSucceed);
        thread->startDownload(server.url(round % 4 == 3 ? "/f/cut.zrbin" : "/f/slow.zrbin"), folder.path());
        QVERIFY2(endRound(*thread, round, pauseMs(15), [&] { thread->stopDownload(); return true; }),
                 qPrintable(QString::number(round)));
        thread.reset();
        QCoreApplication::processEvents();
    }
    report("DownloadThread", n, clock);
    QVERIFY(sink.events > 0);
    // Neither a stop nor a cut transfer leaves a temporary file behind.
    const QStringList left = QDir(folder.path()).entryList(QDir::Files);
    for (const QString &name : left)
        QVERIFY2(name == QLatin1String("slow.zrbin"), qPrintable(left.join(QLatin1Char(' '))));
}

void tst_WorkerLifecycle::catalogueFetch()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response page;
    page.body = catalogue();
    page.chunkSize = 64;
    page.chunkDelayMs = 1;
    server.setResponse("/down.html", page);
    HttpTestServer::Response missing;
    missing.status = 404;
    missing.body = "no";
    server.setResponse("/gone.html", missing);

    Sink sink;
    const int n = rounds();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < n; ++round) {
        auto mgr = std::make_unique<DeviceTypeMgr>();
        // Every other round an error page: its error and its end reach the
        // reply in separate events, and a stop may fall between them.
        mgr->setCatalogueUrl(server.url(round % 2 == 1 ? "/gone.html" : "/down.html"));
        sink.listen(mgr.get(), &DeviceTypeMgr::signalFinished);
        sink.listen(mgr.get(), &DeviceTypeMgr::signalShowErrorMessage);
        mgr->start();
        QVERIFY2(endRound(*mgr, round, pauseMs(10), [&] { mgr->stopFetch(); return true; }),
                 qPrintable(QString::number(round)));
        mgr.reset();
        QCoreApplication::processEvents();
    }
    report("DeviceTypeMgr", n, clock);
    QVERIFY(sink.events > 0);
}

QTEST_GUILESS_MAIN(tst_WorkerLifecycle)
#include "tst_workerlifecycle.moc"
