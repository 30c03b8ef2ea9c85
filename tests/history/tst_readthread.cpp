#include "history/historylines.h"
#include "history/historyread.h"
#include "history/historyrequest.h"
#include "history/readthread.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "tests/support/scriptedinstrument.h"
#include "tests/history/signallog.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>

#include <atomic>
#include <thread>
#include <QtTest>

using Piece = ScriptedInstrument::Chunk;

class tst_ReadThread : public QObject
{
    Q_OBJECT

private slots:
    void linesAcrossChunks_data();
    void linesAcrossChunks();
    void silenceEndsAnswer_data();
    void silenceEndsAnswer();
    void noAnswer();
    void encryptionLeavesRequestPlain();
    void stopBetweenChunks();
    void openFailure();
    void serialHangUpMidAnswer();
    void endlessAnswerStopsAtLineCap_data();
    void endlessAnswerStopsAtLineCap();
    void slowReceiverHoldsTheWorker();
    void longLinesAreCut_data();
    void longLinesAreCut();
    void readOutcome_data();
    void readOutcome();
    void linesCutByLostBytes_data();
    void linesCutByLostBytes();
    void viewText_data();
    void viewText();

private:
    // Runs one query against `fake` and collects what the thread emitted.
    struct Outcome {
        QStringList lines;
        QStringList errors;
        int clears = 0;
        qint64 elapsedMs = 0;
    };
    Outcome runQuery(ReadThread &thread, int interChunkWait = 2000);
};

tst_ReadThread::Outcome tst_ReadThread::runQuery(ReadThread &thread, int interChunkWait)
{
    Outcome out;
    SignalLog lines(&thread, &ReadThread::signalAddText);
    SignalLog errors(&thread, &ReadThread::signalShowError);
    SignalLog clears(&thread, &ReadThread::signalClearText);
    QElapsedTimer clock;
    clock.start();
    thread.startQuery(buildHistoryRequest(QDate(2024, 3, 5), QDate(2024, 3, 7)), interChunkWait);
    if (thread.isRunning())
        waitThread(&thread, 20000);
    out.elapsedMs = clock.elapsed();
    QCoreApplication::processEvents();
    for (const QList<QVariant> &a : lines)
        out.lines << a.at(0).toString();
    for (const QList<QVariant> &a : errors)
        out.errors << a.at(0).toString() + QLatin1Char('|') + a.at(1).toString();
    out.clears = clears.size();
    return out;
}

void tst_ReadThread::linesAcrossChunks_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("expected");

    const QList<QByteArray> split{"hea", "der\r\n2024-03-05 10:00:00, 2", "1.5, 60\r\n2024-03-05 10:10:00, 22.0, 61\r\n"};
    const QStringList splitLines{"header\r\n", "2024-03-05 10:00:00, 21.5, 60\r\n",
                                 "2024-03-05 10:10:00, 22.0, 61\r\n"};
    const QList<QByteArray> lastOpen{"a\nb", "c"};
    const QStringList lastOpenLines{"a\n", "bc"};
    const QList<QByteArray> byteWise{"x", "y", "\n", "\n", "z"};
    const QStringList byteWiseLines{"xy\n", "\n", "z"};
    // GB2312 text cut inside a character still decodes whole.
    const QByteArray gb = encodeDeviceText(QStringLiteral("温度,湿度\n"));
    const QList<QByteArray> gbSplit{gb.left(1), gb.mid(1, 2), gb.mid(3)};
    const QStringList gbLines{QStringLiteral("温度,湿度\n")};

    QTest::newRow("udp split") << true << split << splitLines;
    QTest::newRow("serial split") << false << split << splitLines;
    QTest::newRow("udp last line without lf") << true << lastOpen << lastOpenLines;
    QTest::newRow("serial last line without lf") << false << lastOpen << lastOpenLines;
    QTest::newRow("udp byte-wise") << true << byteWise << byteWiseLines;
    QTest::newRow("udp gb2312 split in a character") << true << gbSplit << gbLines;
}

