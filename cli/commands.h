#pragma once

#include "cli/clioptions.h"

#include <QString>

// One command: takes the parsed options, returns the exit status. Messages
// go to stderr, results to stdout.
using CliCommand = int (*)(const CliOptions &options);

// The messages are the assistant's own texts, in the context that shows them
// there, so that one translation serves both.
QString cliText(const char *context, const char *sourceText);

// Writes "zrvu-cli: <text>" on stderr and returns ExitFailed.
int failWith(const QString &text);

int runPackageInfo(const CliOptions &options);
int runFlash(const CliOptions &options);
int runCatalogue(const CliOptions &options);
int runDownload(const CliOptions &options);

int runItems(const CliOptions &options);
int runExport(const CliOptions &options);
int runWrite(const CliOptions &options);
int runSet(const CliOptions &options);
int runTrigger(const CliOptions &options);
int runSyncTime(const CliOptions &options);
int runWriteSn(const CliOptions &options);
int runHistory(const CliOptions &options);
int runMonitor(const CliOptions &options);
int runSearch(const CliOptions &options);
QString historyViewText(const QString &received);
