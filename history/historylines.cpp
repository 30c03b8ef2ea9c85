#include "history/historylines.h"

QString historyViewText(const QString &received)
{
    QString text = received;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
