#include "discovery/devicesearch.h"
#include "discovery/dsearchdevicethread.h"
#include "link/framecodec.h"
#include "tests/support/scriptedinstrument.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QtTest>

#include <atomic>
#include <thread>

#include <memory>

namespace {

// The discovery probe a stand-in instrument answers.
const QByteArray kProbe(4, '\x01');

const QHostAddress kLoopback(QStringLiteral("127.0.0.1"));
const QHostAddress kLoopback2(QStringLiteral("127.0.0.2"));

struct Found {
    QString name;
    QHostAddress address;
    quint16 port = 0;
};

// Collects what a search reports, delivered queued to the test thread as it
// would be to a dialog.
class Recorder : public QObject
{
public:
    explicit Recorder(DSearchDeviceThread &thread)
    {
        connect(&thread, &DSearchDeviceThread::signalSetEnableButtons, this, [this](bool enable) {
            events << (enable ? QStringLiteral("enable") : QStringLiteral("disable"));
            if (enable)
                done = true;
        });
        connect(&thread, &DSearchDeviceThread::signalInsertDevice, this,
                [this](const QString &name, const QHostAddress &address, quint16 port) {
                    events << QStringLiteral("insert");
                    found.append({name, address, port});
                    if (onInsert)
                        onInsert(name);
                });
    }
    QStringList names() const
    {
        QStringList out;
        for (const Found &f : found)
            out << f.name;
        return out;
    }
    QStringList events;
    QList<Found> found;
    bool done = false;
    std::function<void(const QString &)> onInsert;
};

} // namespace

class tst_SearchDevice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void probeBytesAndSender();
    void answers_data();
    void answers();
    void waitExtendedByEachAnswer();
    void lateAnswerReadDuringNextTarget();
    void lateAnswerOfLastTargetDropped();
    void failedSendSkipsTarget();
    void noTargetsEndsAtOnce();
    void stopEndsSearchEarly();
    void defaultWaitIsThreeSeconds();
    void parseAnswer_data();
    void parseAnswer();
    void searchOutcome_data();
    void searchOutcome();

private:
    std::unique_ptr<DSearchDeviceThread> makeThread(const QList<QHostAddress> &targets, quint16 port, int listenMs)
    {
        auto thread = std::make_unique<DSearchDeviceThread>(nullptr);
        thread->setTargets(targets);
        thread->setPort(port);
        thread->setListenMs(listenMs);
        return thread;
    }
    bool m_haveLoopback2 = false;
};

void tst_SearchDevice::initTestCase()
{
    qRegisterMetaType<QHostAddress>("QHostAddress");
    QUdpSocket probe;
    m_haveLoopback2 = probe.bind(kLoopback2, 0);
}

void tst_SearchDevice::probeBytesAndSender()
{
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    responder.answer(kProbe, ScriptedInstrument::once("ZR-100"));

    auto thread = makeThread({kLoopback}, responder.udpPort(), 400);
    Recorder rec(*thread);
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 10000);
    QVERIFY(thread->wait(5000));

    QCOMPARE(responder.requests(), QList<QByteArray>{QByteArray::fromHex("01010101")});
    QCOMPARE(rec.events, (QStringList{"disable", "insert", "enable"}));
    QCOMPARE(rec.found.size(), 1);
    QCOMPARE(QHostAddress(rec.found[0].address.toIPv4Address()), kLoopback);
    QCOMPARE(rec.found[0].port, responder.udpPort());
}

void tst_SearchDevice::answers_data()
{
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("blanks and line break trimmed")
        << QList<QByteArray>{"  ZR-200 \r\n"} << QStringList{"ZR-200"};
    QTest::newRow("tab and leading newline")
        << QList<QByteArray>{"\n\tZR 300\t"} << QStringList{"ZR 300"};
    QTest::newRow("gb2312 name")
        << QList<QByteArray>{encodeDeviceText(QStringLiteral("流量计 A1"))} << QStringList{QStringLiteral("流量计 A1")};
    QTest::newRow("invalid gb2312 falls back to latin-1")
        << QList<QByteArray>{QByteArray::fromHex("41B0")} << QStringList{QStringLiteral("A\u00B0")};
    QTest::newRow("empty answer ignored")
        << QList<QByteArray>{QByteArray(), "ZR-1"} << QStringList{"ZR-1"};
    QTest::newRow("only empty answers") << QList<QByteArray>{QByteArray(), QByteArray()} << QStringList{};
    QTest::newRow("answering twice is listed twice")
        << QList<QByteArray>{"ZR-9", "ZR-9"} << QStringList{"ZR-9", "ZR-9"};
}

