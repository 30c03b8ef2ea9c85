#include "discovery/dsearchdevicethread.h"
#include "tests/support/discoverysim.h"

#include <QProcess>
#include <QtTest>

class tst_SearchSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QHostAddress>("QHostAddress"); }
    void search_data();
    void search();
    void badPortRefused();
};

void tst_SearchSim::search_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("fromLink");

    QTest::newRow("default name") << QStringList{} << QStringList{"ZR-SIM"} << false;
    QTest::newRow("blanks and line break, chinese, twice")
        << QStringList{"--discovery-name", QStringLiteral("  ZR-3100 温度计 \r\n"), "--discovery-twice"}
        << QStringList{QStringLiteral("ZR-3100 温度计"), QStringLiteral("ZR-3100 温度计")} << false;
    QTest::newRow("empty answer") << QStringList{"--discovery-name", ""} << QStringList{} << false;
    QTest::newRow("late answer inside the wait") << QStringList{"--discovery-delay", "400"} << QStringList{"ZR-SIM"}
                                                 << false;
    QTest::newRow("answer from the link socket") << QStringList{"--discovery-from-link"} << QStringList{"ZR-SIM"}
                                                 << true;
}

void tst_SearchSim::search()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);
    QFETCH(bool, fromLink);

    DiscoverySim sim;
    QVERIFY2(sim.start(QStringList{"--udp", "127.0.0.1:0", "--discovery", "0"} + arguments), qPrintable(sim.error));

    DSearchDeviceThread thread(nullptr);
    thread.setTargets({QHostAddress(QStringLiteral("127.0.0.1"))});
    thread.setPort(sim.discoveryPort);
    thread.setListenMs(1200);
    QStringList found;
    QList<quint16> ports;
    bool done = false;
    connect(&thread, &DSearchDeviceThread::signalInsertDevice, this,
            [&](const QString &name, const QHostAddress &, quint16 port) {
                found << name;
                ports << port;
            });
    connect(&thread, &DSearchDeviceThread::signalSetEnableButtons, this, [&](bool enable) { done = enable; });
    thread.startSearch();
    QTRY_VERIFY_WITH_TIMEOUT(done, 15000);
    QVERIFY(thread.wait(5000));

    QCOMPARE(found, names);
    for (quint16 port : qAsConst(ports))
        QCOMPARE(port, fromLink ? sim.udpPort : sim.discoveryPort);
}

void tst_SearchSim::badPortRefused()
{
    DiscoverySim sim;
    QVERIFY(!sim.start({"--udp", "127.0.0.1:0", "--discovery", "70000"}));
    QVERIFY2(sim.error.contains("--discovery"), qPrintable(sim.error));
}

QTEST_GUILESS_MAIN(tst_SearchSim)
#include "tst_searchsim.moc"
