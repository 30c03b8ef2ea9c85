#include "firmware/downloadthread.h"

#include "httptestserver.h"
#include "tests/history/signallog.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/workdir.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray body(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return b;
}

} // namespace

class tst_DownloadThread : public QObject
{
    Q_OBJECT

private:
    struct Run {
        QStringList errors;
        int succeeded = 0;
        QList<int> progress;
    };
    Run runDownload(DownloadThread &thread, const QString &link, const QString &folder)
    {
        Run run;
        QSignalSpy ok(&thread, &DownloadThread::signalDownloadSucceed);
        QSignalSpy err(&thread, &DownloadThread::signalShowErrorMessage);
        QSignalSpy progress(&thread, &DownloadThread::signalSetDownloadProgress);
        thread.startDownload(link, folder);
        if (!QTest::qWaitFor([&] { return thread.isFinished(); }, 15000))
            run.errors << QStringLiteral("<did not finish>");
        run.succeeded = ok.count();
        for (const auto &args : err)
            run.errors << args.at(0).toString();
        for (const auto &args : progress)
            run.progress << args.at(0).toInt();
        return run;
    }

private slots:
    void fileNameOfLink_data();
    void fileNameOfLink();
    void serverBehaviours_data();
    void serverBehaviours();
    void badNamesRefused_data();
    void badNamesRefused();
    void redirectIsFollowed();
    void emptyBodyIsNoPackage();
    void stopKeepsOlderFile();
    void missingFolderIsCreated();
    void failuresKeepOlderFile_data();
    void failuresKeepOlderFile();
    void outcomes_data();
    void outcomes();
};

void tst_DownloadThread::fileNameOfLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "http://h/files/ZR-T100.zrbin" << "ZR-T100.zrbin";
    QTest::newRow("blanks around") << "http://h/files/%20ZR%20A.zrbin%20%20" << "ZR A.zrbin";
    QTest::newRow("query ignored") << "http://h/p/a.zrbin?x=1/2" << "a.zrbin";
    QTest::newRow("encoded chinese") << "http://h/%E5%9B%BA%E4%BB%B6.zrbin" << QStringLiteral("固件.zrbin");
    QTest::newRow("no name") << "http://h/files/" << "";
    QTest::newRow("only host") << "http://h" << "";
    QTest::newRow("dot") << "http://h/files/." << "";
    QTest::newRow("dot dot") << "http://h/files/.." << "";
    QTest::newRow("encoded dot dot") << "http://h/files/%2E%2E" << "";
    QTest::newRow("encoded slash") << "http://h/files/..%2F..%2Fevil.zrbin" << "evil.zrbin";
    QTest::newRow("encoded backslash") << "http://h/files/..%5Cevil.zrbin" << "";
    QTest::newRow("blank only") << "http://h/files/%20" << "";
    // Saved as "a" before: the name ended at the NUL.
    QTest::newRow("encoded NUL") << "http://h/files/a%00b.zrbin" << "";
    QTest::newRow("encoded tab") << "http://h/files/a%09b.zrbin" << "";
    QTest::newRow("encoded line break") << "http://h/files/a%0Ab.zrbin" << "";
}

void tst_DownloadThread::fileNameOfLink()
{
    QFETCH(QString, link);
    QFETCH(QString, name);
    QCOMPARE(DownloadThread::fileNameOfLink(link), name);
}

void tst_DownloadThread::serverBehaviours_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<QString>("error"); // empty: success; "*": the reply's own text
    QTest::newRow("with Content-Length") << 200 << true << 0 << -1 << "";
    QTest::newRow("slow transfer") << 200 << true << 8192 << -1 << "";
    QTest::newRow("without Content-Length") << 200 << false << 0 << -1
                                            << QStringLiteral("下载异常: 未找到该文件或下载失败");
    QTest::newRow("404 with a body") << 404 << true << 0 << -1 << "*";
    QTest::newRow("server stops in the middle") << 200 << true << 4096 << 20000 << "*";
}

