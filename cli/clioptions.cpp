#include "cli/clioptions.h"
#include "cli/commands.h"
#include "cli/targets.h"

#include "settings/linksettings.h"
#include "settings/settingkeys.h"

#include <QHash>
#include <QHostAddress>

#include <algorithm>

bool parseInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

bool parseParity(const QString &text, int *value)
{
    return parityFromName(text, value);
}

bool parseStopBits(const QString &text, int *value)
{
    return stopBitsFromText(text, value);
}

bool parseUdpEndpoint(const QString &text, QString *host, QString *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    QString h = text.left(colon).trimmed();
    if (h.startsWith(QLatin1Char('[')) && h.endsWith(QLatin1Char(']')))
        h = h.mid(1, h.size() - 2);
    int p = 0;
    if (h.isEmpty() || !parseInt(text.mid(colon + 1), 1, 65535, &p))
        return false;
    // The link resolves no names: a host name or 300.1.1.1 would only time
    // out after every retry.
    if (QHostAddress(h).isNull())
        return false;
    *host = h;
    *port = QString::number(p);
    return true;
}

namespace {

bool setInt(const QString &value, int low, int high, const SettingKey<int> &key, CliOptions *o)
{
    int n = 0;
    if (!parseInt(value, low, high, &n))
        return false;
    o->linkOverrides.insert(key.name(), n);
    return true;
}

bool setText(const QString &value, QString *field)
{
    if (value.isEmpty())
        return false;
    *field = value;
    return true;
}

// Option names in the order --help lists them.
const QVector<CliOptionRow> &globalOptionTable()
{
    static const QVector<CliOptionRow> table{
        {"--udp", "ADDRESS:PORT", "talk UDP to the IP address ADDRESS, port PORT",
         [](const QString &v, CliOptions *o) {
             QString host, port;
             if (!parseUdpEndpoint(v, &host, &port))
                 return false;
             o->linkOverrides.insert(SettingKeys::communicateUdp.name(), 1);
             o->linkOverrides.insert(SettingKeys::udpAddress.name(), host);
             o->linkOverrides.insert(SettingKeys::udpPort.name(), port);
             return true;
         },
         "IP-ADDRESS:PORT; host names are not resolved", false, "--serial"},
        {"--serial", "PORT", "talk over the serial port PORT",
         [](const QString &v, CliOptions *o) {
             if (v.isEmpty())
                 return false;
             o->linkOverrides.insert(SettingKeys::communicateUdp.name(), 0);
             o->linkOverrides.insert(SettingKeys::serialPort.name(), v);
             return true;
         },
         "a port name", false, "--udp"},
        {"--baud", "N", "serial speed in bits per second",
         [](const QString &v, CliOptions *o) { return setInt(v, 1, 100000000, SettingKeys::serialBaudrate, o); },
         "bits per second"},
        {"--databits", "5..8", "serial data bits",
         [](const QString &v, CliOptions *o) { return setInt(v, 5, 8, SettingKeys::serialDatabits, o); }, "5 to 8"},
        {"--parity", "P", "none, even, odd, space or mark",
         [](const QString &v, CliOptions *o) {
             int n = 0;
             if (!parseParity(v, &n))
                 return false;
             o->linkOverrides.insert(SettingKeys::serialParity.name(), n);
             return true;
         },
         "none, even, odd, space or mark"},
        {"--stopbits", "S", "1, 1.5 or 2",
         [](const QString &v, CliOptions *o) {
             int n = 0;
             if (!parseStopBits(v, &n))
                 return false;
             o->linkOverrides.insert(SettingKeys::serialStopbits.name(), n);
             return true;
         },
         "1, 1.5 or 2"},
        {"--rts", "", "pulse RTS before each write",
         [](const QString &, CliOptions *o) {
             o->linkOverrides.insert(SettingKeys::serialSendRts.name(), true);
             return true;
         }},
        {"--address", "N", "device address 1..255",
         [](const QString &v, CliOptions *o) { return setInt(v, 1, 255, SettingKeys::deviceAddress, o); }, "1 to 255"},
        {"--encrypt", "", "link encryption on",
         [](const QString &, CliOptions *o) {
             o->linkOverrides.insert(SettingKeys::communicateEncrypt.name(), true);
             return true;
         },
         "", false, "--no-encrypt"},
        {"--no-encrypt", "", "link encryption off",
         [](const QString &, CliOptions *o) {
             o->linkOverrides.insert(SettingKeys::communicateEncrypt.name(), false);
             return true;
         },
         "", false, "--encrypt"},
        {"--trace", "FILE",
         "write every frame sent and received to FILE\n(- for stderr), one tab-separated line each; a\nfailed write ends the run with status 1 (a FIFO\nwith no reader blocks the run until one opens it)",
         [](const QString &v, CliOptions *o) { return setText(v, &o->traceFile); }, "a file name or -"},
        {"--json", "",
         "JSON Lines on stdout: one object per line, the last\none the result; see zrvu-cli.schema.json",
         [](const QString &, CliOptions *o) { return o->json = true; }},
        {"--targets", "FILE",
         "run COMMAND against every instrument in FILE, one\nper line: \"udp HOST:PORT ADDRESS [NAME]\" or\n\"serial PORT BAUD ADDRESS [NAME]\"; prints\nNAME<TAB>ok|refused|failed<TAB>DETAIL per instrument",
         [](const QString &v, CliOptions *o) { return setText(v, &o->targetsFile); }, "a file name"},
        {"--jobs", "N", "with --targets: instruments at a time (default 4)",
         [](const QString &v, CliOptions *o) { return parseInt(v, 1, 64, &o->jobs); }, "1 to 64"},
        {"--report", "FILE", "with --targets: the same lines as CSV into FILE",
         [](const QString &v, CliOptions *o) { return setText(v, &o->reportFile); }, "a file name"},
        {"--lang", "CODE",
         "language of the messages (en_US, zh_CH, zh_TW);\ndefault: language/language of config.ini",
         [](const QString &v, CliOptions *o) {
             o->language = v;
             return true;
         }},
        {"--help", "", "this text (also -h), and nothing else",
         [](const QString &, CliOptions *o) {
             o->help = true;
             return true;
         }},
        {"--version", "", "the version, and nothing else",
         [](const QString &, CliOptions *o) {
             o->version = true;
             return true;
         }},
    };
    return table;
}

const QVector<CliCommandRow> &commandTable()
{
    static const QVector<CliCommandRow> table{
        {"items", {}, {}, runItems,
         "read the item list; one line per row on stdout:\n\"07. Name, value\" (UTF-8, LF); SkipItems applies"},
        {"export", {"FILE"}, {}, runExport,
         "the same rows as ZRvu's export writes them (CSV)", TargetDetail::Message, true},
        {"write",
         {"FILE"},
         {{"--changed-only", "", "write only rows whose value differs from the\ninstrument's",
           [](const QString &, CliOptions *o) { return o->changedOnly = true; }},
          {"--verify", "", "read back afterwards; prints\nINDEX<TAB>mismatch<TAB>WRITTEN<TAB>KEPT per row\nthat did not hold (exit 3)",
           [](const QString &, CliOptions *o) { return o->verify = true; }},
          {"--keep-protected", "", "leave out rows whose name matches\nwrite/protected of config.ini",
           [](const QString &, CliOptions *o) { return o->keepProtected = true; }},
          {"--no-backup", "", "no backup of the instrument's items first",
           [](const QString &, CliOptions *o) { return o->noBackup = true; }}},
         runWrite,
         "import an item file and write every valued row, after a\nbackup into Backups/ (its path on stderr);\nprints INDEX<TAB>ok|refused<TAB>reported value",
         TargetDetail::WriteCounts},
        {"diff", {"FILE"}, {}, runDiff,
         "compare an item file with the instrument; prints\nINDEX<TAB>NAME<TAB>INSTRUMENT VALUE<TAB>FILE VALUE\nper valued row that differs (exit 4 if any)",
         TargetDetail::Differences},
        {"backup", {"[DIR]"}, {}, runBackup,
         "save the items as a backup file into DIR (default\nBackups/); prints its path", TargetDetail::Message},
        {"set", {"INDEX", "VALUE"}, {}, runSet, "write one value item; prints the reported value",
         TargetDetail::Message},
        {"trigger", {"INDEX"}, {}, runTrigger,
         "write one command item; prints the reported value", TargetDetail::Message},
        {"sync-time", {}, {}, runSyncTime, "set the instrument's clock to this computer's time",
         TargetDetail::Message},
        {"write-sn", {"SN"}, {}, runWriteSn,
         "write the serial number (1 to 24 letters or digits)"},
        {"package-info", {"PACKAGE"}, {}, runPackageInfo, "device, model, version and image size of a .zrbin"},
        {"flash",
         {"PACKAGE"},
         {{"--no-backup", "", "no backup of the instrument's items first",
           [](const QString &, CliOptions *o) { return o->noBackup = true; }}},
         runFlash, "flash the package into the instrument, after a backup\nof its items into Backups/",
         TargetDetail::Version},
        {"history",
         {"FROM", "TO"},
         {{"--csv", "FILE", "also export the records as CSV into FILE",
           [](const QString &v, CliOptions *o) { return setText(v, &o->csvFile); }, "a file name"},
          {"--pdf", "FILE", "also export the records as PDF into FILE",
           [](const QString &v, CliOptions *o) { return setText(v, &o->pdfFile); }, "a file name", false, nullptr,
           CliNeeds::Gui},
#ifdef ZRVU_CLI_CHART
          {"--chart", "FILE", "also draw the numeric columns over time into FILE:\nPNG (1600x900) or SVG by its suffix",
           [](const QString &v, CliOptions *o) {
               const QString suffix = v.section(QLatin1Char('.'), -1).toLower();
               if (!v.contains(QLatin1Char('.'))
                   || (suffix != QLatin1String("png") && suffix != QLatin1String("svg")))
                   return false;
               return setText(v, &o->chartFile);
           },
           "a file name ending in .png or .svg", false, nullptr, CliNeeds::Widgets},
          {"--columns", "NAME,...", "the columns --chart draws (default: every\nnumeric one)",
           [](const QString &v, CliOptions *o) {
               const QStringList names = v.split(QLatin1Char(','));
               for (const QString &name : names) {
                   if (name.trimmed().isEmpty())
                       return false;
                   o->chartColumns << name.trimmed();
               }
               return true;
           },
           "column names separated by commas"}
#endif
         },
         runHistory, "records between the dates (YYYY-MM-DD) on stdout"},
        {"monitor",
         {},
         {{"--no-debug", "", "do not switch the instrument's debug output on\nfor the run",
           [](const QString &, CliOptions *o) {
               o->noDebug = true;
               return true;
           }},
          {"--format", "raw|hex|both", "the lines as text, as hex dumps, or both",
           [](const QString &v, CliOptions *o) {
               if (v != QLatin1String("raw") && v != QLatin1String("hex") && v != QLatin1String("both"))
                   return false;
               o->format = v;
               return true;
           },
           "raw, hex or both"},
          {"--seconds", "N", "stop after N seconds (otherwise at Ctrl-C)",
           [](const QString &v, CliOptions *o) {
               int n = 0;
               if (!parseInt(v, 1, 86400 * 366, &n))
                   return false;
               o->seconds = n;
               return true;
           },
           "a whole number of seconds, at least 1"}},
         runMonitor, "the instrument's text lines on stdout"},
        {"search",
         {},
         {{"--target", "ADDRESS[:PORT]", "ask this address instead of the broadcast\naddresses; may be repeated",
           [](const QString &v, CliOptions *o) {
               if (v.isEmpty())
                   return false;
               o->targets << v;
               return true;
           },
           "ADDRESS[:PORT]", true}},
         runSearch, "find instruments: name<TAB>address<TAB>port per answer"},
        {"catalogue",
         {},
         {{"--url", "URL", "read this page instead of update/catalogue",
           [](const QString &v, CliOptions *o) { return setText(v, &o->url); }, "a URL"}},
         runCatalogue, "the downloadable packages: name<TAB>link"},
        {"download", {"LINK", "DIR"}, {}, runDownload, "download a package into DIR"},
    };
    return table;
}

// A command option wherever it stands on the line; which command it belongs
// to is checked once the command is known.
const CliOptionRow *findOption(const QString &name, QString *owner)
{
    for (const CliOptionRow &option : globalOptionTable()) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    for (const CliCommandRow &command : commandTable()) {
        for (const CliOptionRow &option : command.options) {
            if (name == QLatin1String(option.name)) {
                *owner = QLatin1String(command.name);
                return &option;
            }
        }
    }
    return nullptr;
}

QString optionLeft(const CliOptionRow &option)
{
    QString left = QLatin1String(option.name);
    if (*option.value)
        left += QLatin1Char(' ') + QLatin1String(option.value);
    return left;
}

// "  left     first help line" and the further lines under it; a long left
// side gets the help on the lines below.
void addEntry(QString *out, int indent, const QString &left, const char *help)
{
    constexpr int column = 25;
    QString line = QString(indent, QLatin1Char(' ')) + left;
    const QStringList lines = QString::fromLatin1(help).split(QLatin1Char('\n'));
    if (line.size() + 1 > column) {
        *out += line + QLatin1Char('\n');
        line.clear();
    }
    for (const QString &text : lines) {
        *out += line.leftJustified(column) + text + QLatin1Char('\n');
        line.clear();
    }
}

} // namespace

