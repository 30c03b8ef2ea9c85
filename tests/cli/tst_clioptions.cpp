#include "cli/clioptions.h"

#include <QtTest>

class tst_CliOptions : public QObject
{
    Q_OBJECT

private slots:
    void linkOverrides_data();
    void linkOverrides();
    void rejected_data();
    void rejected();
    void commandOptions();
    void helpNeedsNoCommand();
};

void tst_CliOptions::linkOverrides_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QVariantMap>("expected");

    QTest::newRow("udp") << QStringList{"--udp", "127.0.0.1:5001", "items"}
                         << QVariantMap{{"communicate/udp", 1}, {"udp/address", "127.0.0.1"}, {"udp/port", "5001"}};
    QTest::newRow("udp=") << QStringList{"--udp=10.0.0.7:80", "items"}
                          << QVariantMap{{"communicate/udp", 1}, {"udp/address", "10.0.0.7"}, {"udp/port", "80"}};
    QTest::newRow("serial full")
        << QStringList{"--serial", "/dev/ttyS3", "--baud", "115200", "--databits", "7", "--parity", "odd",
                       "--stopbits", "1.5", "--rts", "items"}
        << QVariantMap{{"communicate/udp", 0}, {"serial/port", "/dev/ttyS3"}, {"serial/baudrate", 115200},
                       {"serial/databits", 7},   {"serial/parity", 3},           {"serial/stopbits", 3},
                       {"serial/send_rts", true}};
    QTest::newRow("parity names") << QStringList{"--parity", "MARK", "items"} << QVariantMap{{"serial/parity", 5}};
    QTest::newRow("parity space") << QStringList{"--parity", "space", "items"} << QVariantMap{{"serial/parity", 4}};
    QTest::newRow("parity even") << QStringList{"--parity", "even", "items"} << QVariantMap{{"serial/parity", 2}};
    QTest::newRow("two stop bits") << QStringList{"--stopbits", "2", "items"} << QVariantMap{{"serial/stopbits", 2}};
    QTest::newRow("address, encrypt") << QStringList{"items", "--address", "255", "--encrypt"}
                                      << QVariantMap{{"device/address", 255}, {"communicate/encrypt", true}};
    QTest::newRow("no-encrypt") << QStringList{"--no-encrypt", "items"}
                                << QVariantMap{{"communicate/encrypt", false}};
    QTest::newRow("lang is no setting") << QStringList{"--lang", "en_US", "items"} << QVariantMap{};
}

void tst_CliOptions::linkOverrides()
{
    QFETCH(QStringList, args);
    QFETCH(QVariantMap, expected);
    CliOptions options;
    QString error;
    QVERIFY2(parseCliOptions(args, &options, &error), qPrintable(error));
    QCOMPARE(options.command, QStringLiteral("items"));
    QCOMPARE(options.linkOverrides, expected);
}