void tst_ReadThread::linesAcrossChunks()
{
    QFETCH(bool, udp);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, expected);

    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(udp ? fake.startUdp() : fake.startPty());
    if (udp)
        dir.writeUdpConfig(fake.udpPort());
    else
        dir.writeSerialConfig(fake.ptyPath());
    fake.setResponder([chunks](const QByteArray &) {
        QList<Piece> pieces;
        for (const QByteArray &c : chunks)
            pieces.append({c, 30});
        return pieces;
    });

    ReadThread thread;
    // Serial silence is shortened here; its default is covered below.
    const Outcome out = runQuery(thread, 400);
    QCOMPARE(out.errors, QStringList());
    QCOMPARE(out.clears, 1);
    QCOMPARE(out.lines, expected);
    QCOMPARE(fake.requests().size(), 1);
    QCOMPARE(fake.requests().first(), buildHistoryRequest(QDate(2024, 3, 5), QDate(2024, 3, 7)));
}

void tst_ReadThread::silenceEndsAnswer_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<int>("silenceMs");
    QTest::newRow("udp 1000 ms") << true << 1000;
    QTest::newRow("serial 2000 ms") << false << 2000;
}

void tst_ReadThread::silenceEndsAnswer()
{
    QFETCH(bool, udp);
    QFETCH(int, silenceMs);

    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(udp ? fake.startUdp() : fake.startPty());
    if (udp)
        dir.writeUdpConfig(fake.udpPort());
    else
        dir.writeSerialConfig(fake.ptyPath());
    // A pause shorter than the silence does not end the answer.
    const int pause = silenceMs * 6 / 10;
    fake.setResponder([pause](const QByteArray &) {
        return QList<Piece>{{"one\n", 0}, {"two\n", pause}};
    });

    ReadThread thread;
    const Outcome out = runQuery(thread, 2000);
    QCOMPARE(out.errors, QStringList());
    QCOMPARE(out.lines, (QStringList{"one\n", "two\n"}));
    QVERIFY2(out.elapsedMs >= pause + silenceMs - 100, qPrintable(QString::number(out.elapsedMs)));
    QVERIFY2(out.elapsedMs < 3 * (pause + silenceMs), qPrintable(QString::number(out.elapsedMs)));
}

void tst_ReadThread::noAnswer()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    ReadThread thread;
    const Outcome out = runQuery(thread);
    QCOMPARE(out.errors, QStringList{QStringLiteral("查询|接受数据超时")});
    QCOMPARE(out.clears, 1);
    QVERIFY(out.lines.isEmpty());
    QVERIFY(out.elapsedMs >= 4900);
}

void tst_ReadThread::encryptionLeavesRequestPlain()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort(), {{"communicate/encrypt", true}});
    // Even an answer that looks like an envelope is shown as text.
    const QByteArray envelope = encryptEnvelope(QByteArray("\x01\x03\x00", 3));
    fake.setResponder([envelope](const QByteArray &) { return QList<Piece>{{envelope + "\n", 0}}; });
    ReadThread thread;
    const Outcome out = runQuery(thread);
    QCOMPARE(fake.requests().size(), 1);
    QCOMPARE(fake.requests().first(), buildHistoryRequest(QDate(2024, 3, 5), QDate(2024, 3, 7)));
    QCOMPARE(out.lines, QStringList{decodeDeviceText(envelope + "\n")});
}

void tst_ReadThread::stopBetweenChunks()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startUdp());
    dir.writeUdpConfig(fake.udpPort());
    fake.setResponder([](const QByteArray &) {
        QList<Piece> pieces;
        for (int i = 0; i < 100; ++i)
            pieces.append({QByteArray::number(i) + "\n", 300});
        return pieces;
    });
    const int streamMs = 100 * 300;
    ReadThread thread;
    SignalLog lines(&thread, &ReadThread::signalAddText);
    thread.startQuery(buildHistoryRequest(QDate(2024, 3, 5), QDate(2024, 3, 5)), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(lines.size() >= 3, 10000);
    QElapsedTimer clock;
    clock.start();
    thread.requestStop();
    QVERIFY(waitThread(&thread, streamMs / 2));
    QVERIFY(clock.elapsed() < streamMs / 2); // long before the stream's end
    QVERIFY(lines.size() < 100);

    // The next query starts afresh.
    fake.cancelPending();
    fake.setResponder([](const QByteArray &) { return QList<Piece>{{"again", 0}}; });
    const Outcome out = runQuery(thread);
    QCOMPARE(out.lines, QStringList{"again"});
}

