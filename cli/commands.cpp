#include "cli/commands.h"
#include "cli/cliruntime.h"

int failWith(const QString &text)
{
    writeErr(QStringLiteral("zrvu-cli: ") + text + QLatin1Char('\n'));
    return ExitFailed;
}

int usageError(const QString &problem)
{
    writeErr(cliUsageErrorText(problem));
    return ExitUsage;
}

int refuseWith(const QString &text)
{
    writeErr(QStringLiteral("zrvu-cli: ") + text + QLatin1Char('\n'));
    return ExitUsage;
}