void tst_CliOptions::rejected_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("nothing") << QStringList{} << "no command";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command";
    QTest::newRow("unknown option") << QStringList{"--fast", "items"} << "unknown option --fast";
    QTest::newRow("udp without port") << QStringList{"--udp", "127.0.0.1", "items"} << "--udp";
    QTest::newRow("udp port 0") << QStringList{"--udp", "127.0.0.1:0", "items"} << "--udp";
    QTest::newRow("udp port too big") << QStringList{"--udp", "127.0.0.1:65536", "items"} << "--udp";
    QTest::newRow("udp no host") << QStringList{"--udp", ":5000", "items"} << "--udp";
    // The link takes IP addresses only: refused before anything is sent.
    QTest::newRow("udp host name") << QStringList{"--udp", "nohost:5000", "items"} << "--udp";
    QTest::newRow("udp octet over 255") << QStringList{"--udp", "300.1.1.1:5000", "items"} << "--udp";
    QTest::newRow("udp and serial") << QStringList{"--udp", "127.0.0.1:1", "--serial", "x", "items"} << "exclude";
    QTest::newRow("encrypt both ways") << QStringList{"--encrypt", "--no-encrypt", "items"} << "exclude";
    QTest::newRow("address 0") << QStringList{"--address", "0", "items"} << "--address";
    QTest::newRow("address 256") << QStringList{"--address", "256", "items"} << "--address";
    QTest::newRow("address text") << QStringList{"--address", "one", "items"} << "--address";
    QTest::newRow("databits 9") << QStringList{"--databits", "9", "items"} << "--databits";
    QTest::newRow("databits 4") << QStringList{"--databits", "4", "items"} << "--databits";
    QTest::newRow("parity") << QStringList{"--parity", "1", "items"} << "--parity";
    QTest::newRow("stopbits 3") << QStringList{"--stopbits", "3", "items"} << "--stopbits";
    QTest::newRow("baud 0") << QStringList{"--baud", "0", "items"} << "--baud";
    QTest::newRow("missing value") << QStringList{"items", "--address"} << "needs a value";
    QTest::newRow("flag with value") << QStringList{"--rts=1", "items"} << "takes no value";
    QTest::newRow("items takes none") << QStringList{"items", "extra"} << "items takes 0";
    QTest::newRow("set needs two") << QStringList{"set", "3"} << "set takes 2";
    QTest::newRow("download needs two") << QStringList{"download", "http://x/y"} << "download takes 2";
    QTest::newRow("csv on items") << QStringList{"items", "--csv", "a.csv"} << "does not apply";
    QTest::newRow("target on monitor") << QStringList{"monitor", "--target", "127.0.0.1"} << "does not apply";
    QTest::newRow("format") << QStringList{"monitor", "--format", "octal"} << "--format";
    QTest::newRow("seconds 0") << QStringList{"monitor", "--seconds", "0"} << "--seconds";
}

void tst_CliOptions::rejected()
{
    QFETCH(QStringList, args);
    QFETCH(QString, errorPart);
    CliOptions options;
    QString error;
    QVERIFY(!parseCliOptions(args, &options, &error));
    QVERIFY2(error.contains(errorPart), qPrintable(error));
}

void tst_CliOptions::commandOptions()
{
    CliOptions options;
    QString error;
    QVERIFY(parseCliOptions({"search", "--target", "127.0.0.1", "--target=127.0.0.2:1600"}, &options, &error));
    QCOMPARE(options.targets, (QStringList{"127.0.0.1", "127.0.0.2:1600"}));
    QVERIFY(parseCliOptions({"monitor", "--no-debug", "--format", "both", "--seconds", "3"}, &options, &error));
    QVERIFY(options.noDebug);
    QCOMPARE(options.format, QStringLiteral("both"));
    QCOMPARE(options.seconds.value_or(-1), 3);
    QVERIFY(parseCliOptions({"history", "2024-01-01", "2024-01-31", "--csv", "h.csv", "--pdf", "h.pdf"}, &options,
                            &error));
    QCOMPARE(options.arguments, (QStringList{"2024-01-01", "2024-01-31"}));
    QCOMPARE(options.csvFile, QStringLiteral("h.csv"));
    QCOMPARE(options.pdfFile, QStringLiteral("h.pdf"));
    // A value that looks like an option after "--" is an argument.
    QVERIFY(parseCliOptions({"set", "4", "--", "-10"}, &options, &error));
    QCOMPARE(options.arguments, (QStringList{"4", "-10"}));
    QVERIFY(parseCliOptions({"set", "4", "-10"}, &options, &error));
    QCOMPARE(options.arguments, (QStringList{"4", "-10"}));
}

void tst_CliOptions::helpNeedsNoCommand()
{
    CliOptions options;
    QString error;
    QVERIFY(parseCliOptions({"--help"}, &options, &error));
    QVERIFY(options.help);
    QVERIFY(parseCliOptions({"-h", "frobnicate"}, &options, &error));
    QVERIFY(options.help);
    options = CliOptions();
    QVERIFY(parseCliOptions({"--version"}, &options, &error));
    QVERIFY(options.version);
    QVERIFY(!parseCliOptions({"--version=1"}, &options, &error));
}

QTEST_GUILESS_MAIN(tst_CliOptions)
#include "tst_clioptions.moc"