void tst_DownloadThread::serverBehaviours()
{
    QFETCH(int, status);
    QFETCH(bool, withLength);
    QFETCH(int, chunkSize);
    QFETCH(int, closeAfter);
    QFETCH(QString, error);

    QTemporaryDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.status = status;
    r.body = body(64 * 1024 + 3);
    r.withLength = withLength;
    r.chunkSize = chunkSize;
    r.chunkDelayMs = 15;
    r.closeAfter = closeAfter;
    server.setResponse("/pkg/ZR-T100.zrbin", r);

    // A file of the same name from before must survive any failure.
    const QString target = QDir(dir.path()).filePath("ZR-T100.zrbin");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older package");
    }

    DownloadThread thread;
    const Run run = runDownload(thread, server.url("/pkg/ZR-T100.zrbin"), dir.path());
    QCOMPARE(server.requestedPaths(), QStringList{"/pkg/ZR-T100.zrbin"});
    if (error.isEmpty()) {
        QCOMPARE(run.errors, QStringList());
        QCOMPARE(run.succeeded, 1);
        QCOMPARE(fileBytes(target), r.body);
        QVERIFY(!run.progress.isEmpty());
        QCOMPARE(run.progress.first(), 0);
        QCOMPARE(run.progress.last(), 100);
        QCOMPARE(run.progress.count(100), 1);
        for (int i = 1; i < run.progress.size(); ++i)
            QVERIFY(run.progress.at(i) >= run.progress.at(i - 1));
        if (chunkSize > 0)
            QVERIFY2(run.progress.size() > 3, "progress should grow chunk by chunk");
    } else {
        QCOMPARE(run.succeeded, 0);
        QCOMPARE(run.errors.size(), 1);
        if (error == "*") {
            QVERIFY2(run.errors.at(0).startsWith(QStringLiteral("下载异常: ")), qPrintable(run.errors.at(0)));
            QVERIFY(run.errors.at(0).size() > QStringLiteral("下载异常: ").size());
            QVERIFY(!run.errors.at(0).contains(QStringLiteral("未找到该文件")));
        } else {
            QCOMPARE(run.errors.at(0), error);
        }
        QCOMPARE(fileBytes(target), QByteArray("older package"));
    }
    // No partial or temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ZR-T100.zrbin"});
}

void tst_DownloadThread::badNamesRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << "/pkg/" << "";
    QTest::newRow("dot") << "/pkg/." << ".";
    QTest::newRow("dot dot") << "/pkg/%2E%2E" << "..";
    QTest::newRow("backslash") << "/pkg/..%5Cescape.zrbin" << "..\\escape.zrbin";
    QTest::newRow("NUL") << "/pkg/a%00b.zrbin" << QStringLiteral("a\uFFFDb.zrbin");
}

void tst_DownloadThread::badNamesRefused()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString folder = QDir(dir.path()).filePath("inner");
    QVERIFY(QDir().mkpath(folder));
    HttpTestServer server;
    QVERIFY(server.listen());
    DownloadThread thread;
    const Run run = runDownload(thread, server.url(path), folder);
    QCOMPARE(run.errors, QStringList{QStringLiteral("下载失败,打开文件失败: %1").arg(shown)});
    QCOMPARE(run.succeeded, 0);
    QCOMPARE(server.requestedPaths(), QStringList());
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"inner"});
}

// A redirect page must never be stored as the package.
void tst_DownloadThread::redirectIsFollowed()
{
    QTemporaryDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response moved;
    moved.status = 302;
    moved.body = "<html>moved</html>";
    moved.extraHeaders = "Location: " + server.url("/real/x.zrbin").toLatin1() + "\r\n";
    server.setResponse("/old/x.zrbin", moved);
    HttpTestServer::Response real;
    real.body = body(3000);
    server.setResponse("/real/x.zrbin", real);
    DownloadThread thread;
    const Run run = runDownload(thread, server.url("/old/x.zrbin"), dir.path());
    QCOMPARE(run.errors, QStringList());
    QCOMPARE(run.succeeded, 1);
    QCOMPARE(server.requestedPaths(), (QStringList{"/old/x.zrbin", "/real/x.zrbin"}));
    QCOMPARE(fileBytes(QDir(dir.path()).filePath("x.zrbin")), real.body);
}