void tst_ReadThread::openFailure()
{
    TempWorkDir dir;
    dir.writeSerialConfig(dir.filePath("no-such-port"));
    ReadThread thread;
    const Outcome out = runQuery(thread);
    QCOMPARE(out.clears, 0);
    QCOMPARE(out.errors.size(), 1);
    QVERIFY(out.errors.first().startsWith(QStringLiteral("查询|打开串口失败: ")));
}

void tst_ReadThread::serialHangUpMidAnswer()
{
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(fake.startPty());
    dir.writeSerialConfig(fake.ptyPath());
    fake.setResponder([](const QByteArray &) {
        QList<Piece> pieces;
        for (int i = 0; i < 10; ++i)
            pieces.append({"2024-03-05 10:0" + QByteArray::number(i) + ":00, 21.5\n", 30});
        pieces.append({"2024-03-05 10:10", 0});
        return pieces;
    });
    connect(&fake, &ScriptedInstrument::requestReceived, &fake, [&fake] {
        QTimer::singleShot(500, &fake, [&fake] { fake.hangUp(); });
    });
    ReadThread thread;
    const Outcome out = runQuery(thread, 2000);
    // A cut-off answer is a failure, not a complete one.
    QCOMPARE(out.errors, QStringList{QStringLiteral("查询|串口读取失败")});
    QCOMPARE(out.lines.size(), 11);
    QVERIFY2(out.elapsedMs < 2000, qPrintable(QString::number(out.elapsedMs)));
}

void tst_ReadThread::endlessAnswerStopsAtLineCap_data()
{
    QTest::addColumn<bool>("udp");
    QTest::newRow("udp") << true;
    QTest::newRow("serial") << false;
}

void tst_ReadThread::endlessAnswerStopsAtLineCap()
{
    QFETCH(bool, udp);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(udp ? fake.startUdp() : fake.startPty());
    if (udp)
        dir.writeUdpConfig(fake.udpPort());
    else
        dir.writeSerialConfig(fake.ptyPath());
    // An answer that would go on for 20 s without a pause.
    fake.setResponder([](const QByteArray &) {
        QList<Piece> pieces;
        for (int i = 0; i < 1000; ++i)
            pieces.append({QByteArray("2024-03-05 10:00:00, 21.5, 60\n").repeated(5), 20});
        return pieces;
    });
    ReadThread thread;
    QCOMPARE(thread.maxLines(), 2000000);
    thread.setMaxLines(100);
    const Outcome out = runQuery(thread, 2000);
    QCOMPARE(out.lines.size(), 100);
    QCOMPARE(out.errors, QStringList{QStringLiteral("查询|历史数据超过100行，已停止读取")});
    QVERIFY2(out.elapsedMs < 5000, qPrintable(QString::number(out.elapsedMs)));
}