void tst_SearchDevice::answers()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QStringList, names);

    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    ScriptedInstrument::Reply answers;
    int delay = 0;
    for (const QByteArray &r : replies) {
        answers.append({r, delay});
        delay += 50;
    }
    responder.answer(kProbe, ScriptedInstrument::atTimes(answers));

    auto thread = makeThread({kLoopback}, responder.udpPort(), 600);
    Recorder rec(*thread);
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 10000);
    QCOMPARE(rec.names(), names);
}

void tst_SearchDevice::waitExtendedByEachAnswer()
{
    // Each answer comes well inside the wait after the previous one, the
    // last long after a single wait would have ended.
    const int listenMs = 3000;
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    responder.answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"a", 0}, {"b", 2000}, {"c", 4000}, {"d", 6000}, {"e", 8000}}));

    auto thread = makeThread({kLoopback}, responder.udpPort(), listenMs);
    Recorder rec(*thread);
    QElapsedTimer clock;
    clock.start();
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 20000);
    QCOMPARE(rec.names(), (QStringList{"a", "b", "c", "d", "e"}));
    // The search ends one quiet wait after the last answer.
    QVERIFY(clock.elapsed() >= 8000 + listenMs - 100);
}

void tst_SearchDevice::lateAnswerReadDuringNextTarget()
{
    if (!m_haveLoopback2)
        QSKIP("127.0.0.2 cannot be bound here");
    const int listenMs = 2000;
    ScriptedInstrument first;
    QVERIFY(first.startUdp(kLoopback));
    ScriptedInstrument second; // same port, silent
    QVERIFY(second.startUdp(kLoopback2, first.udpPort()));
    first.answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"slow", 3000}}));

    auto thread = makeThread({kLoopback, kLoopback2}, first.udpPort(), listenMs);
    Recorder rec(*thread);
    int secondProbesAtInsert = -1;
    rec.onInsert = [&](const QString &) { secondProbesAtInsert = second.requests().count(kProbe); };
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 20000);

    QCOMPARE(rec.names(), QStringList{"slow"});
    QCOMPARE(QHostAddress(rec.found[0].address.toIPv4Address()), kLoopback);
    // Missed during its own wait: the next target had already been probed.
    QCOMPARE(secondProbesAtInsert, 1);
}

void tst_SearchDevice::lateAnswerOfLastTargetDropped()
{
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    responder.answer(kProbe, ScriptedInstrument::atTimes(ScriptedInstrument::Reply{{"late", 1200}}));
    auto thread = makeThread({kLoopback}, responder.udpPort(), 400);
    Recorder rec(*thread);
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 10000);
    QTest::qWait(1200); // the answer arrives on a socket that is gone
    QVERIFY(rec.found.isEmpty());
}

void tst_SearchDevice::failedSendSkipsTarget()
{
    // Port 0 makes every send fail locally: no target may then be listened to.
    const int listenMs = 30000;
    auto thread = makeThread({kLoopback, kLoopback, kLoopback}, 0, listenMs);
    Recorder rec(*thread);
    QElapsedTimer clock;
    clock.start();
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, listenMs);
    QVERIFY2(clock.elapsed() < listenMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rec.events, (QStringList{"disable", "enable"}));
}

void tst_SearchDevice::noTargetsEndsAtOnce()
{
    const int listenMs = 30000;
    auto thread = makeThread({}, 9, listenMs);
    Recorder rec(*thread);
    QElapsedTimer clock;
    clock.start();
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, listenMs);
    QVERIFY(clock.elapsed() < listenMs);
    QCOMPARE(rec.events, (QStringList{"disable", "enable"}));
}

void tst_SearchDevice::stopEndsSearchEarly()
{
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    responder.answer(kProbe, ScriptedInstrument::once("ZR-7"));
    auto thread = makeThread({kLoopback, kLoopback, kLoopback}, responder.udpPort(), 30000);
    Recorder rec(*thread);
    QElapsedTimer clock;
    clock.start();
    thread->startSearch();
    QTRY_COMPARE_WITH_TIMEOUT(rec.found.size(), 1, 10000);
    thread->requestStop();
    QVERIFY(thread->wait(10000));
    QVERIFY(clock.elapsed() < 15000);
    QTRY_VERIFY(rec.done); // the end is still reported
    QCOMPARE(responder.requests().count(kProbe), 1);

    // A later search is not stopped by the earlier request.
    rec.done = false;
    thread->setTargets({kLoopback});
    thread->setListenMs(300);
    thread->startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 10000);
    QCOMPARE(rec.found.size(), 2);
}