const QVector<CliCommandRow> &cliCommands()
{
    return commandTable();
}

const QVector<CliOptionRow> &cliGlobalOptions()
{
    return globalOptionTable();
}

const CliCommandRow *findCliCommand(const QString &name)
{
    for (const CliCommandRow &command : commandTable()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString cliSynopsis(const CliCommandRow &command)
{
    QStringList parts{QLatin1String(command.name)};
    parts += command.arguments;
    for (const CliOptionRow &option : command.options)
        parts << QStringLiteral("[%1]%2").arg(optionLeft(option), option.repeatable ? QStringLiteral("...") : QString());
    return parts.join(QLatin1Char(' '));
}

bool parseCliOptions(const QStringList &arguments, CliOptions *options, QString *error)
{
    CliOptions o;
    QStringList positional;
    QStringList seen;
    QStringList commandOptionsSeen;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString arg = arguments.at(i);
        if (arg == QLatin1String("--")) {
            positional += arguments.mid(i + 1);
            break;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg.size() == 2) {
            if (arg == QLatin1String("-h")) {
                o.help = true;
                continue;
            }
            positional << arg;
            continue;
        }
        QString name = arg;
        QString value;
        bool inlineValue = false;
        const int eq = arg.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
            inlineValue = true;
        }
        QString owner;
        const CliOptionRow *option = findOption(name, &owner);
        if (!option) {
            *error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        if (!*option->value && inlineValue) {
            *error = QStringLiteral("option %1 takes no value").arg(name);
            return false;
        }
        if (*option->value && !inlineValue) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("option %1 needs a value").arg(name);
                return false;
            }
            value = arguments.at(++i);
        }
        if (!option->apply(value, &o)) {
            *error = QStringLiteral("bad value \"%1\" for %2 (%3)").arg(value, name, QLatin1String(option->expected));
            return false;
        }
        if (option->excludes && seen.contains(QLatin1String(option->excludes))) {
            *error = QStringLiteral("%1 and %2 exclude each other").arg(QLatin1String(option->excludes), name);
            return false;
        }
        seen << name;
        o.needs = std::max(o.needs, option->needs);
        if (!owner.isEmpty())
            commandOptionsSeen << name;
    }

    if (o.help || o.version) {
        *options = o;
        return true;
    }
    if (positional.isEmpty()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    o.command = positional.takeFirst();
    o.arguments = positional;
    const CliCommandRow *command = findCliCommand(o.command);
    if (!command) {
        *error = QStringLiteral("unknown command \"%1\"").arg(o.command);
        return false;
    }
    if (!o.targetsFile.isEmpty()) {
        if (command->targetDetail == TargetDetail::NotAllowed) {
            *error = QStringLiteral("%1 cannot be used with --targets (only %2)").arg(o.command, targetCommandNames());
            return false;
        }
        // Every instrument would write the one trace file at the same time.
        if (!o.traceFile.isEmpty()) {
            *error = QStringLiteral("--trace cannot be used with --targets");
            return false;
        }
    } else if (seen.contains(QLatin1String("--jobs")) || seen.contains(QLatin1String("--report"))) {
        *error = QStringLiteral("%1 needs --targets")
                     .arg(seen.contains(QLatin1String("--jobs")) ? QStringLiteral("--jobs") : QStringLiteral("--report"));
        return false;
    }
    const int optional = int(std::count_if(command->arguments.begin(), command->arguments.end(),
                                           [](const QString &a) { return a.startsWith(QLatin1Char('[')); }));
    const int required = command->arguments.size() - optional;
    if (o.arguments.size() < required || o.arguments.size() > command->arguments.size()) {
        *error = optional == 0 ? QStringLiteral("%1 takes %2 argument(s), %3 given")
                                     .arg(o.command)
                                     .arg(required)
                                     .arg(o.arguments.size())
                               : QStringLiteral("%1 takes %2 to %3 argument(s), %4 given")
                                     .arg(o.command)
                                     .arg(required)
                                     .arg(command->arguments.size())
                                     .arg(o.arguments.size());
        return false;
    }
    for (const QString &used : qAsConst(commandOptionsSeen)) {
        const auto applies = std::any_of(command->options.begin(), command->options.end(),
                                         [&used](const CliOptionRow &option) { return used == QLatin1String(option.name); });
        if (!applies) {
            *error = QStringLiteral("option %1 does not apply to %2").arg(used, o.command);
            return false;
        }
    }
    // Every instrument's export needs a file of its own.
    if (!o.targetsFile.isEmpty() && command->filePerTarget && !o.arguments.at(0).contains(QLatin1String("{name}"))) {
        *error = QStringLiteral("with --targets, the %1 of %2 must contain {name}").arg(command->arguments.at(0), o.command);
        return false;
    }
    o.rawArguments = arguments;
    *options = o;
    return true;
}

