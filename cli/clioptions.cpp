#include "cli/clioptions.h"

#include <QHash>
#include <QHostAddress>

namespace {

struct CommandShape {
    int minArgs;
    int maxArgs;
    QStringList options; // command options it accepts
};

const QHash<QString, CommandShape> &commandShapes()
{
    static const QHash<QString, CommandShape> shapes{
        {QStringLiteral("items"), {0, 0, {}}},
        {QStringLiteral("export"), {1, 1, {}}},
        {QStringLiteral("write"), {1, 1, {}}},
        {QStringLiteral("set"), {2, 2, {}}},
        {QStringLiteral("trigger"), {1, 1, {}}},
        {QStringLiteral("sync-time"), {0, 0, {}}},
        {QStringLiteral("write-sn"), {1, 1, {}}},
        {QStringLiteral("package-info"), {1, 1, {}}},
        {QStringLiteral("flash"), {1, 1, {}}},
        {QStringLiteral("history"), {2, 2, {QStringLiteral("--csv"), QStringLiteral("--pdf")}}},
        {QStringLiteral("monitor"),
         {0, 0, {QStringLiteral("--no-debug"), QStringLiteral("--format"), QStringLiteral("--seconds")}}},
        {QStringLiteral("search"), {0, 0, {QStringLiteral("--target")}}},
        {QStringLiteral("catalogue"), {0, 0, {QStringLiteral("--url")}}},
        {QStringLiteral("download"), {2, 2, {}}},
    };
    return shapes;
}

bool parseInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

} // namespace

bool parseParity(const QString &text, int *value)
{
    static const QHash<QString, int> names{{"none", 0}, {"even", 2}, {"odd", 3}, {"space", 4}, {"mark", 5}};
    const auto it = names.find(text.toLower());
    if (it == names.end())
        return false;
    *value = it.value();
    return true;
}

