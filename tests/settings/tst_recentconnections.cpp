#include "settings/recentconnections.h"
#include "settings/settingkeys.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

LinkSettings udp(const QString &host, int port, int address = 1, bool encrypt = false)
{
    LinkSettings l;
    l.useUdp = true;
    l.udpAddress = host;
    l.udpPort = static_cast<quint16>(port);
    l.deviceAddress = static_cast<quint8>(address);
    l.encrypt = encrypt;
    return l;
}

LinkSettings serial(const QString &port, int baud, int address = 1)
{
    LinkSettings l;
    l.serialPort = port;
    l.baudrate = baud;
    l.parity = 2;
    l.stopbits = 3;
    l.databits = 7;
    l.useRts = true;
    l.deviceAddress = static_cast<quint8>(address);
    return l;
}

// "u:host:port/address[e]" or "s:port:baud/address"
QString key(const LinkSettings &l)
{
    return l.useUdp ? QStringLiteral("u:%1:%2/%3%4").arg(l.udpAddress).arg(l.udpPort).arg(l.deviceAddress).arg(l.encrypt ? "e" : "")
                    : QStringLiteral("s:%1:%2/%3").arg(l.serialPort).arg(l.baudrate).arg(l.deviceAddress);
}

QStringList keys(const QVector<LinkSettings> &list)
{
    QStringList out;
    for (const LinkSettings &l : list)
        out << key(l);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(QVector<LinkSettings>)
Q_DECLARE_METATYPE(LinkSettings)

class tst_RecentConnections : public QObject
{
    Q_OBJECT

private slots:
    void added_data();
    void added();
    void storedBesideTheSetupKeys();
    void damagedEntriesAreSkipped();
};

void tst_RecentConnections::added_data()
{
    QTest::addColumn<QVector<LinkSettings>>("before");
    QTest::addColumn<LinkSettings>("entry");
    QTest::addColumn<QStringList>("after");

    QVector<LinkSettings> ten;
    for (int i = 1; i <= 10; ++i)
        ten << udp(QStringLiteral("127.0.0.%1").arg(i), 5000);

    QTest::newRow("first") << QVector<LinkSettings>{} << udp("127.0.0.1", 5000) << QStringList{"u:127.0.0.1:5000/1"};
    QTest::newRow("newest first") << QVector<LinkSettings>{udp("127.0.0.1", 5000)} << serial("COM3", 9600)
                                  << QStringList{"s:COM3:9600/1", "u:127.0.0.1:5000/1"};
    QTest::newRow("same instrument moves up, newest settings win")
        << QVector<LinkSettings>{udp("127.0.0.2", 5000), udp("127.0.0.1", 5000), serial("COM3", 9600)}
        << udp("127.0.0.1", 5000, 1, true) << QStringList{"u:127.0.0.1:5000/1e", "u:127.0.0.2:5000/1", "s:COM3:9600/1"};
    QTest::newRow("serial port with another speed is the same")
        << QVector<LinkSettings>{serial("COM3", 9600), udp("127.0.0.1", 1)} << serial("COM3", 19200)
        << QStringList{"s:COM3:19200/1", "u:127.0.0.1:1/1"};
    QTest::newRow("other device address is another instrument")
        << QVector<LinkSettings>{serial("COM3", 9600, 1)} << serial("COM3", 9600, 2)
        << QStringList{"s:COM3:9600/2", "s:COM3:9600/1"};
    QTest::newRow("other port is another instrument") << QVector<LinkSettings>{udp("127.0.0.1", 5000)}
                                                      << udp("127.0.0.1", 5001)
                                                      << QStringList{"u:127.0.0.1:5001/1", "u:127.0.0.1:5000/1"};
    QStringList capped{"u:127.0.0.99:5000/1"};
    for (int i = 1; i <= 9; ++i)
        capped << QStringLiteral("u:127.0.0.%1:5000/1").arg(i);
    QTest::newRow("eleventh drops the oldest") << ten << udp("127.0.0.99", 5000) << capped;
    QStringList moved{"u:127.0.0.10:5000/1"};
    for (int i = 1; i <= 9; ++i)
        moved << QStringLiteral("u:127.0.0.%1:5000/1").arg(i);
    QTest::newRow("oldest chosen again keeps ten") << ten << udp("127.0.0.10", 5000) << moved;
}

void tst_RecentConnections::added()
{
    QFETCH(QVector<LinkSettings>, before);
    QFETCH(LinkSettings, entry);
    QFETCH(QStringList, after);
    QCOMPARE(keys(RecentConnections::added(before, entry)), after);
}

void tst_RecentConnections::storedBesideTheSetupKeys()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("config.ini"));
    {
        QSettings s(file, QSettings::IniFormat);
        SettingKeys::serialPort.write(QStringLiteral("COM9"), &s);
        SettingKeys::deviceAddress.write(17, &s);
        for (int i = 1; i <= 12; ++i)
            RecentConnections::remember(udp(QStringLiteral("127.0.0.%1").arg(i), 5000 + i, i), &s);
        RecentConnections::remember(serial("/dev/ttyUSB0", 115200, 3), &s);
    }
    QSettings s(file, QSettings::IniFormat);
    const QVector<LinkSettings> loaded = RecentConnections::load(&s);
    QCOMPARE(loaded.size(), 10);
    QCOMPARE(key(loaded.at(0)), QStringLiteral("s:/dev/ttyUSB0:115200/3"));
    QCOMPARE(key(loaded.at(1)), QStringLiteral("u:127.0.0.12:5012/12"));
    QCOMPARE(key(loaded.at(9)), QStringLiteral("u:127.0.0.4:5004/4"));
    // Line settings come back as they were accepted.
    QCOMPARE(loaded.at(0).parity, 2);
    QCOMPARE(loaded.at(0).stopbits, 3);
    QCOMPARE(loaded.at(0).databits, 7);
    QVERIFY(loaded.at(0).useRts);
    // The setup's own keys are untouched; everything else lives in recent/.
    QCOMPARE(SettingKeys::serialPort.read(&s), QStringLiteral("COM9"));
    QCOMPARE(SettingKeys::deviceAddress.read(&s), 17);
    for (const QString &k : s.allKeys())
        QVERIFY2(k.startsWith(QLatin1String("recent/")) || k == QLatin1String("serial/port") || k == QLatin1String("device/address"),
                 qPrintable(k));
    QVERIFY(!s.contains(QStringLiteral("recent/11/udp")));
}