void tst_ReadThread::slowReceiverHoldsTheWorker()
{
    ReadThread thread;
    SignalLog lines(&thread, &ReadThread::signalAddText);
    const int total = ReadThread::kMaxQueuedLines + 5000;
    std::atomic_bool done{false};
    // The link's side, fed while this thread (the receiver) is busy.
    std::thread producer([&] {
        for (int i = 0; i < total; i += 100)
            thread.onData(QByteArray("2024-03-05 10:00:00, 21.5, 60\n").repeated(100));
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    while (thread.queuedLineCount() < ReadThread::kMaxQueuedLines && clock.elapsed() < 10000)
        QThread::msleep(5);
    QCOMPARE(thread.queuedLineCount(), ReadThread::kMaxQueuedLines);
    QVERIFY(!done); // waiting for room, not queueing on
    QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    producer.join();
    QTRY_COMPARE_WITH_TIMEOUT(lines.size(), total, 10000);
    QCOMPARE(thread.queuedLineCount(), 0);
}

void tst_ReadThread::longLinesAreCut_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("rest");
    QTest::newRow("no line feed at all") << QList<QByteArray>{"abcdefghij", "klm"}
                                         << QList<QByteArray>{"abcd", "efgh", "ijkl"} << QByteArray("m");
    QTest::newRow("exactly the bound with lf") << QList<QByteArray>{"abc\nabcd"}
                                               << QList<QByteArray>{"abc\n", "abcd"} << QByteArray();
    QTest::newRow("lf right after a cut") << QList<QByteArray>{"abcd", "\nx"}
                                          << QList<QByteArray>{"abcd", "\n"} << QByteArray("x");
    QTest::newRow("long line in one chunk") << QList<QByteArray>{"0123456789\n"}
                                            << QList<QByteArray>{"0123", "4567", "89\n"} << QByteArray();
}

void tst_ReadThread::longLinesAreCut()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, rest);
    QCOMPARE(HistoryLineSplitter().maxLineBytes(), 4096);
    HistoryLineSplitter splitter(4);
    QList<QByteArray> got;
    for (const QByteArray &chunk : chunks)
        got += splitter.feed(chunk);
    QCOMPARE(got, lines);
    QCOMPARE(splitter.takeRest(), rest);
}

void tst_ReadThread::readOutcome_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<int>("lineCount"); // lines the instrument sends, 30 ms apart
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<int>("stopAfter"); // lines; -1: no stop request
    QTest::addColumn<int>("hangUpMs"); // -1: the line stays
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("received");
    QTest::addColumn<QString>("message");
    using O = HistoryReadOutcome;
    QTest::newRow("complete udp") << true << 3 << 100 << -1 << -1 << int(O::Complete) << 3 << QString();
    QTest::newRow("complete serial") << false << 3 << 100 << -1 << -1 << int(O::Complete) << 3 << QString();
    QTest::newRow("exactly the cap") << true << 3 << 3 << -1 << -1 << int(O::Complete) << 3 << QString();
    QTest::newRow("past the cap") << true << 5 << 3 << -1 << -1 << int(O::LineCap) << 3
                                  << QStringLiteral("历史数据超过3行，已停止读取");
    QTest::newRow("stopped") << true << 50 << 100 << 2 << -1 << int(O::Failed) << -1 << QString();
    QTest::newRow("hang-up") << false << 50 << 100 << -1 << 300 << int(O::Failed) << -1
                             << QStringLiteral("串口读取失败");
}