bool parseStopBits(const QString &text, int *value)
{
    // Stored codes follow the serial port's enumeration: 1.5 is 3.
    if (text == QLatin1String("1"))
        *value = 1;
    else if (text == QLatin1String("2"))
        *value = 2;
    else if (text == QLatin1String("1.5"))
        *value = 3;
    else
        return false;
    return true;
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

bool parseCliOptions(const QStringList &arguments, CliOptions *options, QString *error)
{
    CliOptions o;
    QStringList positional;
    QStringList commandOptionsSeen;
    bool haveUdp = false;
    bool haveSerial = false;
    bool haveEncrypt = false;
    bool haveNoEncrypt = false;

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
        auto takeValue = [&]() -> bool {
            if (inlineValue)
                return true;
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("option %1 needs a value").arg(name);
                return false;
            }
            value = arguments.at(++i);
            return true;
        };
        auto noValue = [&]() -> bool {
            if (inlineValue) {
                *error = QStringLiteral("option %1 takes no value").arg(name);
                return false;
            }
            return true;
        };
        auto bad = [&](const QString &expected) {
            *error = QStringLiteral("bad value \"%1\" for %2 (%3)").arg(value, name, expected);
            return false;
        };

        int n = 0;
        if (name == QLatin1String("--help")) {
            if (!noValue())
                return false;
            o.help = true;
        } else if (name == QLatin1String("--version")) {
            if (!noValue())
                return false;
            o.version = true;
        } else if (name == QLatin1String("--udp")) {
            QString host, port;
            if (!takeValue())
                return false;
            if (!parseUdpEndpoint(value, &host, &port))
                return bad(QStringLiteral("IP-ADDRESS:PORT; host names are not resolved"));
            o.linkOverrides.insert(QStringLiteral("communicate/udp"), 1);
            o.linkOverrides.insert(QStringLiteral("udp/address"), host);
            o.linkOverrides.insert(QStringLiteral("udp/port"), port);
            haveUdp = true;
        } else if (name == QLatin1String("--serial")) {
            if (!takeValue())
                return false;
            if (value.isEmpty())
                return bad(QStringLiteral("a port name"));
            o.linkOverrides.insert(QStringLiteral("communicate/udp"), 0);
            o.linkOverrides.insert(QStringLiteral("serial/port"), value);
            haveSerial = true;
        } else if (name == QLatin1String("--baud")) {
            if (!takeValue())
                return false;
            if (!parseInt(value, 1, 100000000, &n))
                return bad(QStringLiteral("bits per second"));
            o.linkOverrides.insert(QStringLiteral("serial/baudrate"), n);
        } else if (name == QLatin1String("--databits")) {
            if (!takeValue())
                return false;
            if (!parseInt(value, 5, 8, &n))
                return bad(QStringLiteral("5 to 8"));
            o.linkOverrides.insert(QStringLiteral("serial/databits"), n);
        } else if (name == QLatin1String("--parity")) {
            if (!takeValue())
                return false;
            if (!parseParity(value, &n))
                return bad(QStringLiteral("none, even, odd, space or mark"));
            o.linkOverrides.insert(QStringLiteral("serial/parity"), n);
        } else if (name == QLatin1String("--stopbits")) {
            if (!takeValue())
                return false;
            if (!parseStopBits(value, &n))
                return bad(QStringLiteral("1, 1.5 or 2"));
            o.linkOverrides.insert(QStringLiteral("serial/stopbits"), n);
        } else if (name == QLatin1String("--rts")) {
            if (!noValue())
                return false;
            o.linkOverrides.insert(QStringLiteral("serial/send_rts"), true);
        } else if (name == QLatin1String("--address")) {
            if (!takeValue())
                return false;
            if (!parseInt(value, 1, 255, &n))
                return bad(QStringLiteral("1 to 255"));
            o.linkOverrides.insert(QStringLiteral("device/address"), n);
        } else if (name == QLatin1String("--encrypt")) {
            if (!noValue())
                return false;
            o.linkOverrides.insert(QStringLiteral("communicate/encrypt"), true);
            haveEncrypt = true;
        } else if (name == QLatin1String("--no-encrypt")) {
            if (!noValue())
                return false;
            o.linkOverrides.insert(QStringLiteral("communicate/encrypt"), false);
            haveNoEncrypt = true;
        } else if (name == QLatin1String("--lang")) {
            if (!takeValue())
                return false;
            o.language = value;
        } else if (name == QLatin1String("--csv")) {
            if (!takeValue())
                return false;
            if (value.isEmpty())
                return bad(QStringLiteral("a file name"));
            o.csvFile = value;
            commandOptionsSeen << name;
        } else if (name == QLatin1String("--pdf")) {
            if (!takeValue())
                return false;
            if (value.isEmpty())
                return bad(QStringLiteral("a file name"));
            o.pdfFile = value;
            commandOptionsSeen << name;
        } else if (name == QLatin1String("--no-debug")) {
            if (!noValue())
                return false;
            o.noDebug = true;
            commandOptionsSeen << name;
        } else if (name == QLatin1String("--format")) {
            if (!takeValue())
                return false;
            if (value != QLatin1String("raw") && value != QLatin1String("hex") && value != QLatin1String("both"))
                return bad(QStringLiteral("raw, hex or both"));
            o.format = value;
            commandOptionsSeen << name;
        } else if (name == QLatin1String("--seconds")) {
            if (!takeValue())
                return false;
            if (!parseInt(value, 1, 86400 * 366, &n))
                return bad(QStringLiteral("a whole number of seconds, at least 1"));
            o.seconds = n;
            commandOptionsSeen << name;
        } else if (name == QLatin1String("--target")) {
            if (!takeValue())
                return false;
            if (value.isEmpty())
                return bad(QStringLiteral("ADDRESS[:PORT]"));
            o.targets << value;
            commandOptionsSeen << name;
        } else if (name == QLatin1String("--url")) {
            if (!takeValue())
                return false;
            if (value.isEmpty())
                return bad(QStringLiteral("a URL"));
            o.url = value;
            commandOptionsSeen << name;
        } else {
            *error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
    }

    if (haveUdp && haveSerial) {
        *error = QStringLiteral("--udp and --serial exclude each other");
        return false;
    }
    if (haveEncrypt && haveNoEncrypt) {
        *error = QStringLiteral("--encrypt and --no-encrypt exclude each other");
        return false;
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
    const auto shape = commandShapes().find(o.command);
    if (shape == commandShapes().end()) {
        *error = QStringLiteral("unknown command \"%1\"").arg(o.command);
        return false;
    }
    if (o.arguments.size() < shape->minArgs || o.arguments.size() > shape->maxArgs) {
        *error = QStringLiteral("%1 takes %2 argument(s), %3 given")
                     .arg(o.command)
                     .arg(shape->minArgs == shape->maxArgs ? QString::number(shape->minArgs)
                                                           : QStringLiteral("%1 to %2").arg(shape->minArgs).arg(shape->maxArgs))
                     .arg(o.arguments.size());
        return false;
    }
    for (const QString &seen : qAsConst(commandOptionsSeen)) {
        if (!shape->options.contains(seen)) {
            *error = QStringLiteral("option %1 does not apply to %2").arg(seen, o.command);
            return false;
        }
    }
    *options = o;
    return true;
}

QString cliUsage()
{
    return QStringLiteral(
        "Usage: zrvu-cli [link options] COMMAND [ARGS]\n"
        "\n"
        "Every instrument operation of ZRvu from the command line. Reads config.ini,\n"
        "SkipItems and the translation files from the current directory, like ZRvu;\n"
        "an installed zrvu-cli started where there is no config.ini works in\n"
        "~/.local/share/zrvu instead.\n"
        "\n"
        "Link options (for this run only; config.ini is never changed):\n"
        "  --udp ADDRESS:PORT     talk UDP to the IP address ADDRESS, port PORT\n"
        "  --serial PORT          talk over the serial port PORT\n"
        "  --baud N               serial speed in bits per second\n"
        "  --databits 5..8        serial data bits\n"
        "  --parity P             none, even, odd, space or mark\n"
        "  --stopbits S           1, 1.5 or 2\n"
        "  --rts                  pulse RTS before each write\n"
        "  --address N            device address 1..255\n"
        "  --encrypt, --no-encrypt  link encryption on or off\n"
        "  --lang CODE            language of the messages (en_US, zh_CH, zh_TW);\n"
        "                         default: language/language of config.ini\n"
        "  --help, --version      this text, or the version, and nothing else\n"
        "\n"
        "Commands:\n"
        "  items                  read the item list; one line per row on stdout:\n"
        "                         \"07. Name, value\" (UTF-8, LF); SkipItems applies\n"
        "  export FILE            the same rows as ZRvu's export writes them (CSV)\n"
        "  write FILE             import an item file and write every valued row;\n"
        "                         prints INDEX<TAB>ok|refused<TAB>reported value\n"
        "  set INDEX VALUE        write one value item; prints the reported value\n"
        "  trigger INDEX          write one command item; prints the reported value\n"
        "  sync-time              set the instrument's clock to this computer's time\n"
        "  write-sn SN            write the serial number (1 to 24 letters or digits)\n"
        "  package-info PACKAGE   device, model, version and image size of a .zrbin\n"
        "  flash PACKAGE          flash the package into the instrument\n"
        "  history FROM TO [--csv FILE] [--pdf FILE]\n"
        "                         records between the dates (YYYY-MM-DD) on stdout,\n"
        "                         and optionally exported as CSV and/or PDF\n"
        "  monitor [--no-debug] [--format raw|hex|both] [--seconds N]\n"
        "                         the instrument's text lines on stdout, until N\n"
        "                         seconds passed or Ctrl-C; debug output is switched\n"
        "                         on for the run unless --no-debug\n"
        "  search [--target ADDRESS[:PORT]]...\n"
        "                         find instruments: name<TAB>address<TAB>port per\n"
        "                         answer; --target replaces the broadcast addresses\n"
        "  catalogue [--url URL]  the downloadable packages: name<TAB>link\n"
        "  download LINK DIR      download a package into DIR\n"
        "\n"
        "Progress of flash and download goes to stderr when it is a terminal.\n"
        "Ctrl-C during a flash is refused once (the update cannot be interrupted\n"
        "safely); a second Ctrl-C ends the process.\n"
        "\n"
        "Exit status: 0 success; 1 the operation failed (message on stderr);\n"
        "2 usage error; 3 the instrument refused a value; 130 interrupted.\n");
}
