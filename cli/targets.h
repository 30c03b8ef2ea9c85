#pragma once

#include "cli/clioptions.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

// One instrument of a --targets file.
struct CliTarget {
    bool udp = true;
    QString endpoint; // "HOST:PORT" or the serial port name
    int baud = 0;     // serial only
    int address = 1;
    QString name;     // the endpoint (and #address where endpoints repeat) unless named
    int line = 0;
};

// The commands --targets takes, "export, write, …" for the help and the
// usage error.
QString targetCommandNames();

// Parses the file's text; on false *error names the line ("line 3: …"),
// or both lines of two targets whose names are alike (equal, or equal in a
// file name). Nothing is sent before the whole file has passed.
bool parseTargets(const QString &text, QVector<CliTarget> *targets, QString *error);

// The child's command line: the target's link options, then the parent's
// arguments without --targets, --jobs, --report and the link endpoint
// options they replace; an export's {name} becomes the target's name, with
// characters a file name cannot hold (path separators, ':') as '_'.
QStringList targetArguments(const CliTarget &target, const QStringList &parentArguments);
// A target's name as part of a file name: a default name is an endpoint
// ("127.0.0.1:5000", "/dev/ttyUSB0"), whose separators would point a file
// into another folder, and Windows refuses some characters: all become '_'.
QString targetFileName(const QString &name);

struct TargetResult {
    enum Status { Ok, Refused, Failed };
    Status status = Failed;
    QString detail;
    QJsonObject result; // the child's result object (empty when it wrote none)
};
QString targetStatusName(TargetResult::Status status);
// Judges one finished child from its --json output (the child always runs
// with --json) and its exit code.
TargetResult judgeTargetRun(TargetDetail detail, bool crashed, int exitCode, const QByteArray &jsonLines,
                            const QString &packageVersion);
// {"type":"target", ...} for the --json output and the .json report.
QJsonObject targetObject(const CliTarget &target, const TargetResult &result, const QString &command);
// 0 all ok; 3 some refused, none failed; 1 any failed.
int targetsExitCode(const QVector<TargetResult> &results);

// "NAME<TAB>status<TAB>detail" (tabs and line breaks inside become spaces).
QString targetLine(const QString &name, const TargetResult &result);
// The report: header name,status,detail and one row per target, UTF-8.
QByteArray targetReport(const QStringList &names, const QVector<TargetResult> &results);
