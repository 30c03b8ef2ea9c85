#include "items/itemrules.h"

#include <QRegExp>

QString visibleItemText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const ushort u = c.unicode();
        if (u < 0x20)
            c = QChar(ushort(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(ushort(0x2421));
        else if ((u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            c = QChar(ushort(0x2426));
    }
    return out;
}

QStringList splitItemText(const QString &text)
{
    return text.split(QLatin1Char(':'), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString itemColumn0(int number, const QStringList &fields)
{
    const QString name = fields.isEmpty() ? QString() : fields.at(0).trimmed();
    return QStringLiteral("%1. %2").arg(number, 2, 10, QLatin1Char('0')).arg(visibleItemText(name));
}

QString itemColumn1(const QStringList &fields)
{
    if (fields.size() < 2)
        return QString();
    return QStringLiteral(": ") + visibleItemText(fields.at(1).trimmed());
}

QString stripPositionPrefix(const QString &column0)
{
    QString name = column0;
    QRegExp prefix(QStringLiteral("^\\d+\\."));
    if (prefix.indexIn(name) == 0)
        name.remove(0, prefix.matchedLength());
    return name.trimmed();
}

QString stripValuePrefix(const QString &column1)
{
    QString value = column1;
    if (value.startsWith(QLatin1Char(':')))
        value.remove(0, 1);
    return value.trimmed();
}

ItemChoices parseItemChoices(const QString &name)
{
    ItemChoices out;
    QRegExp rx(QStringLiteral("(^.+)\\((([^/]+/)+[^/]+)\\)$"), Qt::CaseSensitive);
    if (rx.indexIn(name) < 0) {
        out.title = name;
        return out;
    }
    out.isChoice = true;
    out.title = rx.cap(1);
    out.entries = rx.cap(2).split(QLatin1Char('/'), Qt::KeepEmptyParts);
    return out;
}

QString selectChoice(const QStringList &entries, const QString &value)
{
    QString selection;
    for (const QString &entry : entries) {
        if (value != selection && value.contains(entry, Qt::CaseSensitive))
            selection = entry;
    }
    return selection;
}
