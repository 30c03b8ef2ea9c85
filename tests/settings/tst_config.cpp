#include "settings/config.h"
#include "settings/linksettings.h"
#include "settings/settingkeys.h"
#include "tests/support/fifo.h"
#include "tests/support/workdir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

class tst_Config : public QObject
{
    Q_OBJECT

private slots:
    void missingFileGivesDefaults();
    void chineseValuesSurvive();
    void fileIsUtf8();
    void destroyWritesAndRecreates();
    void concurrentInstance();
    void lockExcludes();
    void linkSettings_data();
    void linkSettings();
    void title_data();
    void title();
    void fifoAsFileDoesNotBlock();
};

void tst_Config::missingFileGivesDefaults()
{
    TempWorkDir dir;
    QSettings *s = configSettings();
    QCOMPARE(SettingKeys::deviceAddress.read(s), 255);
    QCOMPARE(SettingKeys::serialBaudrate.read(s), 9600);
    QCOMPARE(s->value("serial/send_rts").toBool(), false);
    QCOMPARE(s->value("udp/port").toUInt(), 0u);
    QVERIFY(s->value("serial/port").toString().isEmpty());
    // Reading must not create the file.
    QVERIFY(!QFile::exists(dir.filePath("config.ini")));
}

void tst_Config::chineseValuesSurvive()
{
    TempWorkDir dir;
    configSettings()->setValue("serial/port", QStringLiteral("串口一"));
    singleton<Config>::destroy();
    QCOMPARE(configSettings()->value("serial/port").toString(), QStringLiteral("串口一"));
}

void tst_Config::fileIsUtf8()
{
    TempWorkDir dir;
    configSettings()->setValue("appname/ch", QStringLiteral("仪表"));
    configSettings()->setValue("communicate/encrypt", true);
    singleton<Config>::destroy();
    const QByteArray bytes = dir.readFile("config.ini");
    QVERIFY2(bytes.contains(QStringLiteral("仪表").toUtf8()), bytes.constData());
    QVERIFY(bytes.contains("[communicate]"));
    QVERIFY(bytes.contains("encrypt=true"));
}

void tst_Config::destroyWritesAndRecreates()
{
    TempWorkDir dir;
    Config *first = singleton<Config>::instance();
    first->settings()->setValue("window/width", 800);
    singleton<Config>::destroy();
    QVERIFY(!singleton<Config>::exists());
    QVERIFY(dir.readFile("config.ini").contains("width=800"));
    QCOMPARE(configSettings()->value("window/width").toInt(), 800);
    singleton<Config>::destroy();
    singleton<Config>::destroy(); // twice is harmless
}

void tst_Config::concurrentInstance()
{
    TempWorkDir dir;
    for (int round = 0; round < 50; ++round) {
        singleton<Config>::destroy();
        std::atomic<bool> go{false};
        Config *seen[2] = {nullptr, nullptr};
        std::vector<std::thread> threads;
        for (int t = 0; t < 2; ++t) {
            threads.emplace_back([&, t] {
                while (!go.load())
                    std::this_thread::yield();
                seen[t] = singleton<Config>::instance();
            });
        }
        go = true;
        for (auto &th : threads)
            th.join();
        QVERIFY(seen[0]);
        QCOMPARE(seen[0], seen[1]);
        QCOMPARE(seen[0]->settings(), seen[1]->settings());
    }
}

void tst_Config::lockExcludes()
{
    atom_lock lock;
    QVERIFY(lock.try_lock());
    QVERIFY(!lock.try_lock());
    lock.unlock();
    QVERIFY(lock.try_lock());
    lock.unlock();

    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                lock.lock();
                ++counter;
                lock.unlock();
            }
        });
    }
    for (auto &th : threads)
        th.join();
    QCOMPARE(counter, 40000);
}