void tst_DownloadThread::emptyBodyIsNoPackage()
{
    QTemporaryDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    server.setResponse("/e.zrbin", HttpTestServer::Response());
    DownloadThread thread;
    const Run run = runDownload(thread, server.url("/e.zrbin"), dir.path());
    QCOMPARE(run.errors, QStringList{QStringLiteral("下载异常: 未找到该文件或下载失败")});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_DownloadThread::stopKeepsOlderFile()
{
    QTemporaryDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.body = body(50000);
    r.closeAfter = 1000;
    r.stallAfterClose = true;
    server.setResponse("/a.zrbin", r);
    const QString target = QDir(dir.path()).filePath("a.zrbin");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("keep me");
    }

    DownloadThread thread;
    // Counted on the test thread: it polls them while the worker emits.
    SignalLog ok(&thread, &DownloadThread::signalDownloadSucceed);
    SignalLog err(&thread, &DownloadThread::signalShowErrorMessage);
    SignalLog progress(&thread, &DownloadThread::signalSetDownloadProgress);
    thread.startDownload(server.url("/a.zrbin"), dir.path());
    // Bytes arrived, the rest never comes.
    QTRY_VERIFY_WITH_TIMEOUT(progress.size() >= 2, 10000);
    QVERIFY(thread.isRunning());
    // A second start while running changes nothing.
    thread.startDownload(server.url("/other.zrbin"), dir.path());
    QCOMPARE(thread.link(), server.url("/a.zrbin"));
    thread.stopDownload();
    QVERIFY(thread.isFinished());
    QCoreApplication::processEvents();
    QCOMPARE(ok.size() + err.size(), 0);
    QCOMPARE(fileBytes(target), QByteArray("keep me"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.zrbin"});

    // The thread is usable again afterwards.
    r.closeAfter = -1;
    server.setResponse("/a.zrbin", r);
    const Run again = runDownload(thread, server.url("/a.zrbin"), dir.path());
    QCOMPARE(again.errors, QStringList());
    QCOMPARE(fileBytes(target), r.body);
}

void tst_DownloadThread::missingFolderIsCreated()
{
    QTemporaryDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.body = "tiny";
    server.setResponse("/t.zrbin", r);
    const QString folder = QDir(dir.path()).filePath("Files/new/deeper");
    DownloadThread thread;
    const Run run = runDownload(thread, server.url("/t.zrbin"), folder);
    QCOMPARE(run.errors, QStringList());
    QCOMPARE(run.succeeded, 1);
    QCOMPARE(fileBytes(QDir(folder).filePath("t.zrbin")), QByteArray("tiny"));
}

void tst_DownloadThread::failuresKeepOlderFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<bool>("stall");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<int>("fileLimit"); // > 0: no file may grow past it
    QTest::addColumn<QString>("error");
    const qint64 cap = DownloadThread::defaultMaxBytes;
    const QString tooLarge = QStringLiteral("下载异常: 文件过大(超过0 MB)");
    QTest::newRow("over the cap, announced") << 64 * 1024 << true << false << qint64(32 * 1024) << 0 << tooLarge;
    QTest::newRow("over the cap, no length") << 64 * 1024 << false << false << qint64(32 * 1024) << 0 << tooLarge;
    // Committed as a 0- or 4096-byte file before.
    QTest::newRow("write fails, large body") << 64 * 1024 << true << false << cap << 4096
                                             << QStringLiteral("文件超过系统允许的大小");
    QTest::newRow("write fails at the flush") << 10000 << true << false << cap << 4096
                                              << QStringLiteral("文件超过系统允许的大小");
    // "Operation canceled" before.
    QTest::newRow("server stalls") << 64 * 1024 << true << true << cap << 0
                                   << QStringLiteral("下载异常: 服务器在1秒内没有发送数据");
}

void tst_DownloadThread::failuresKeepOlderFile()
{
    QFETCH(int, size);
    QFETCH(bool, withLength);
    QFETCH(bool, stall);
    QFETCH(qint64, maxBytes);
    QFETCH(int, fileLimit);
    QFETCH(QString, error);

    QTemporaryDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.body = body(size);
    r.withLength = withLength;
    if (stall) {
        r.closeAfter = 1000;
        r.stallAfterClose = true;
    }
    server.setResponse("/p.zrbin", r);
    const QString target = QDir(dir.path()).filePath("p.zrbin");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("older package");
    }

    DownloadThread thread;
    thread.setMaxBytes(maxBytes);
    thread.setTransferTimeout(1000);
    Run run;
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (fileLimit > 0) {
            limit = std::make_unique<FileSizeLimit>(fileLimit);
            QVERIFY(limit->active());
        }
        run = runDownload(thread, server.url("/p.zrbin"), dir.path());
    }
    QCOMPARE(run.succeeded, 0);
    QCOMPARE(run.errors.size(), 1);
    QVERIFY2(run.errors.at(0).startsWith(QStringLiteral("下载异常: ")), qPrintable(run.errors.at(0)));
    QVERIFY2(run.errors.at(0).contains(error), qPrintable(run.errors.at(0)));
    QCOMPARE(fileBytes(target), QByteArray("older package"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"p.zrbin"});
}


