#include "firmware/devicetypemgr.h"
#include "firmware/httpget.h"

#include "httptestserver.h"
#include "tests/support/cataloguepage.h"
#include "tests/support/workdir.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

using CatalogueFixture::entry;
using CatalogueFixture::page;

QByteArray nested(int depth)
{
    return QByteArray("<div>").repeated(depth) + QByteArray("</div>").repeated(depth);
}

using TypeList = QMap<QString, QString>;

// A reply in a chosen state. Counts its aborts, and the calls that make
// Qt's HTTP reply report a second error: abort() or close() while it holds
// an error but has not finished.
struct ReplyCalls {
    int aborts = 0;
    int secondErrors = 0;
};

class StateReply : public QNetworkReply
{
public:
    StateReply(QObject *parent, bool failed, bool finished, ReplyCalls *calls)
        : QNetworkReply(parent)
        , m_calls(calls)
    {
        open(QIODevice::ReadOnly);
        if (failed)
            setError(QNetworkReply::ContentNotFoundError, QStringLiteral("gone"));
        setFinished(finished);
    }
    void abort() override
    {
        ++m_calls->aborts;
        countSecondError();
        m_aborted = true;
    }
    void close() override
    {
        if (!m_aborted)
            countSecondError();
        QNetworkReply::close();
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }

private:
    void countSecondError()
    {
        if (!isFinished() && error() != QNetworkReply::NoError)
            ++m_calls->secondErrors;
    }
    ReplyCalls *m_calls;
    bool m_aborted = false;
};

class StateManager : public QNetworkAccessManager
{
public:
    StateManager(bool failed, bool finished, ReplyCalls *calls)
        : m_failed(failed)
        , m_finished(finished)
        , m_calls(calls)
    {
    }

protected:
    QNetworkReply *createRequest(Operation, const QNetworkRequest &, QIODevice *) override
    {
        return new StateReply(this, m_failed, m_finished, m_calls);
    }

private:
    bool m_failed;
    bool m_finished;
    ReplyCalls *m_calls;
};

} // namespace

class tst_DeviceTypeMgr : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void listSurvivesLaterPages();
    void addressRefused_data();
    void addressRefused();
    void storedAddress();
    void fetch_data();
    void fetch();
    void stopEndsStalledFetch();
    void endingReplyIsNotAbortedAgain_data();
    void endingReplyIsNotAbortedAgain();
    void outcomes_data();
    void outcomes();
};

void tst_DeviceTypeMgr::parse_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<bool>("found");
    QTest::addColumn<TypeList>("list");

    QTest::newRow("two entries, sorted, trimmed")
        << page(entry("ZR-T 温度", "http://h/t.zrbin") + entry("ZR-A", "http://h/a.zrbin")) << true
        << TypeList{{"ZR-A", "http://h/a.zrbin"}, {"ZR-T 温度", "http://h/t.zrbin"}};
    QTest::newRow("repeated name keeps the last link")
        << page(entry("X", "http://h/1") + entry("X", "http://h/2")) << true << TypeList{{"X", "http://h/2"}};
    QTest::newRow("entries of any tag, missing parts empty")
        << page("<p><div>NoLink</div><div>only</div></p><section></section>") << true
        << TypeList{{"NoLink", ""}, {"", ""}};
    QTest::newRow("outer div holds only the inner div") << page("") << false << TypeList{};
    QTest::newRow("root is not html") << QByteArray("<page><body><div><div/><div/></div></body></page>") << false
                                      << TypeList{};
    QTest::newRow("not XML") << QByteArray("<html><body><div><div><br></div></body>") << false << TypeList{};
    QTest::newRow("empty") << QByteArray() << false << TypeList{};
    // The tree Qt's DOM keeps up to a parse error would list the first
    // entry and an empty one.
    QTest::newRow("stray br in the second entry")
        << page(entry("A", "http://h/a") + "<div><div>B</div><div><a href=\"http://h/b\">x</a><br></div></div>")
        << false << TypeList{};
    QTest::newRow("50000 nested divs") << page(entry("A", "l") + "<div>" + nested(50000) + "</div>") << false
                                       << TypeList{};
    QTest::newRow("moderate nesting in an entry")
        << page("<div><div>A" + nested(100) + "</div><div><a href=\"l\">x</a></div></div>") << true
        << TypeList{{"A", "l"}};
    QTest::newRow("over 4 MB") << page(entry("A", "l") + "<!--" + QByteArray(4 * 1024 * 1024, 'x') + "-->")
                               << false << TypeList{};
    // A tab or line break would split the CLI's name<TAB>link lines.
    QTest::newRow("control characters refused")
        << page(entry("A&#9;B", "l1") + entry("C&#10;D", "l2") + entry("Good", "l3") + entry("E", "http://h/x&#9;y")
                + entry("F&#127;", "l4"))
        << true << TypeList{{"Good", "l3"}};
    QTest::newRow("Body in other case") << QByteArray("<html><Body><div><div/><div/></div></Body></html>")
                                        << false << TypeList{};
}

