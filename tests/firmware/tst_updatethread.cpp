#include "firmware/flash.h"
#include "firmware/package.h"
#include "firmware/updatethread.h"

#include "link/devicelink.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray image(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 131 + i / 1024) & 0xFF);
    return b;
}

struct Outcome {
    int succeeded = 0;
    QStringList errors;
    QList<int> progress;
    bool finished = false;
};

} // namespace

class tst_UpdateThread : public QObject
{
    Q_OBJECT

private:
    // Starts zrsim on UDP or a pty and points config.ini at it.
    bool startSim(SimProcess &sim, TempWorkDir &dir, bool pty, QStringList args, const QVariantMap &extra = {})
    {
        if (!::startSim(sim, pty, args))
            return false;
        if (pty)
            dir.writeSerialConfig(sim.ptyPath(), extra);
        else
            dir.writeUdpConfig(sim.udpPort(), extra);
        return true;
    }

    Outcome flash(const QByteArray &img, const QString &model, int exchangeMs = 3000)
    {
        UpdateThread thread;
        thread.setTimeouts(exchangeMs, 3000, 200);
        DEncryptInfo info;
        info.setFields(packageFields("dev", model, "1.0", img));
        thread.setPackage(info);
        QSignalSpy ok(&thread, &UpdateThread::signalUpdateSucceed);
        QSignalSpy err(&thread, &UpdateThread::signalShowErrorMessage);
        QSignalSpy progress(&thread, &UpdateThread::signalUpdateProgress);
        thread.start();
        Outcome out;
        out.finished = thread.wait(60000);
        out.succeeded = ok.count();
        for (const auto &a : err)
            out.errors << a.at(0).toString();
        for (const auto &a : progress)
            out.progress << a.at(0).toInt();
        return out;
    }

    // Lines of zrsim's flash log, waiting a little for the last ones.
    static QStringList flashLines(SimProcess &sim, const QString &waitFor = QString())
    {
        QElapsedTimer clock;
        clock.start();
        QStringList lines;
        for (;;) {
            lines = sim.outputLines().filter(QStringLiteral("ZRSIM FLASH "));
            if (waitFor.isEmpty() || !lines.filter(waitFor).isEmpty() || clock.elapsed() > 5000)
                break;
            sim.process().waitForReadyRead(100);
        }
        sim.process().waitForReadyRead(100);
        return sim.outputLines().filter(QStringLiteral("ZRSIM FLASH "));
    }

private slots:
    void flashesImage_data();
    void flashesImage();
    void reopensAfterIgnoredIdentify_data();
    void reopensAfterIgnoredIdentify();
    void identifyFailsTwice();
    void modelMismatch();
    void emptyImageRefused();
    void droppedPageAcknowledgement();
    void serialPortMissing();
    void outcomes_data();
    void outcomes();
};

void tst_UpdateThread::flashesImage_data()
{
    QTest::addColumn<bool>("pty");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<int>("size");
    for (int size : {1, 1023, 1024, 1025, 2049, 300 * 1024})
        QTest::addRow("udp %d", size) << false << false << size;
    for (int size : {1, 1025, 300 * 1024})
        QTest::addRow("pty %d", size) << true << false << size;
    for (int size : {1, 2049})
        QTest::addRow("udp encrypted %d", size) << false << true << size;
    QTest::addRow("pty encrypted 1025") << true << true << 1025;
}

void tst_UpdateThread::flashesImage()
{
    QFETCH(bool, pty);
    QFETCH(bool, encrypt);
    QFETCH(int, size);
    TempWorkDir dir;
    SimProcess sim;
    QStringList args{"--model", "ZR-T100", "--flash-out", dir.filePath("received.bin")};
    if (encrypt)
        args << "--encrypt";
    QVERIFY(startSim(sim, dir, pty, args, {{"communicate/encrypt", encrypt}}));

    const QByteArray img = image(size);
    const Outcome out = flash(img, "ZR-T100");
    QVERIFY(out.finished);
    QVERIFY2(out.errors.isEmpty(), qPrintable(out.errors.join('|')));
    QCOMPARE(out.succeeded, 1);

    const int pages = (size + 1023) / 1024;
    QList<int> expected{0};
    for (int k = 0; k < pages; ++k)
        expected << static_cast<int>(qint64(k) * 102400 / size);
    QCOMPARE(out.progress, expected);

    const QStringList lines = flashLines(sim, "ZRSIM FLASH LEAVE 2");
    QCOMPARE(lines.filter("FLASH ERASE ").value(0), QStringLiteral("ZRSIM FLASH ERASE %1").arg(size));
    const QString md5 = QString::fromLatin1(QCryptographicHash::hash(img, QCryptographicHash::Md5).toHex());
    QCOMPARE(lines.filter("FLASH IMAGE ").value(0),
             QStringLiteral("ZRSIM FLASH IMAGE %1 %2 PAGES %3 MISNUMBERED 0").arg(size).arg(md5).arg(pages));
    QCOMPARE(lines.filter("FLASH LEAVE ").size(), 2);
    QCOMPARE(dir.readFile("received.bin"), img);
    if (pages > 256) {
        QVERIFY(lines.contains("ZRSIM FLASH PAGE 255 255"));
        QVERIFY(lines.contains("ZRSIM FLASH PAGE 256 0"));
        QVERIFY(lines.contains(QStringLiteral("ZRSIM FLASH PAGE %1 %2").arg(pages - 1).arg((pages - 1) % 256)));
    }
}