void tst_RecentConnections::damagedEntriesAreSkipped()
{
    QTemporaryDir dir;
    QSettings s(dir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    s.setValue("recent/size", 4);
    s.setValue("recent/1/udp", 1);
    s.setValue("recent/1/udp_address", "127.0.0.1");
    s.setValue("recent/1/udp_port", 0);
    s.setValue("recent/2/udp", 0);
    s.setValue("recent/2/baudrate", 9600);
    s.setValue("recent/3/udp", 1);
    s.setValue("recent/3/udp_address", "127.0.0.1");
    s.setValue("recent/3/udp_port", 5000);
    s.setValue("recent/3/address", 999);
    // recent/4 missing altogether.
    const QVector<LinkSettings> loaded = RecentConnections::load(&s);
    // Only the third is a connection; its impossible address falls back to the default.
    QCOMPARE(keys(loaded), QStringList{"u:127.0.0.1:5000/255"});

    // A size far beyond what the list keeps reads the ten it could hold.
    s.setValue("recent/size", 2147483647);
    s.setValue("recent/11/udp", 1);
    s.setValue("recent/11/udp_address", "127.0.0.2");
    s.setValue("recent/11/udp_port", 5000);
    QCOMPARE(keys(RecentConnections::load(&s)), QStringList{"u:127.0.0.1:5000/255"});
}

QTEST_GUILESS_MAIN(tst_RecentConnections)
#include "tst_recentconnections.moc"
