#include "discovery/searchtargets.h"

#include <QNetworkInterface>
#include <QSet>
#include <QtTest>

namespace {

// Only data: nothing is ever sent to these addresses.
QNetworkAddressEntry entry(const char *ip, const char *broadcast)
{
    QNetworkAddressEntry e;
    e.setIp(QHostAddress(QString::fromLatin1(ip)));
    if (broadcast)
        e.setBroadcast(QHostAddress(QString::fromLatin1(broadcast)));
    return e;
}

} // namespace

Q_DECLARE_METATYPE(QList<QNetworkAddressEntry>)

class tst_SearchTargets : public QObject
{
    Q_OBJECT

private slots:
    void fromEntries_data();
    void fromEntries();
    void fromThisHost();
};

void tst_SearchTargets::fromEntries_data()
{
    QTest::addColumn<QList<QNetworkAddressEntry>>("entries");
    QTest::addColumn<QStringList>("targets");

    QTest::newRow("none") << QList<QNetworkAddressEntry>{} << QStringList{};
    QTest::newRow("two interfaces on one subnet")
        << QList<QNetworkAddressEntry>{entry("192.168.7.10", "192.168.7.255"), entry("192.168.7.20", "192.168.7.255")}
        << QStringList{"192.168.7.255"};
    QTest::newRow("two subnets")
        << QList<QNetworkAddressEntry>{entry("10.1.0.5", "10.1.255.255"), entry("192.168.7.10", "192.168.7.255")}
        << QStringList{"10.1.255.255", "192.168.7.255"};
    QTest::newRow("ipv6 entries ignored")
        << QList<QNetworkAddressEntry>{entry("fe80::1", nullptr), entry("2001:db8::5", "2001:db8::ff"),
                                       entry("172.16.0.9", "172.16.0.255")}
        << QStringList{"172.16.0.255"};
    QTest::newRow("no broadcast (loopback, point-to-point)")
        << QList<QNetworkAddressEntry>{entry("127.0.0.1", nullptr), entry("10.8.0.2", nullptr)} << QStringList{};
    QTest::newRow("same broadcast spelled twice among others")
        << QList<QNetworkAddressEntry>{entry("10.0.0.1", "10.0.0.255"), entry("10.0.1.1", "10.0.1.255"),
                                       entry("10.0.0.2", "10.0.0.255")}
        << QStringList{"10.0.0.255", "10.0.1.255"};
}

void tst_SearchTargets::fromEntries()
{
    QFETCH(QList<QNetworkAddressEntry>, entries);
    QFETCH(QStringList, targets);
    QStringList got;
    for (const QHostAddress &a : broadcastTargets(entries))
        got << a.toString();
    got.sort();
    targets.sort();
    QCOMPARE(got, targets);
}

void tst_SearchTargets::fromThisHost()
{
    // Looks at this machine's interfaces without sending anything.
    const QList<QHostAddress> targets = collectBroadcastTargets();
    QSet<QHostAddress> unique;
    for (const QHostAddress &a : targets) {
        QCOMPARE(a.protocol(), QAbstractSocket::IPv4Protocol);
        QVERIFY(!a.isNull());
        unique.insert(a);
    }
    QCOMPARE(unique.size(), targets.size());

    QSet<QHostAddress> expected;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &e : iface.addressEntries()) {
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol && !e.broadcast().isNull())
                expected.insert(e.broadcast());
        }
    }
    QCOMPARE(unique, expected);
}

QTEST_GUILESS_MAIN(tst_SearchTargets)
#include "tst_searchtargets.moc"