void tst_DeviceTypeMgr::parse()
{
    QFETCH(QByteArray, page);
    QFETCH(bool, found);
    QFETCH(TypeList, list);
    DeviceTypeMgr mgr;
    QCOMPARE(mgr.parseCatalogue(page), found);
    QCOMPARE(mgr.typeList(), list);
}

void tst_DeviceTypeMgr::listSurvivesLaterPages()
{
    DeviceTypeMgr mgr;
    QVERIFY(mgr.parseCatalogue(page(entry("A", "l1") + entry("B", "l2"))));
    QVERIFY(mgr.parseCatalogue(page(entry("B", "l3"))));
    QVERIFY(!mgr.parseCatalogue("junk"));
    QCOMPARE(mgr.typeList(), (TypeList{{"A", "l1"}, {"B", "l3"}}));
}

void tst_DeviceTypeMgr::addressRefused_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("error");
    const QString none = QStringLiteral("未设置设备列表地址!");
    const QString invalid = QStringLiteral("设备列表地址无效,请输入 http 或 https 地址!");
    QTest::newRow("nothing set") << "" << "" << none;
    QTest::newRow("blank setting") << "   " << "" << none;
    QTest::newRow("ftp") << "ftp://127.0.0.1/down.html" << "" << invalid;
    QTest::newRow("no scheme") << "" << "127.0.0.1/down.html" << invalid;
    QTest::newRow("no host") << "" << "http:///down.html" << invalid;
}

// Without an address nothing is requested, not even a name lookup.
void tst_DeviceTypeMgr::addressRefused()
{
    QFETCH(QString, stored);
    QFETCH(QString, given);
    QFETCH(QString, error);
    TempWorkDir dir;
    if (!stored.isEmpty())
        dir.writeConfig({{"update/catalogue", stored}});
    DeviceTypeMgr mgr;
    mgr.setCatalogueUrl(given);
    QSignalSpy failed(&mgr, &DeviceTypeMgr::signalShowErrorMessage);
    QSignalSpy finished(&mgr, &DeviceTypeMgr::signalFinished);
    mgr.start();
    QVERIFY(mgr.wait(5000));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), error);
}

void tst_DeviceTypeMgr::storedAddress()
{
    TempWorkDir dir;
    QCOMPARE(DeviceTypeMgr::configuredCatalogueUrl(), QString());
    dir.writeConfig({{"update/catalogue", "http://127.0.0.1:9/down.html"}});
    QCOMPARE(DeviceTypeMgr::configuredCatalogueUrl(), QStringLiteral("http://127.0.0.1:9/down.html"));
    QVERIFY(DeviceTypeMgr::isValidCatalogueUrl(DeviceTypeMgr::configuredCatalogueUrl()));
    QVERIFY(DeviceTypeMgr::isValidCatalogueUrl("HTTPS://127.0.0.1/down.html"));
}

void tst_DeviceTypeMgr::fetch_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<bool>("succeeds");
    QTest::addColumn<int>("padding");
    QTest::newRow("with Content-Length") << 200 << true << 0 << -1 << true << 0;
    QTest::newRow("without Content-Length") << 200 << false << 0 << -1 << true << 0;
    QTest::newRow("slow, in pieces") << 200 << true << 64 << -1 << true << 0;
    QTest::newRow("slow, no length") << 200 << false << 64 << -1 << true << 0;
    QTest::newRow("error page with a body") << 404 << true << 0 << -1 << false << 0;
    QTest::newRow("server stops in the middle") << 200 << true << 0 << 100 << false << 0;
    // An endless page must end at the size cap, not in bad_alloc.
    QTest::newRow("5 MB page") << 200 << true << 0 << -1 << false << 5 * 1024 * 1024;
    QTest::newRow("5 MB page, no length") << 200 << false << 0 << -1 << false << 5 * 1024 * 1024;
}

void tst_DeviceTypeMgr::fetch()
{
    QFETCH(int, status);
    QFETCH(bool, withLength);
    QFETCH(int, chunkSize);
    QFETCH(int, closeAfter);
    QFETCH(bool, succeeds);
    QFETCH(int, padding);

    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.status = status;
    r.body = page(entry("ZR-A", "http://127.0.0.1/a.zrbin") + entry("ZR-B", "http://127.0.0.1/b.zrbin"));
    if (padding > 0)
        r.body += "<!--" + QByteArray(padding, 'x') + "-->";
    r.withLength = withLength;
    r.chunkSize = chunkSize;
    r.chunkDelayMs = 20;
    r.closeAfter = closeAfter;
    server.setResponse("/down.html", r);
    dir.writeConfig({{"update/catalogue", server.url("/down.html")}});

    DeviceTypeMgr mgr;
    QSignalSpy finished(&mgr, &DeviceTypeMgr::signalFinished);
    QSignalSpy failed(&mgr, &DeviceTypeMgr::signalShowErrorMessage);
    mgr.start();
    QTRY_VERIFY_WITH_TIMEOUT(mgr.isFinished(), 10000);
    QCOMPARE(server.requestedPaths(), QStringList{"/down.html"});
    if (succeeds) {
        QCOMPARE(finished.count(), 1);
        QCOMPARE(failed.count(), 0);
        QCOMPARE(mgr.typeList().keys(), (QStringList{"ZR-A", "ZR-B"}));
    } else {
        QCOMPARE(finished.count(), 0);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("获取设备列表失败,请重试!"));
    }
}

