#include "cli/clioptions.h"
#include "tests/cli/cliprocess.h"
#include "tests/support/workdir.h"

#include <QtTest>

#include <algorithm>

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
    void usageErrorIsOneLine_data();
    void usageErrorIsOneLine();
    void helpListsTheTables();
};

namespace {

const QByteArray kTry("Try 'zrvu-cli --help'.\n");

QString optionText(const CliOptionRow &option)
{
    return *option.value ? QStringLiteral("%1 %2").arg(QLatin1String(option.name), QLatin1String(option.value))
                         : QLatin1String(option.name);
}

// A value of the right shape for each argument name, so that only the
// count is wrong.
QStringList someArguments(const CliCommandRow &command, int count)
{
    QStringList values;
    for (int i = 0; i < count; ++i)
        values << (i < command.arguments.size() && command.arguments.at(i) == QLatin1String("INDEX")
                       ? QStringLiteral("7")
                       : QStringLiteral("2024-05-01"));
    return values;
}

// An entry's left side, followed by its help on the same line or the next.
bool listsEntry(const QString &help, const QString &left)
{
    return help.contains(left + QLatin1Char(' ')) || help.contains(left + QLatin1Char('\n'));
}

} // namespace

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

void tst_CliOptions::usageErrorIsOneLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("parses"); // the command itself finds the problem

    QTest::newRow("nothing") << QStringList{} << false;
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << false;
    QTest::newRow("bad link value") << QStringList{"--address", "300", "items"} << false;
    QTest::newRow("udp and serial") << QStringList{"--udp", "127.0.0.1:9", "--serial", "x", "items"} << false;
    for (const CliCommandRow &command : cliCommands()) {
        const QString name = QLatin1String(command.name);
        const int n = command.arguments.size();
        const int required = int(command.arguments.filter(QRegularExpression(QStringLiteral("^[^\\[]"))).size());
        if (required > 0)
            QTest::addRow("%s too few", command.name)
                << QStringList{name} + someArguments(command, required - 1) << false;
        QTest::addRow("%s too many", command.name) << QStringList{name} + someArguments(command, n + 1) << false;
        QTest::addRow("%s unknown option", command.name)
            << QStringList{name} + someArguments(command, n) + QStringList{"--frobnicate"} << false;
        // An option of another command (that this one lacks).
        for (const CliCommandRow &other : cliCommands()) {
            const auto mine = [&command](const CliOptionRow &o) {
                return std::any_of(command.options.begin(), command.options.end(),
                                   [&o](const CliOptionRow &m) { return qstrcmp(m.name, o.name) == 0; });
            };
            if (&other != &command && !other.options.isEmpty() && !mine(other.options.first())) {
                const CliOptionRow &option = other.options.first();
                QStringList args{name};
                args += someArguments(command, n);
                args << QLatin1String(option.name);
                if (*option.value)
                    args << QStringLiteral("raw");
                QTest::addRow("%s with %s", command.name, option.name) << args << false;
                break;
            }
        }
    }
    // Malformed arguments the commands check before touching a link; the
    // link given is loopback in case one did not.
    QTest::newRow("set index") << QStringList{"--udp", "127.0.0.1:9", "set", "256", "1"} << true;
    QTest::newRow("trigger index") << QStringList{"--udp", "127.0.0.1:9", "trigger", "four"} << true;
    QTest::newRow("history from") << QStringList{"--udp", "127.0.0.1:9", "history", "yesterday", "2024-05-01"} << true;
    QTest::newRow("history to") << QStringList{"--udp", "127.0.0.1:9", "history", "2024-05-01", "01.05.2024"} << true;
}

// Two lines on stderr, the problem and where to look; never the whole usage.
void tst_CliOptions::usageErrorIsOneLine()
{
    QFETCH(QStringList, args);
    QFETCH(bool, parses);
    CliOptions options;
    QString error;
    QCOMPARE(parseCliOptions(args, &options, &error), parses);
    QVERIFY2(!error.contains(QLatin1Char('\n')), qPrintable(error));

    TempWorkDir dir;
    const CliResult r = CliProcess::run(dir.path(), args);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    QVERIFY2(r.err.startsWith("zrvu-cli: ") && r.err.endsWith("\n" + kTry) && r.err.count('\n') == 2,
             r.err.constData());
    if (!parses)
        QCOMPARE(r.errText(), QStringLiteral("zrvu-cli: %1\n").arg(error) + QString::fromLatin1(kTry));
}

void tst_CliOptions::helpListsTheTables()
{
    const QString help = cliUsage();
    const QStringList lines = help.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        QVERIFY2(line.size() <= 80, qPrintable(line));

    // The commands as scripts know them, and what they take.
    QStringList names;
    for (const CliCommandRow &command : cliCommands())
        names << QLatin1String(command.name);
    QCOMPARE(names, (QStringList{"items", "export", "write", "diff", "backup", "set", "trigger", "sync-time", "write-sn", "package-info",
                                 "flash", "history", "monitor", "search", "catalogue", "download"}));
    for (const char *text : {"  set INDEX VALUE ", "  history FROM TO [--csv FILE] [--pdf FILE]",
                             "  monitor [--no-debug] [--format raw|hex|both] [--seconds N]\n",
                             "  search [--target ADDRESS[:PORT]]...\n", "  download LINK DIR ", "  --udp ADDRESS:PORT ",
                             "  backup [DIR] ", "      --keep-protected ", "4 diff found differences",
                             "  --no-encrypt ", "  --lang CODE ", "      --pdf FILE ", "Exit status"})
        QVERIFY2(help.contains(QLatin1String(text)), text);

    // Exactly the table's commands under "Commands:", each with its options.
    const int commandsAt = lines.indexOf(QStringLiteral("Commands:"));
    QVERIFY(commandsAt > 0);
    QStringList listed;
    for (int i = commandsAt + 1; i < lines.size() && !lines.at(i).isEmpty(); ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1String("  ")) && line.at(2) != QLatin1Char(' '))
            listed << line.mid(2).section(QLatin1Char(' '), 0, 0);
    }
    QCOMPARE(listed, names);
    for (const CliCommandRow &command : cliCommands()) {
        QVERIFY2(listsEntry(help, QLatin1String("  ") + cliSynopsis(command)), command.name);
        for (const CliOptionRow &option : command.options)
            QVERIFY2(listsEntry(help, QLatin1String("      ") + optionText(option)), option.name);
    }
    for (const CliOptionRow &option : cliGlobalOptions())
        QVERIFY2(listsEntry(help, QLatin1String("  ") + optionText(option)), option.name);

    // The program prints that same text.
    TempWorkDir dir;
    const CliResult r = CliProcess::run(dir.path(), {"--help"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.outText(), help);
    QCOMPARE(r.err, QByteArray());
}

QTEST_GUILESS_MAIN(tst_CliOptions)
#include "tst_clioptions.moc"
