#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <initializer_list>
#include <optional>

// Exit statuses every command shares; scripts rely on them.
enum CliExit {
    ExitOk = 0,
    ExitFailed = 1,    // the operation failed; the assistant's message is on stderr
    ExitUsage = 2,     // bad command line, or a value the command refuses
    ExitRefused = 3,   // the instrument refused a value (or did not keep it)
    ExitDiffers = 4,   // diff only: the file and the instrument differ
    ExitInterrupted = 130,
};

// How a command runs against the instruments of --targets, and what each
// one's detail says once its run is over.
enum class TargetDetail {
    NotAllowed,  // the command refuses --targets
    Message,     // the last message of the run
    WriteCounts, // rows written and refused
    Version,     // the package's version
    Differences, // diff: how many rows differ (a difference is not a failure)
};

// The application object a run needs: the PDF writer paints with the GUI
// module, the chart is a widget.
enum class CliNeeds { Core, Gui, Widgets };

// Everything the command line asked for, before any instrument is touched.
struct CliOptions {
    bool help = false;
    bool version = false;
    QString command;
    QStringList arguments;
    CliNeeds needs = CliNeeds::Core; // the most any option given needs

    // "group/name" → value: applied to the private settings copy only.
    QVariantMap linkOverrides;
    std::optional<QString> language;
    bool json = false; // JSON Lines on stdout
    QString traceFile; // every frame on the wire, one line each; "-" is stderr

    // Options of single commands.
    QString csvFile;
    QString pdfFile;
    QString chartFile;
    QStringList chartColumns;
    bool noDebug = false;
    QString format = QStringLiteral("raw");
    std::optional<int> seconds;
    QStringList targets;
    QString url;

    // Many instruments: the list, how many at a time, the CSV report.
    QString targetsFile;
    int jobs = 4;
    QString reportFile;
    // The command line as given, for the runs of the single instruments.
    QStringList rawArguments;
    bool changedOnly = false;
    bool verify = false;
    bool keepProtected = false;
    bool noBackup = false;
};

// One command: takes the parsed options, returns the exit status. Messages
// go to stderr, results to stdout.
using CliCommand = int (*)(const CliOptions &options);

// One option. `value` names its value in the help; empty for a switch.
// `apply` stores a value into the options (the settings keys of a link
// option go into linkOverrides); on false the option's `expected` text
// says what it takes.
struct CliOptionRow {
    const char *name;
    const char *value;
    const char *help;
    bool (*apply)(const QString &value, CliOptions *options);
    const char *expected = "";
    bool repeatable = false;
    const char *excludes = nullptr; // the option it cannot be combined with
    CliNeeds needs = CliNeeds::Core;
};

// The argument placeholders, written in the table as plain ASCII literals.
struct CliArgumentNames : QStringList {
    CliArgumentNames() = default;
    CliArgumentNames(std::initializer_list<const char *> names)
    {
        for (const char *name : names)
            append(QLatin1String(name));
    }
};

// One command: what the parser checks, what --help shows, how --targets
// runs it and what dispatch calls all come from here. Every argument is
// required, except one written "[NAME]"; `help` lines are separated by '\n'.
struct CliCommandRow {
    const char *name;
    CliArgumentNames arguments;
    QVector<CliOptionRow> options;
    CliCommand handler;
    const char *help;
    TargetDetail targetDetail = TargetDetail::NotAllowed;
    bool filePerTarget = false; // with --targets, its first argument must hold {name}
};

const QVector<CliCommandRow> &cliCommands();
// Link options (settings for this run) and --lang, --help, --version.
const QVector<CliOptionRow> &cliGlobalOptions();
const CliCommandRow *findCliCommand(const QString &name);
// "history FROM TO [--csv FILE] [--pdf FILE]"
QString cliSynopsis(const CliCommandRow &command);

// Parses argv without the program name. On false, *error holds one line
// saying what is wrong.
bool parseCliOptions(const QStringList &arguments, CliOptions *options, QString *error);

// Settings keys for one link option value; false with *error on a bad value.
// Exposed for the tests of the mappings.
// A decimal number from low to high.
bool parseInt(const QString &text, int low, int high, int *value);
bool parseParity(const QString &text, int *value);
bool parseStopBits(const QString &text, int *value);
bool parseUdpEndpoint(const QString &text, QString *host, QString *port);

// The --help text, generated from the tables.
QString cliUsage();
// What a usage error puts on stderr: the problem and where to look.
QString cliUsageErrorText(const QString &problem);