void tst_DeviceTypeMgr::stopEndsStalledFetch()
{
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.body = page(entry("A", "x"));
    r.closeAfter = 10;
    r.stallAfterClose = true;
    server.setResponse("/down.html", r);

    DeviceTypeMgr mgr;
    mgr.setCatalogueUrl(server.url("/down.html"));
    QSignalSpy finished(&mgr, &DeviceTypeMgr::signalFinished);
    QSignalSpy failed(&mgr, &DeviceTypeMgr::signalShowErrorMessage);
    mgr.start();
    QTRY_VERIFY_WITH_TIMEOUT(!server.requestedPaths().isEmpty(), 10000);
    QTest::qWait(100); // the fetch is stuck in the stalled transfer by now
    QVERIFY(mgr.isRunning());
    mgr.stopFetch();
    QVERIFY(mgr.isFinished());
    QCOMPARE(finished.count() + failed.count(), 0);
}

void tst_DeviceTypeMgr::endingReplyIsNotAbortedAgain_data()
{
    QTest::addColumn<bool>("failed");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<int>("aborts");
    QTest::newRow("running") << false << false << 1;
    QTest::newRow("finished") << false << true << 0;
    QTest::newRow("finished with an error") << true << true << 0;
    // An error page's error and its end are two events: a stop between
    // them made Qt warn of a second error.
    QTest::newRow("error seen, end not yet") << true << false << 0;
}

void tst_DeviceTypeMgr::endingReplyIsNotAbortedAgain()
{
    QFETCH(bool, failed);
    QFETCH(bool, finished);
    QFETCH(int, aborts);
    ReplyCalls calls;
    {
        HttpGet get(QStringLiteral("http://127.0.0.1:9/down.html"), HttpGet::defaultTransferTimeoutMs,
                    std::make_unique<StateManager>(failed, finished, &calls));
        QVERIFY(get.reply());
    }
    QCOMPARE(calls.aborts, aborts);
    QCOMPARE(calls.secondErrors, 0);
}


void tst_DeviceTypeMgr::outcomes_data()
{
    QTest::addColumn<QString>("address"); // "SERVER" stands for the test server's page
    QTest::addColumn<int>("httpStatus");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("stopAtOnce");
    QTest::addColumn<CatalogueOutcome::Status>("status");
    QTest::addColumn<int>("entries");
    const QByteArray two = page(entry("A", "l1") + entry("B", "l2") + entry("A", "l3"));
    QTest::newRow("listed") << "SERVER" << 200 << two << false << CatalogueOutcome::Listed << 2;
    QTest::newRow("no address") << "" << 200 << two << false << CatalogueOutcome::NotConfigured << 0;
    QTest::newRow("not http") << "ftp://127.0.0.1/down.html" << 200 << two << false
                              << CatalogueOutcome::InvalidAddress << 0;
    QTest::newRow("error page") << "SERVER" << 404 << two << false << CatalogueOutcome::Failed << 0;
    QTest::newRow("not a catalogue") << "SERVER" << 200 << QByteArray("<html/>") << false
                                     << CatalogueOutcome::Failed << 0;
    QTest::newRow("stopped") << "SERVER" << 200 << two << true << CatalogueOutcome::Failed << 0;
}

// The operation zrvu-cli calls; the thread above wraps the same function.
void tst_DeviceTypeMgr::outcomes()
{
    QFETCH(QString, address);
    QFETCH(int, httpStatus);
    QFETCH(QByteArray, body);
    QFETCH(bool, stopAtOnce);
    QFETCH(CatalogueOutcome::Status, status);
    QFETCH(int, entries);
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response r;
    r.status = httpStatus;
    r.body = body;
    server.setResponse("/down.html", r);
    const QString url = address == QLatin1String("SERVER") ? server.url("/down.html") : address;

    CatalogueHooks hooks;
    hooks.stopRequested = [stopAtOnce] { return stopAtOnce; };
    CatalogueOutcome out;
    QVERIFY(runBesideServer([&] { return fetchCatalogue(url, hooks); }, &out));
    QCOMPARE(out.status, status);
    QCOMPARE(out.entries.size(), entries);
    if (entries)
        QCOMPARE(out.entries.value("A"), QStringLiteral("l3"));
    QCOMPARE(out.failure == Failure::Interrupted, stopAtOnce);
    QCOMPARE(catalogueMessage(out).isEmpty(), status == CatalogueOutcome::Listed || stopAtOnce);
}

QTEST_GUILESS_MAIN(tst_DeviceTypeMgr)
#include "tst_devicetypemgr.moc"
