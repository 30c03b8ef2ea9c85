#include "settings/linksettings.h"

#include <QtTest>

// The connection label: what the next exchange will open.
class tst_LinkSummary : public QObject
{
    Q_OBJECT

private slots:
    void summary_data();
    void summary();
};

void tst_LinkSummary::summary_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("databits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopbits");
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("text");
    QTest::newRow("udp encrypted") << true << "192.168.1.100" << 5000 << "" << 9600 << 8 << 0 << 1 << 1 << true
                                   << "UDP 192.168.1.100:5000 · 地址 1 · 加密";
    QTest::newRow("serial") << false << "10.0.0.1" << 1 << "COM3" << 9600 << 8 << 0 << 1 << 1 << false
                            << "串口 COM3 9600 8N1 · 地址 1";
    QTest::newRow("serial even 1.5") << false << "" << 0 << "/dev/ttyUSB0" << 115200 << 7 << 2 << 3 << 255 << false
                                     << "串口 /dev/ttyUSB0 115200 7E1.5 · 地址 255";
    QTest::newRow("serial odd space mark") << false << "" << 0 << "COM10" << 1200 << 5 << 3 << 2 << 0 << true
                                           << "串口 COM10 1200 5O2 · 地址 0 · 加密";
    QTest::newRow("unknown parity") << false << "" << 0 << "COM1" << 9600 << 8 << 9 << 1 << 7 << false
                                    << "串口 COM1 9600 8?1 · 地址 7";
    QTest::newRow("no port chosen") << false << "" << 0 << "" << 9600 << 8 << 0 << 1 << 255 << false
                                    << "串口 (无) 9600 8N1 · 地址 255";
    QTest::newRow("no udp address") << true << "  " << 0 << "COM1" << 9600 << 8 << 0 << 1 << 1 << false
                                    << "UDP (无):0 · 地址 1";
    QTest::newRow("ipv6") << true << "::1" << 1500 << "" << 9600 << 8 << 0 << 1 << 2 << false
                          << "UDP [::1]:1500 · 地址 2";
}

void tst_LinkSummary::summary()
{
    QFETCH(bool, udp);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, serial);
    QFETCH(int, baud);
    QFETCH(int, databits);
    QFETCH(int, parity);
    QFETCH(int, stopbits);
    QFETCH(int, address);
    QFETCH(bool, encrypt);
    QFETCH(QString, text);
    LinkSettings l;
    l.useUdp = udp;
    l.udpAddress = host;
    l.udpPort = quint16(port);
    l.serialPort = serial;
    l.baudrate = baud;
    l.databits = databits;
    l.parity = parity;
    l.stopbits = stopbits;
    l.deviceAddress = quint8(address);
    l.encrypt = encrypt;
    QCOMPARE(linkSummaryText(l), text);
}

QTEST_GUILESS_MAIN(tst_LinkSummary)
#include "tst_linksummary.moc"