void tst_DownloadThread::outcomes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<bool>("stopAtOnce");
    QTest::addColumn<DownloadOutcome::Status>("status");
    QTest::newRow("complete") << "/p.zrbin" << 200 << true << qint64(1 << 20) << false << DownloadOutcome::Complete;
    QTest::newRow("no length") << "/p.zrbin" << 200 << false << qint64(1 << 20) << false
                               << DownloadOutcome::Incomplete;
    QTest::newRow("error page") << "/p.zrbin" << 404 << true << qint64(1 << 20) << false
                                << DownloadOutcome::TransferError;
    QTest::newRow("too large") << "/p.zrbin" << 200 << true << qint64(1000) << false << DownloadOutcome::TooLarge;
    QTest::newRow("no file name") << "/" << 200 << true << qint64(1 << 20) << false << DownloadOutcome::BadFileName;
    QTest::newRow("stopped") << "/p.zrbin" << 200 << true << qint64(1 << 20) << true << DownloadOutcome::Failed;
}

// The operation zrvu-cli calls; the thread above wraps the same function.
void tst_DownloadThread::outcomes()
{
    QFETCH(QString, path);
    QFETCH(int, httpStatus);
    QFETCH(bool, withLength);
    QFETCH(qint64, maxBytes);
    QFETCH(bool, stopAtOnce);
    QFETCH(DownloadOutcome::Status, status);
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.status = httpStatus;
    r.body = body(5000);
    r.withLength = withLength;
    server.setResponse(path, r);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    DownloadHooks hooks;
    hooks.stopRequested = [stopAtOnce] { return stopAtOnce; };
    QList<int> progress;
    hooks.progress = [&](int value) { progress << value; };
    DownloadLimits limits;
    limits.maxBytes = maxBytes;
    limits.transferTimeoutMs = 5000;
    DownloadOutcome out;
    QVERIFY(runBesideServer([&] { return downloadPackage(server.url(path), folder.path(), hooks, limits); }, &out));
    QCOMPARE(out.status, status);
    const QString target = QDir(folder.path()).filePath("p.zrbin");
    if (status == DownloadOutcome::Complete) {
        QCOMPARE(out.bytes, qint64(5000));
        QCOMPARE(QDir::cleanPath(out.path), QDir::cleanPath(target));
        QCOMPARE(fileBytes(target), body(5000));
        QCOMPARE(progress.last(), 100);
    } else {
        QVERIFY(!QFile::exists(target));
    }
    QCOMPARE(out.failure, status == DownloadOutcome::Complete ? Failure::None
                          : stopAtOnce                       ? Failure::Interrupted
                                                             : Failure::DownloadFailed);
    QCOMPARE(downloadMessage(out).isEmpty(), status == DownloadOutcome::Complete || stopAtOnce);
}

QTEST_GUILESS_MAIN(tst_DownloadThread)
#include "tst_downloadthread.moc"