QString cliUsage()
{
    QString out = QStringLiteral(
        "Usage: zrvu-cli [link options] COMMAND [ARGS]\n"
        "\n"
        "Every instrument operation of ZRvu from the command line. Reads config.ini,\n"
        "SkipItems and the translation files from the current directory, like ZRvu;\n"
        "an installed zrvu-cli started where there is no config.ini works in\n"
        "~/.local/share/zrvu instead.\n"
        "\n"
        "Link options (for this run only; config.ini is never changed):\n");
    for (const CliOptionRow &option : globalOptionTable())
        addEntry(&out, 2, optionLeft(option), option.help);
    out += QStringLiteral("\nCommands:\n");
    for (const CliCommandRow &command : commandTable()) {
        addEntry(&out, 2, cliSynopsis(command), command.help);
        for (const CliOptionRow &option : command.options)
            addEntry(&out, 6, optionLeft(option), option.help);
    }
    out += QStringLiteral(
        "\n"
        "Progress of flash and download goes to stderr when it is a terminal.\n"
        "Ctrl-C during a flash is refused once (the update cannot be interrupted\n"
        "safely); a second Ctrl-C ends the process.\n"
        "\n"
        "Exit status: 0 success; 1 the operation failed (message on stderr);\n"
        "2 usage error, or a value the command refuses (message on stderr);\n"
        "3 the instrument refused a value (or, with --verify, did not keep it);\n"
        "4 diff found differences; 130 interrupted.\n"
        "With --targets: 0 all ok; 3 some refused and none failed; 1 any failed.\n"
        "\n"
        "--json: JSON Lines on stdout, the last line the result with \"status\",\n"
        "\"exit\" and, unless ok, \"error\": {\"code\", \"message\"}. Every object is\n"
        "described by the JSON Schema zrvu-cli.schema.json (cli/ in the sources,\n"
        "share/zrvu/ when installed).\n");
    out += QStringLiteral("\nCommands with --targets:\n  %1\n").arg(targetCommandNames());
    for (const auto &command : commandTable()) {
        if (command.filePerTarget)
            out += QStringLiteral("(the %1 of %2 must contain {name}, replaced by the instrument's NAME).\n")
                       .arg(command.arguments.at(0), QLatin1String(command.name));
    }
    return out;
}

QString cliUsageErrorText(const QString &problem)
{
    return QStringLiteral("zrvu-cli: %1\nTry 'zrvu-cli --help'.\n").arg(problem);
}
