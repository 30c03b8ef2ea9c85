#pragma once

#include "cli/clioptions.h"
#include "link/outcome.h"

#include <QCoreApplication>
#include <QString>

// zrvu-cli's own texts. The assistant's messages come from the features'
// message functions, in the context that shows them there, so that one
// translation serves both.
class ZrvuCli
{
    Q_DECLARE_TR_FUNCTIONS(ZrvuCli)
};

// Writes "zrvu-cli: <text>" on stderr and returns ExitFailed.
int failWith(const QString &text);
// The same, naming the failure for --json.
int failWith(Failure::Code error, const QString &text);
// A malformed argument: the problem and the pointer to --help on stderr,
// returns ExitUsage.
int usageError(const QString &problem);
// A well-formed value the command will not take (a command item given to
// set, a bad serial number): only the message, returns ExitUsage.
int refuseWith(const QString &text);

int runPackageInfo(const CliOptions &options);
int runFlash(const CliOptions &options);
int runCatalogue(const CliOptions &options);
int runDownload(const CliOptions &options);

int runItems(const CliOptions &options);
int runExport(const CliOptions &options);
int runWrite(const CliOptions &options);
int runDiff(const CliOptions &options);
int runBackup(const CliOptions &options);
// Reads the items and saves them as a backup into dir (Backups/ when
// empty); ExitOk with *path, or the failure's exit status after its message.
int backupInstrumentItems(const QString &dir, QString *path);
int runSet(const CliOptions &options);
int runTrigger(const CliOptions &options);
int runSyncTime(const CliOptions &options);
int runWriteSn(const CliOptions &options);
int runHistory(const CliOptions &options);
int runMonitor(const CliOptions &options);
int runSearch(const CliOptions &options);
// COMMAND against every instrument of --targets FILE.
int runTargets(const CliOptions &options);