void tst_UpdateThread::reopensAfterIgnoredIdentify_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("udp") << false;
    QTest::newRow("pty") << true;
}

void tst_UpdateThread::reopensAfterIgnoredIdentify()
{
    QFETCH(bool, pty);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, dir, pty, {"--model", "M1", "--flash-ignore-identify", "1"}));
    const QByteArray img = image(1500);
    const Outcome out = flash(img, "M1", 1500);
    QVERIFY(out.finished);
    QCOMPARE(out.errors, QStringList());
    QCOMPARE(out.succeeded, 1);
    const QStringList lines = flashLines(sim, "ZRSIM FLASH LEAVE 2");
    QCOMPARE(lines.filter("FLASH IDENTIFY ").size(), 2);
    QVERIFY(lines.filter("FLASH IMAGE 1500 ").size() == 1);
}

void tst_UpdateThread::identifyFailsTwice()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, dir, false, {"--model", "M1", "--flash-ignore-identify", "2"}));
    const Outcome out = flash(image(10), "M1", 1000);
    QCOMPARE(out.errors, QStringList{QStringLiteral("固件更新失败,获取设备ID失败!")});
    QCOMPARE(out.succeeded, 0);
    QCOMPARE(out.progress, QList<int>());
    const QStringList lines = flashLines(sim, "ZRSIM FLASH LEAVE 2");
    QCOMPARE(lines.filter("FLASH IDENTIFY ").size(), 2);
    QCOMPARE(lines.filter("FLASH ERASE ").size(), 0);
    QCOMPARE(lines.filter("FLASH LEAVE ").size(), 2);
}

void tst_UpdateThread::modelMismatch()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, dir, false, {"--model", "ZR-T1000"}));
    const Outcome out = flash(image(4096), "ZR-T100");
    QCOMPARE(out.errors, QStringList{QStringLiteral("固件更新失败,BIN文件与设备型号不一致!")});
    QCOMPARE(out.succeeded, 0);
    const QStringList lines = flashLines(sim, "ZRSIM FLASH LEAVE 2");
    QCOMPARE(lines.filter("FLASH ERASE ").size(), 0);
    QCOMPARE(lines.filter("FLASH PAGE ").size(), 0);
    QCOMPARE(lines.filter("FLASH LEAVE ").size(), 2);
}

// An erase with nothing to write after it would leave the instrument
// without firmware.
void tst_UpdateThread::emptyImageRefused()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, dir, false, {"--model", "ZR-T100"}));
    const Outcome out = flash(QByteArray(), "ZR-T100");
    QVERIFY(out.finished);
    QCOMPARE(out.errors, QStringList{QStringLiteral("固件更新失败,文件中没有固件数据!")});
    QCOMPARE(out.succeeded, 0);
    QCOMPARE(out.progress, QList<int>());
    // Not even the identify request went out.
    sim.process().waitForReadyRead(300);
    QCOMPARE(flashLines(sim), QStringList());
}

