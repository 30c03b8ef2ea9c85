#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// Exit statuses every command shares; scripts rely on them.
enum CliExit {
    ExitOk = 0,
    ExitFailed = 1,    // the operation failed; the assistant's message is on stderr
    ExitUsage = 2,     // bad command line; usage on stderr
    ExitRefused = 3,   // the instrument refused a value
    ExitInterrupted = 130,
};

// Everything the command line asked for, before any instrument is touched.
struct CliOptions {
    bool help = false;
    bool version = false;
    QString command;
    QStringList arguments;

    // "group/name" → value: applied to the private settings copy only.
    QVariantMap linkOverrides;
    std::optional<QString> language;

    // Options of single commands.
    QString csvFile;
    QString pdfFile;
    bool noDebug = false;
    QString format = QStringLiteral("raw");
    std::optional<int> seconds;
    QStringList targets;
    QString url;
};

// Parses argv without the program name. On false, *error holds one line
// saying what is wrong (the caller adds the usage).
bool parseCliOptions(const QStringList &arguments, CliOptions *options, QString *error);

// Settings keys for one link option value; false with *error on a bad value.
// Exposed for the tests of the mappings.
bool parseParity(const QString &text, int *value);
bool parseStopBits(const QString &text, int *value);
bool parseUdpEndpoint(const QString &text, QString *host, QString *port);

QString cliUsage();