void tst_SearchDevice::defaultWaitIsThreeSeconds()
{
    ScriptedInstrument silent, silent2;
    QVERIFY(silent.startUdp() && silent2.startUdp());
    DSearchDeviceThread thread(nullptr);
    thread.setTargets({kLoopback});
    thread.setPort(silent.udpPort());
    Recorder rec(thread);
    // Not longer either: it ends before a search set to twice that, started with it.
    auto twice = makeThread({kLoopback}, silent2.udpPort(), 2 * 3000);
    Recorder twiceRec(*twice);
    QElapsedTimer clock;
    clock.start();
    twice->startSearch();
    thread.startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(rec.done, 20000);
    QVERIFY2(clock.elapsed() >= 2900, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!twiceRec.done);
    QCOMPARE(silent.requests().count(kProbe), 1);
    QTRY_VERIFY_WITH_TIMEOUT(twiceRec.done, 20000);
}

void tst_SearchDevice::parseAnswer_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("name");
    QTest::newRow("empty is no answer") << QByteArray() << QString();
    QTest::newRow("blanks only") << QByteArray(" \r\n") << QString();
    QTest::newRow("trimmed") << QByteArray("  ZR-200 \r\n") << QStringLiteral("ZR-200");
    QTest::newRow("gb2312") << encodeDeviceText(QStringLiteral("流量计 A1")) << QStringLiteral("流量计 A1");
    QTest::newRow("latin-1 fallback") << QByteArray::fromHex("41B0") << QStringLiteral("A\u00B0");
}

void tst_SearchDevice::parseAnswer()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QString, name);
    QCOMPARE(parseSearchAnswer(datagram), name);
}

void tst_SearchDevice::searchOutcome_data()
{
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<bool>("stopAtFirst");
    QTest::addColumn<bool>("sendFails");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("answers");
    QTest::addColumn<int>("sent");
    QTest::newRow("answered") << QList<QByteArray>{"ZR-1", "ZR-2"} << false << false
                              << int(DeviceSearchOutcome::Answered) << 4 << 2;
    QTest::newRow("silent") << QList<QByteArray>{} << false << false << int(DeviceSearchOutcome::NoAnswer) << 0 << 2;
    // An empty datagram answers nothing.
    QTest::newRow("empty answers only") << QList<QByteArray>{QByteArray()} << false << false
                                        << int(DeviceSearchOutcome::NoAnswer) << 0 << 2;
    QTest::newRow("stopped") << QList<QByteArray>{"ZR-1"} << true << false << int(DeviceSearchOutcome::Failed) << 1
                             << 1;
    QTest::newRow("every send fails") << QList<QByteArray>{"ZR-1"} << false << true
                                      << int(DeviceSearchOutcome::NoAnswer) << 0 << 0;
}

void tst_SearchDevice::searchOutcome()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(bool, stopAtFirst);
    QFETCH(bool, sendFails);
    QFETCH(int, status);
    QFETCH(int, answers);
    QFETCH(int, sent);
    ScriptedInstrument responder;
    QVERIFY(responder.startUdp());
    ScriptedInstrument::Reply list;
    for (const QByteArray &r : replies)
        list.append({r, 0});
    responder.answer(kProbe, ScriptedInstrument::atTimes(list));
    const quint16 port = sendFails ? 0 : responder.udpPort();

    DeviceSearchOutcome outcome;
    QStringList names;
    QList<quint16> ports;
    std::atomic_bool done{false};
    std::thread search([&] {
        DeviceSearchHooks hooks;
        hooks.stopRequested = [&] { return stopAtFirst && !names.isEmpty(); };
        hooks.answer = [&](const SearchAnswer &a) {
            names << a.name;
            ports << a.port;
        };
        outcome = searchDevices({{kLoopback, port}, {kLoopback, port}}, 300, 20, hooks);
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    search.join();
    QCOMPARE(int(outcome.status), status);
    QCOMPARE(outcome.answers, answers);
    QCOMPARE(names.size(), answers);
    QCOMPARE(ports.count(responder.udpPort()), answers);
    QCOMPARE(outcome.targetsSent, sent);
}

QTEST_GUILESS_MAIN(tst_SearchDevice)
#include "tst_searchdevice.moc"