void tst_UpdateThread::droppedPageAcknowledgement()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(startSim(sim, dir, false, {"--model", "M", "--flash-drop-page", "5"}));
    const Outcome out = flash(image(8 * 1024 + 10), "M", 1500);
    QCOMPARE(out.errors, QStringList{QStringLiteral("固件更新失败,发送文件数据失败!")});
    QCOMPARE(out.succeeded, 0);
    // Erase, then pages 0..4 acknowledged.
    QCOMPARE(out.progress.size(), 6);
    const QStringList lines = flashLines(sim, "ZRSIM FLASH DROPPED 5");
    sim.process().waitForReadyRead(300);
    const QStringList after = flashLines(sim);
    QCOMPARE(after.filter("FLASH PAGE ").size(), 6);
    QVERIFY(after.contains("ZRSIM FLASH PAGE 5 5"));
    QCOMPARE(after.filter("FLASH LEAVE ").size(), 0);
}

void tst_UpdateThread::serialPortMissing()
{
    TempWorkDir dir;
    dir.writeSerialConfig(dir.filePath("no-such-port"));
    const Outcome out = flash(image(10), "M");
    QCOMPARE(out.errors.size(), 1);
    QVERIFY2(out.errors.at(0).startsWith(QStringLiteral("固件更新失败,")), qPrintable(out.errors.at(0)));
    QVERIFY(out.errors.at(0).contains("no-such-port"));
    QCOMPARE(out.succeeded, 0);
}

void tst_UpdateThread::outcomes_data()
{
    QTest::addColumn<QStringList>("simArgs"); // empty: no instrument, a missing port
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("pagesDone");
    QTest::addColumn<int>("failedPage");
    QTest::addColumn<bool>("leaveSent");
    const QStringList m{"--model", "M"};
    QTest::newRow("complete") << m << "M" << 2049 << int(FlashOutcome::Complete) << 3 << -1 << true;
    QTest::newRow("second identify answered") << (m + QStringList{"--flash-ignore-identify", "1"}) << "M" << 10
                                              << int(FlashOutcome::Complete) << 1 << -1 << true;
    QTest::newRow("identify unanswered twice") << (m + QStringList{"--flash-ignore-identify", "2"}) << "M" << 10
                                               << int(FlashOutcome::IdentifyFailed) << 0 << -1 << true;
    QTest::newRow("other model") << QStringList{"--model", "ZR-T1000"} << "ZR-T100" << 10
                                 << int(FlashOutcome::ModelMismatch) << 0 << -1 << true;
    QTest::newRow("page 5 unacknowledged") << (m + QStringList{"--flash-drop-page", "5"}) << "M" << 8 * 1024 + 10
                                           << int(FlashOutcome::PageFailed) << 5 << 5 << false;
    QTest::newRow("no image") << m << "M" << 0 << int(FlashOutcome::NoImage) << 0 << -1 << false;
    QTest::newRow("port missing") << QStringList() << "M" << 10 << int(FlashOutcome::Failed) << 0 << -1 << false;
}

// The operation itself, as zrvu-cli calls it: the outcome names the case.
void tst_UpdateThread::outcomes()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, model);
    QFETCH(int, size);
    QFETCH(int, status);
    QFETCH(int, pagesDone);
    QFETCH(int, failedPage);
    QFETCH(bool, leaveSent);
    TempWorkDir dir;
    SimProcess sim;
    if (simArgs.isEmpty())
        dir.writeSerialConfig(dir.filePath("no-such-port"));
    else
        QVERIFY(startSim(sim, dir, false, simArgs));

    FlashHooks hooks;
    hooks.timeouts = {1000, 3000, 200};
    QList<int> progress;
    hooks.progress = [&](int value) { progress << value; };
    DeviceLink link;
    const FlashOutcome out = flashImage(link, image(size), model, hooks);
    QCOMPARE(int(out.status), status);
    QCOMPARE(out.totalPages, (size + 1023) / 1024);
    QCOMPARE(out.pagesDone, pagesDone);
    QCOMPARE(out.failedPage, failedPage);
    QCOMPARE(out.leaveSent, leaveSent);
    // Progress only once the erase went through: 0, then one per page.
    QCOMPARE(progress.size(), out.pagesDone + (progress.isEmpty() ? 0 : 1));
    if (status == FlashOutcome::ModelMismatch)
        QVERIFY2(out.identifyText.contains("Find ZR-T1000 OK"), qPrintable(out.identifyText));
    if (status == FlashOutcome::Failed) {
        QCOMPARE(out.failure, Failure::OpenFailed);
        QVERIFY2(out.detail.contains("no-such-port"), qPrintable(out.detail));
    }
    QCOMPARE(flashMessage(out).isEmpty(), status == FlashOutcome::Complete);
}

QTEST_GUILESS_MAIN(tst_UpdateThread)
#include "tst_updatethread.moc"
