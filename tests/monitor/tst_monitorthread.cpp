#include "link/framecodec.h"
#include "link/devicelink.h"
#include "monitor/monitorcapture.h"
#include "monitor/monitorlogfile.h"
#include "monitor/monitorthread.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/history/signallog.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using Piece = ScriptedInstrument::Chunk;

namespace {

const QByteArray kOn = QByteArray::fromHex("010F4BFF000002310" "01C7B");
const QByteArray kOff = QByteArray::fromHex("010F4BFF000002300" "01DEB");

// Instrument that acknowledges the debug switch and, while it is on,
// answers nothing else; output is pushed by the test.
void ackSwitch(ScriptedInstrument &fake, bool encrypt = false)
{
    fake.setResponder([encrypt](const QByteArray &request) {
        QByteArray plain = encrypt ? decryptEnvelope(request, false) : request;
        QByteArray ack = ScriptedInstrument::textWriteAck(plain);
        return QList<Piece>{{encrypt ? encryptEnvelope(ack) : ack, 0}};
    });
}

bool startFake(ScriptedInstrument &fake, TempWorkDir &dir, bool udp, const QVariantMap &extra = {})
{
    if (udp ? !fake.startUdp() : !fake.startPty())
        return false;
    if (udp)
        dir.writeUdpConfig(fake.udpPort(), extra);
    else
        dir.writeSerialConfig(fake.ptyPath(), extra);
    return true;
}

QList<QByteArray> received(const SignalLog &spy)
{
    QList<QByteArray> out;
    for (const QList<QVariant> &a : spy)
        out << a.at(0).toByteArray();
    return out;
}

QStringList errors(const SignalLog &spy)
{
    QStringList out;
    for (const QList<QVariant> &a : spy)
        out << a.at(0).toString() + QLatin1Char('|') + a.at(1).toString();
    return out;
}

} // namespace

class tst_MonitorThread : public QObject
{
    Q_OBJECT

private slots:
    void logAndSaveNameAFullDisk_data();
    void logAndSaveNameAFullDisk();
    void switchOrderAndCapture_data();
    void switchOrderAndCapture();
    void stopBeforeFirstReply_data();
    void stopBeforeFirstReply();
    void failedFirstRequest_data();
    void failedFirstRequest();
    void linesAheadOfFinalReply();
    void serialOutputWithoutPauses();
    void serialHangUpEndsRun();
    void encryptedSwitch();
    void openFailure();
    void noUdpAddressFailsAtOnce();
    void floodedSwitchReplyIsBadFrame_data();
    void floodedSwitchReplyIsBadFrame();
    void slowReceiverDropsCountedLines();
    void stopUnderFlood();
    void captureOutcome_data();
    void captureOutcome();
};

void tst_MonitorThread::switchOrderAndCapture_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<bool>("debug");
    QTest::newRow("udp debug") << true << true;
    QTest::newRow("udp no debug") << true << false;
    QTest::newRow("serial debug") << false << true;
    QTest::newRow("serial no debug") << false << false;
}

void tst_MonitorThread::switchOrderAndCapture()
{
    QFETCH(bool, udp);
    QFETCH(bool, debug);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, udp));
    ackSwitch(fake);

    MonitorThread thread;
    thread.setDebug(debug);
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    SignalLog capturing(&thread, &MonitorThread::signalCapturing);
    thread.start();
    thread.start(); // a second start while running changes nothing
    QTRY_COMPARE_WITH_TIMEOUT(fake.requests().size(), 1, 5000);
    QCOMPARE(fake.requests().first(), debug ? kOn : kOff);
    QTRY_COMPARE_WITH_TIMEOUT(capturing.size(), 1, 5000);

    for (const QByteArray &piece : {QByteArray("hel"), QByteArray("lo\r\nwor"), QByteArray("ld\nA\nB\n"),
                                    QByteArray("tail")}) {
        fake.push(piece);
        QTest::qWait(150); // each piece in a read of its own
    }
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 4, 5000);
    QCOMPARE(received(lines), (QList<QByteArray>{"hello\r\n", "world\n", "A\n", "B\n"}));

    // stop() would block this thread, where the instrument lives, too.
    thread.requestStop();
    QVERIFY(waitThread(&thread, 10000));
    QCOMPARE(fake.requests().size(), debug ? 2 : 1);
    if (debug)
        QCOMPARE(fake.requests().at(1), kOff);
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList());
    QCOMPARE(lines.size(), 4); // "tail" never ends, so it is never shown
}

