#include "tests/cli/cliprocess.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"

#include <QUdpSocket>
#include <QtTest>

namespace {
const QMap<QString, QString> kShortListen{{"ZRVU_CLI_SEARCH_LISTEN_MS", "400"}};

// A loopback port nobody holds right now, for zrsim's discovery socket.
quint16 freeLoopbackPort()
{
    QUdpSocket socket;
    return socket.bind(QHostAddress::LocalHost, 0) ? socket.localPort() : 0;
}
} // namespace

// Device search of zrvu-cli against zrsim answering on loopback ports only.
class tst_CliSearch : public QObject
{
    Q_OBJECT

private slots:
    void answersPerTarget();
    void badTargets_data();
    void badTargets();
    void noAnswerIsExitOne();
};

void tst_CliSearch::answersPerTarget()
{
    TempWorkDir dir;
    SimProcess a;
    SimProcess b;
    const quint16 pa = freeLoopbackPort();
    QVERIFY(pa);
    QVERIFY(a.start({"--udp", "127.0.0.1:0", "--discovery", QString::number(pa), "--discovery-name", "ZR 一号"}));
    const quint16 pb = freeLoopbackPort();
    QVERIFY(pb && pb != pa);
    QVERIFY(b.start({"--udp", "127.0.0.1:0", "--discovery", QString::number(pb), "--discovery-name", "ZR-B",
                     "--discovery-from-link"}));
    const CliResult r = CliProcess::run(dir.path(),
                                        {"search", "--target", QStringLiteral("127.0.0.1:%1").arg(pa), "--target",
                                         QStringLiteral("127.0.0.1:%1").arg(pb)},
                                        30000, kShortListen);
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^ZR 一号\t127\\.0\\.0\\.1\t\\d+$")).match(lines.at(0)).hasMatch(),
             qPrintable(lines.at(0)));
    // Answered from the link's socket: the endpoint the link then talks to.
    QCOMPARE(lines.at(1), QStringLiteral("ZR-B\t127.0.0.1\t%1").arg(b.udpPort()));
}

void tst_CliSearch::badTargets_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("name") << "instrument.local";
    QTest::newRow("ipv6") << "::1";
    QTest::newRow("port 0") << "127.0.0.1:0";
    QTest::newRow("port text") << "127.0.0.1:x";
    QTest::newRow("octet") << "127.0.0.256";
}

void tst_CliSearch::badTargets()
{
    QFETCH(QString, target);
    TempWorkDir dir;
    // Refused before anything is sent, so no broadcast can follow either.
    const CliResult r = CliProcess::run(dir.path(), {"search", "--target", target}, 30000, kShortListen);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.errText().contains(QStringLiteral("bad search target")), r.err.constData());
    QVERIFY2(r.err.endsWith("\nTry 'zrvu-cli --help'.\n") && r.err.count('\n') == 2, r.err.constData());
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.endsWith("\nTry 'zrvu-cli --help'.\n") && !r.err.contains("Usage:"), r.err.constData());
}

QTEST_GUILESS_MAIN(tst_CliSearch)
#include "tst_clisearch.moc"

void tst_CliSearch::noAnswerIsExitOne()
{
    TempWorkDir dir;
    const quint16 silent = freeLoopbackPort();
    QVERIFY(silent);
    const CliResult r = CliProcess::run(dir.path(), {"search", "--target", QStringLiteral("127.0.0.1:%1").arg(silent)},
                                        30000, kShortListen);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.errText().contains(QStringLiteral("没有设备应答")), r.err.constData());
}
