#include "cli/commands.h"
#include "cli/cliruntime.h"
#include "cli/jsonout.h"

int failWith(Failure::Code error, const QString &text)
{
    CliJson::noteError(error);
    return failWith(text);
}

int failWith(const QString &text)
{
    CliJson::noteMessage(text);
    writeErr(QStringLiteral("zrvu-cli: ") + text + QLatin1Char('\n'));
    return ExitFailed;
}

int usageError(const QString &problem)
{
    CliJson::noteError(Failure::Usage);
    CliJson::noteMessage(problem);
    writeErr(cliUsageErrorText(problem));
    return ExitUsage;
}

int refuseWith(const QString &text)
{
    CliJson::noteError(Failure::BadValue);
    CliJson::noteMessage(text);
    writeErr(QStringLiteral("zrvu-cli: ") + text + QLatin1Char('\n'));
    return ExitUsage;
}