void tst_MonitorThread::stopBeforeFirstReply_data()
{
    QTest::addColumn<bool>("udp");
    QTest::newRow("udp") << true;
    QTest::newRow("serial") << false;
}

void tst_MonitorThread::stopBeforeFirstReply()
{
    QFETCH(bool, udp);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, udp));
    fake.setResponder([](const QByteArray &request) {
        return QList<Piece>{{ScriptedInstrument::textWriteAck(request), 400}, {"early\n", 1000}};
    });
    MonitorThread thread;
    thread.setDebug(true);
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    connect(&fake, &ScriptedInstrument::requestReceived, &thread, &MonitorThread::requestStop);
    SignalLog capturing(&thread, &MonitorThread::signalCapturing);
    thread.start();
    QVERIFY(waitThread(&thread, 15000));
    QCOMPARE(fake.requests(), (QList<QByteArray>{kOn, kOff}));
    QCOMPARE(capturing.size(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList());
}

void tst_MonitorThread::failedFirstRequest_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("error");
    QTest::newRow("udp silent") << true << true << QByteArray() << QStringLiteral("监听调试|接收数据超时");
    QTest::newRow("udp silent, no debug") << true << false << QByteArray() << QStringLiteral("监听调试|接收数据超时");
    QTest::newRow("serial silent") << false << true << QByteArray() << QStringLiteral("监听调试|接收数据超时");
    // A counted reply with a broken CRC, on the serial line, ends quietly.
    QTest::newRow("serial bad crc") << false << true << QByteArray::fromHex("0103013100FF")
                                    << QStringLiteral("监听调试|CRC校验错误");
}

void tst_MonitorThread::failedFirstRequest()
{
    QFETCH(bool, udp);
    QFETCH(bool, debug);
    QFETCH(QByteArray, reply);
    QFETCH(QString, error);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, udp));
    fake.setResponder([reply](const QByteArray &) {
        return reply.isEmpty() ? QList<Piece>() : QList<Piece>{{reply, 0}};
    });
    MonitorThread thread;
    thread.setDebug(debug);
    thread.setReplyTimeout(300);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    thread.start();
    QVERIFY(waitThread(&thread, 10000));
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList{error});
    // No capture and no final request after a failed first one.
    QCOMPARE(fake.requests().size(), 1);
}

void tst_MonitorThread::linesAheadOfFinalReply()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, true));
    // Output the instrument had on its way when the "0" came in arrives
    // before the reply, some of it in pieces without a line feed.
    fake.setResponder([&fake](const QByteArray &request) {
        QList<Piece> pieces;
        if (request == kOff) {
            pieces.append({"of it\n", 0});
            pieces.append({"late ", 0});
            pieces.append({"2\r\n", 0});
        }
        pieces.append({ScriptedInstrument::textWriteAck(request), 0});
        return pieces;
    });
    MonitorThread thread;
    thread.setDebug(true);
    thread.setReplyTimeout(1500);
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    SignalLog capturing(&thread, &MonitorThread::signalCapturing);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(capturing.size(), 1, 5000);
    fake.push("running\n");
    fake.push("half ");
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 5000);
    QTest::qWait(200); // "half " is taken in before the request goes out
    thread.requestStop();
    QVERIFY(waitThread(&thread, 10000));
    QCOMPARE(fake.requests(), (QList<QByteArray>{kOn, kOff}));
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList());
    // A line cut by the request still comes out whole.
    QCOMPARE(received(lines), (QList<QByteArray>{"running\n", "half of it\n", "late 2\r\n"}));
}

void tst_MonitorThread::serialOutputWithoutPauses()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, false));
    ackSwitch(fake);
    MonitorThread thread;
    thread.setDebug(false);
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(fake.requests().size(), 1, 5000);
    // A line every 20 ms, never the 50 ms pause that ends a serial read.
    QTimer talk;
    int sent = 0;
    connect(&talk, &QTimer::timeout, &fake, [&] {
        if (sent < 500)
            fake.push("#" + QByteArray::number(sent++) + "\r\n");
    });
    talk.start(20);
    QTRY_VERIFY_WITH_TIMEOUT(lines.size() >= 5, 5000);
    QVERIFY(sent < 500);
    talk.stop();
    thread.requestStop();
    QVERIFY(waitThread(&thread, 10000));
    QCOMPARE(lines.first().at(0).toByteArray(), QByteArray("#0\r\n"));
}