void tst_ReadThread::readOutcome()
{
    QFETCH(bool, udp);
    QFETCH(int, lineCount);
    QFETCH(int, maxLines);
    QFETCH(int, stopAfter);
    QFETCH(int, hangUpMs);
    QFETCH(int, status);
    QFETCH(int, received);
    QFETCH(QString, message);
    TempWorkDir dir;
    ScriptedInstrument fake;
    QVERIFY(udp ? fake.startUdp() : fake.startPty());
    if (udp)
        dir.writeUdpConfig(fake.udpPort());
    else
        dir.writeSerialConfig(fake.ptyPath());
    fake.setResponder([lineCount](const QByteArray &) {
        QList<Piece> pieces;
        for (int i = 0; i < lineCount; ++i)
            pieces.append({"2024-03-05 10:00:00, " + QByteArray::number(i) + "\r\n", 30});
        return pieces;
    });
    if (hangUpMs >= 0)
        connect(&fake, &ScriptedInstrument::requestReceived, &fake,
                [&fake, hangUpMs] { QTimer::singleShot(hangUpMs, &fake, [&fake] { fake.hangUp(); }); });

    HistoryReadOutcome outcome;
    QStringList lines;
    int opened = 0;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        HistoryReadHooks hooks;
        hooks.stopRequested = [&] { return stopAfter >= 0 && lines.size() >= stopAfter; };
        hooks.opened = [&] { ++opened; };
        hooks.line = [&](const QString &line) { lines << line; };
        DeviceLink link;
        link.interChunkWaitMs = 300;
        outcome = readHistory(link, buildHistoryRequest(QDate(2024, 3, 5), QDate(2024, 3, 5)), hooks, maxLines);
    }));
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 15000);
    QCOMPARE(int(outcome.status), status);
    QCOMPARE(outcome.failure, stopAfter >= 0 ? Failure::Interrupted
                              : hangUpMs >= 0 ? Failure::LineLost
                              : status == HistoryReadOutcome::LineCap ? Failure::TooManyLines
                                                                         : Failure::None);
    QCOMPARE(opened, 1);
    QCOMPARE(outcome.lines, qint64(lines.size()));
    if (received >= 0)
        QCOMPARE(lines.size(), received);
    else
        QVERIFY(!lines.isEmpty() && lines.size() < lineCount);
    QCOMPARE(historyReadMessage(outcome), message);
    QCOMPARE(historyReadTitle(), QStringLiteral("查询"));
}

void tst_ReadThread::linesCutByLostBytes_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<int>("broken");
    const QByteArray header = "\xca\xb1\xbc\xe4,T,H\r\n";
    const QByteArray a = "2024-03-05 10:00:00, 21.5, 60\r\n";
    const QByteArray b = "2024-03-05 10:10:00, 21.6, 61\r\n";
    const QByteArray c = "2024/03/05 10:20, 21.7, 62";
    QTest::newRow("header and records") << QList<QByteArray>{header + a, b, c} << 0;
    QTest::newRow("records only, blank lines") << QList<QByteArray>{a, "\r\n", b + "\n", c} << 0;
    // A lost piece joins the start of one line to the end of another.
    QTest::newRow("joined into more fields") << QList<QByteArray>{header + a.left(22), b.mid(12), c} << 1;
    QTest::newRow("the first record joined") << QList<QByteArray>{a.left(22) + b.mid(12), b, a, c} << 1;
    QTest::newRow("a tail between records") << QList<QByteArray>{header + a + b.left(3), c.mid(19) + "\r\n", b} << 1;
    QTest::newRow("the last line cut") << QList<QByteArray>{header + a + b + c.left(18)} << 1;
}

void tst_ReadThread::linesCutByLostBytes()
{
    // The answer has no count and no sequence: only the shape of its lines
    // tells that bytes were lost on the way.
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, broken);
    HistoryAnswerReceiver receiver({}, 100);
    for (const QByteArray &chunk : chunks)
        receiver.onData(chunk);
    const HistoryReadOutcome outcome = receiver.finish();
    QCOMPARE(outcome.brokenLines, qint64(broken));
    QCOMPARE(int(outcome.status), int(broken ? HistoryReadOutcome::LinesBroken : HistoryReadOutcome::Complete));
    QCOMPARE(historyReadMessage(outcome),
             broken ? QStringLiteral("%1行历史数据不完整，传输中丢失了数据").arg(broken) : QString());
    QCOMPARE(historyReadError(outcome), broken ? Failure::BadReply : Failure::None);
}

void tst_ReadThread::viewText_data()
{
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("view");
    QTest::newRow("lf") << "a\n" << "a\n";
    QTest::newRow("cr lf is one line end") << "a\r\n" << "a\n";
    QTest::newRow("lone cr") << "a\rb" << "a\nb";
    QTest::newRow("lf cr is two") << "a\n\r" << "a\n\n";
    QTest::newRow("no line end") << "a" << "a";
}

void tst_ReadThread::viewText()
{
    QFETCH(QString, received);
    QFETCH(QString, view);
    QCOMPARE(historyViewText(received), view);
}

QTEST_GUILESS_MAIN(tst_ReadThread)
#include "tst_readthread.moc"