void tst_Config::title_data()
{
    QTest::addColumn<QVariantMap>("keys");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("default") << QVariantMap() << QString() << "ZRvu V6.5";
    QTest::newRow("english") << QVariantMap() << "en_US" << "ZR Zoverezaz V6.5";
    QTest::newRow("traditional") << QVariantMap() << "zh_TW" << "ZRvu V6.5";
    QTest::newRow("no version") << QVariantMap{{"appname/ver", false}} << "zh_CH" << "ZRvu";
    QTest::newRow("renamed english") << QVariantMap{{"appname/us", "Foo"}} << "en_US" << "Foo V6.5";
    QTest::newRow("other language uses ch") << QVariantMap{{"appname/ch", "Bar"}} << "fr_FR" << "Bar V6.5";
}

void tst_Config::title()
{
    QFETCH(QVariantMap, keys);
    QFETCH(QString, language);
    QFETCH(QString, title);
    TempWorkDir dir;
    dir.writeConfig(keys);
    QCOMPARE(applicationTitle(language), title);
}

void tst_Config::linkSettings_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QString>("expected"); // udp,address,encrypt,port,baud,data,parity,stop,rts,host:port
    QTest::newRow("nothing stored") << QVariantMap{} << "0,255,0,,9600,8,0,1,0,:0";
    QTest::newRow("any non-zero is udp") << QVariantMap{{"communicate/udp", 2}, {"udp/address", "127.0.0.1"}, {"udp/port", "5000"}}
                                         << "1,255,0,,9600,8,0,1,0,127.0.0.1:5000";
    QTest::newRow("low bits kept") << QVariantMap{{"device/address", 256}, {"udp/port", "70000"}}
                                   << "0,0,0,,9600,8,0,1,0,:4464";
    QTest::newRow("serial line") << QVariantMap{{"serial/port", "COM3"}, {"serial/baudrate", 115200}, {"serial/databits", 7},
                                                {"serial/parity", 2}, {"serial/stopbits", 3}, {"serial/send_rts", true},
                                                {"communicate/encrypt", true}, {"device/address", 7}}
                                 << "0,7,1,COM3,115200,7,2,3,1,:0";
    QTest::newRow("unconvertible reads as 0") << QVariantMap{{"device/address", "abc"}, {"serial/baudrate", "fast"}}
                                              << "0,0,0,,0,8,0,1,0,:0";
    QTest::newRow("neither true nor false reads as false")
        << QVariantMap{{"communicate/encrypt", "maybe"}, {"serial/send_rts", "yes"}} << "0,255,0,,9600,8,0,1,0,:0";
    QTest::newRow("true in any case, or 1") << QVariantMap{{"communicate/encrypt", " TRUE"}, {"serial/send_rts", "1"}}
                                            << "0,255,1,,9600,8,0,1,1,:0";
}

void tst_Config::linkSettings()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QString, expected);
    TempWorkDir dir;
    QSettings *s = configSettings();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        s->setValue(it.key(), it.value());
    const LinkSettings l = LinkSettings::fromSettings();
    const QString got = QStringList{QString::number(l.useUdp), QString::number(l.deviceAddress), QString::number(l.encrypt),
                                    l.serialPort, QString::number(l.baudrate), QString::number(l.databits),
                                    QString::number(l.parity), QString::number(l.stopbits), QString::number(l.useRts),
                                    l.udpAddress + ':' + QString::number(l.udpPort)}
                            .join(',');
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(tst_Config)
#include "tst_config.moc"

void tst_Config::fifoAsFileDoesNotBlock()
{
    TempWorkDir dir;
    FifoFile fifo(dir.filePath(QStringLiteral("config.ini")));
    QVERIFY(fifo.made());
    QElapsedTimer clock;
    clock.start();
    QSettings *s = configSettings();
    QCOMPARE(SettingKeys::deviceAddress.read(s), 255);
    s->setValue("window/width", 800);
    singleton<Config>::destroy();
    // Read like a missing file, at once; the write went nowhere.
    QVERIFY2(clock.elapsed() < FifoFile::kReleaseMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(fifo.intact());
}