void tst_MonitorThread::serialHangUpEndsRun()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, false));
    ackSwitch(fake);
    MonitorThread thread;
    thread.setDebug(true);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    SignalLog capturing(&thread, &MonitorThread::signalCapturing);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(capturing.size(), 1, 5000);
    fake.hangUp();
    // The run ends by itself instead of spinning on a dead port.
    QVERIFY(waitThread(&thread, 10000));
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList{QStringLiteral("设备监听|串口读取失败")});
}

void tst_MonitorThread::encryptedSwitch()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, true, {{"communicate/encrypt", true}}));
    ackSwitch(fake, true);
    MonitorThread thread;
    thread.setDebug(true);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    SignalLog capturing(&thread, &MonitorThread::signalCapturing);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(capturing.size(), 1, 5000);
    fake.push("plain text\n"); // captured bytes are never decrypted
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), 1, 5000);
    thread.requestStop();
    QVERIFY(waitThread(&thread, 10000));
    QCOMPARE(fake.requests(), (QList<QByteArray>{encryptEnvelope(kOn), encryptEnvelope(kOff)}));
    QCOMPARE(received(lines), QList<QByteArray>{"plain text\n"});
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList());
}

void tst_MonitorThread::openFailure()
{
    TempWorkDir dir;
    dir.writeSerialConfig(QString());
    MonitorThread thread;
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    thread.start();
    QVERIFY(waitThread(&thread, 5000));
    QCoreApplication::processEvents();
    QCOMPARE(errors(errs), QStringList{QStringLiteral("设备监听|串口打开失败")});
}

void tst_MonitorThread::noUdpAddressFailsAtOnce()
{
    TempWorkDir dir;
    dir.writeConfig({{"communicate/udp", 1}, {"udp/port", 9}, {"device/address", 1}});
    MonitorThread thread;
    thread.setDebug(true);
    const int replyTimeoutMs = 30000;
    thread.setReplyTimeout(replyTimeoutMs);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    QElapsedTimer clock;
    clock.start();
    thread.start();
    QVERIFY(waitThread(&thread, replyTimeoutMs));
    // As every other operation: nothing is sent to this host instead.
    QCOMPARE(errors(errs), QStringList{QStringLiteral("监听调试|发送命令超时")});
    QVERIFY2(clock.elapsed() < replyTimeoutMs, qPrintable(QString::number(clock.elapsed())));
}

void tst_MonitorThread::floodedSwitchReplyIsBadFrame_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("1.4 KB datagrams") << 1400;
    QTest::newRow("64 KB datagrams") << 65000;
}

void tst_MonitorThread::floodedSwitchReplyIsBadFrame()
{
    QFETCH(int, size);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, true));
    // Datagrams that start like a reply and never complete one.
    QByteArray junk(size, 'x');
    junk[0] = '\x01';
    junk[2] = '\xFF';
    connect(&fake, &ScriptedInstrument::requestReceived, &fake,
            [&] { QVERIFY(fake.startFlood(junk, 200000 * 1400 / size, 30000)); });
    MonitorThread thread;
    thread.setDebug(true);
    const int replyTimeoutMs = 30000;
    thread.setReplyTimeout(replyTimeoutMs);
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    QElapsedTimer clock;
    clock.start();
    thread.start();
    QVERIFY(waitThread(&thread, replyTimeoutMs));
    // Ended by the first bad frame, neither by the reply timeout nor the flood's end.
    fake.stopFlood();
    QCOMPARE(errors(errs), QStringList{QStringLiteral("监听调试|CRC校验错误")});
    QVERIFY2(clock.elapsed() < replyTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(fake.requests(), QList<QByteArray>{kOn});
}

void tst_MonitorThread::slowReceiverDropsCountedLines()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, true));
    ackSwitch(fake);
    MonitorThread thread;
    thread.setDebug(false);
    thread.setQueueLimits(50, 1 << 20);
    SignalLog lines(&thread, &MonitorThread::signalDataRecv);
    SignalLog dropped(&thread, &MonitorThread::signalLinesDropped);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(fake.requests().size(), 1, 5000);
    // Capturing once the first line comes through.
    QTRY_VERIFY_WITH_TIMEOUT((fake.push("ready\n"), !lines.isEmpty()), 5000);

    // This thread, the receiver, is busy: nothing is handed on meanwhile.
    const int total = 500;
    for (int i = 0; i < total; i += 10) {
        for (int j = i; j < i + 10; ++j)
            fake.push("line " + QByteArray::number(j) + "\n");
        QThread::msleep(1);
    }
    QElapsedTimer clock;
    clock.start();
    while (thread.queuedLineCount() < 50 && clock.elapsed() < 5000)
        QThread::msleep(2);
    QCOMPARE(thread.queuedLineCount(), 50);

    auto counted = [&] {
        QList<QByteArray> got;
        for (const QByteArray &line : received(lines))
            if (line.startsWith("line "))
                got << line;
        qint64 n = 0;
        for (const QList<QVariant> &a : dropped)
            n += a.at(0).toLongLong();
        return qMakePair(got, n);
    };
    QTRY_COMPARE_WITH_TIMEOUT(counted().first.size() + counted().second, qint64(total), 5000);
    const auto got = counted();
    QVERIFY2(got.second >= total - 100, qPrintable(QString::number(got.second)));
    // The lines that got through come in order, the first of them first.
    QCOMPARE(got.first.first(), QByteArray("line 0\n"));
    for (int i = 1; i < got.first.size(); ++i)
        QVERIFY(got.first.at(i - 1).mid(5).trimmed().toInt() < got.first.at(i).mid(5).trimmed().toInt());
    thread.requestStop();
    QVERIFY(waitThread(&thread, 10000));
}

void tst_MonitorThread::stopUnderFlood()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, true));
    ackSwitch(fake);
    MonitorThread thread;
    thread.setDebug(true);
    // A receiver slower than the instrument, as a terminal is.
    connect(&thread, &MonitorThread::signalDataRecv, this, [] { QThread::usleep(100); });
    SignalLog errs(&thread, &MonitorThread::signalShowError);
    QElapsedTimer clock;
    qint64 stopAt = -1;
    qint64 offAt = -1;
    connect(&fake, &ScriptedInstrument::requestReceived, &fake, [&](const QByteArray &request) {
        if (request == kOn) {
            const QByteArray line = QByteArray("#123456 ch1=12.34 mA state=OK temperature 21.5 ").repeated(2) + "\r\n";
            QVERIFY(fake.startFlood(line, 5000000, 8000));
            QTimer::singleShot(1000, &thread, [&] {
                stopAt = clock.elapsed();
                thread.requestStop();
            });
        } else if (request == kOff) {
            offAt = clock.elapsed();
            fake.stopFlood();
        }
    });
    clock.start();
    thread.start();
    QVERIFY(waitThread(&thread, 20000));
    fake.stopFlood();
    QVERIFY(stopAt >= 0);
    QVERIFY2(offAt >= 0, "the final request went out");
    // The capture ended and the debug output was switched off without
    // draining the flood first (that took beyond 20 s). About 0.1 s here;
    // the bound leaves room for sanitizer builds on a loaded machine.
    QVERIFY2(offAt - stopAt < 3000, qPrintable(QStringLiteral("%1 ms").arg(offAt - stopAt)));
    QVERIFY(stopAt < 6000); // the receiver's event loop kept its timers
}

void tst_MonitorThread::captureOutcome_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<bool>("debug");
    QTest::addColumn<QString>("answers"); // per request: a(ck) or s(ilent)
    QTest::addColumn<bool>("hangUp"); // once capturing
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("captured");
    QTest::addColumn<QString>("shown"); // title|message
    using O = MonitorCaptureOutcome;
    QTest::newRow("stopped, debug") << true << true << "aa" << false << int(O::Captured) << true << "";
    QTest::newRow("stopped, no debug") << false << false << "a" << false << int(O::Captured) << true << "";
    QTest::newRow("first switch silent") << true << true << "s" << false << int(O::SwitchFailed) << false
                                         << QStringLiteral("监听调试|接收数据超时");
    QTest::newRow("final switch silent") << true << true << "as" << false << int(O::SwitchOffFailed) << true
                                         << QStringLiteral("监听调试|接收数据超时");
    QTest::newRow("hang-up") << false << true << "a" << true << int(O::Failed) << true
                             << QStringLiteral("设备监听|串口读取失败");
}

void tst_MonitorThread::captureOutcome()
{
    QFETCH(bool, udp);
    QFETCH(bool, debug);
    QFETCH(QString, answers);
    QFETCH(bool, hangUp);
    QFETCH(int, status);
    QFETCH(bool, captured);
    QFETCH(QString, shown);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(startFake(fake, dir, udp));
    int asked = 0;
    fake.setResponder([&asked, answers](const QByteArray &request) {
        const QChar answer = answers.at(std::min(asked++, int(answers.size()) - 1));
        return answer == QLatin1Char('a') ? QList<Piece>{{ScriptedInstrument::textWriteAck(request), 0}} : QList<Piece>();
    });

    std::atomic_bool capturing{false};
    std::atomic_bool stop{false};
    QList<QByteArray> lines;
    std::atomic_int lineCount{0};
    MonitorCaptureOutcome outcome;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        MonitorCaptureOptions options;
        options.debug = debug;
        options.replyTimeoutMs = 300;
        MonitorCaptureHooks hooks;
        hooks.stopRequested = [&] { return stop.load(); };
        hooks.capturing = [&] { capturing = true; };
        hooks.line = [&](const QByteArray &line) {
            lines << line;
            ++lineCount;
        };
        DeviceLink link;
        outcome = captureMonitor(link, options, hooks);
    }));
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(capturing || worker->isFinished(), 5000);
    QCOMPARE(bool(capturing), captured);
    if (captured) {
        fake.push("one\n");
        QTRY_VERIFY_WITH_TIMEOUT(lineCount > 0, 5000);
        if (hangUp)
            fake.hangUp();
        else
            stop = true;
    }
    QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 10000);
    QCOMPARE(int(outcome.status), status);
    QCOMPARE(monitorCaptureError(outcome), hangUp ? Failure::LineLost : shown.isEmpty() ? Failure::None : Failure::NoReply);
    if (captured)
        QCOMPARE(lines, QList<QByteArray>{"one\n"});
    QCOMPARE(outcome.lines, qint64(lines.size()));
    QCOMPARE(fake.requests().size(), !captured || !debug || hangUp ? 1 : 2);
    const QString message = monitorCaptureMessage(outcome);
    QCOMPARE(message.isEmpty() ? QString() : monitorCaptureTitle(outcome) + QLatin1Char('|') + message, shown);
}

void tst_MonitorThread::logAndSaveNameAFullDisk_data()
{
    QTest::addColumn<bool>("save");      // 保存, else 记录到文件
    QTest::addColumn<QString>("file");   // empty: a file in a folder of the test
    QTest::addColumn<QString>("cause");
    QTest::newRow("log, full disk") << false << "/dev/full" << QStringLiteral("磁盘空间不足");
    QTest::newRow("log, size limit") << false << "" << QStringLiteral("文件超过系统允许的大小");
    QTest::newRow("save, size limit") << true << "" << QStringLiteral("文件超过系统允许的大小");
}

void tst_MonitorThread::logAndSaveNameAFullDisk()
{
    QFETCH(bool, save);
    QFETCH(QString, file);
    QFETCH(QString, cause);
    QTemporaryDir tmp;
    if (file.isEmpty())
        file = tmp.filePath(QStringLiteral("monitor.txt"));
    const QString text(3000, QLatin1Char('x'));
    QString error;
    FileSizeLimit limit(1000);
    QVERIFY(limit.active());
    MonitorLogFile log;
    if (save) {
        writeFileInBackground(file, text.toUtf8(), this,
                              [&](bool ok, const QString &e) { error = ok ? QStringLiteral("ok") : e; });
    } else {
        connect(&log, &MonitorLogFile::failed, this, [&](const QString &e) { error = e; });
        log.start(file);
        log.append(text);
    }
    QTRY_VERIFY(!error.isEmpty());
    QVERIFY2(error.contains(cause), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_MonitorThread)
#include "tst_monitorthread.moc"
