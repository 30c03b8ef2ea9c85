#include "items/skiptable.h"

#include "items/itemcsv.h"
#include "settings/fileio.h"

QString cleanSkipText(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char(' '));
    return out.trimmed();
}

SkipTable parseSkipTable(const QByteArray &fileBytes)
{
    SkipTable table;
    QList<QByteArray> lines = fileBytes.split('\n');
    // Like reading line by line: a final line break starts no further line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QByteArray &raw : qAsConst(lines)) {
        QByteArray line = raw;
        const int zero = line.indexOf('\0');
        if (zero >= 0)
            line.truncate(zero);
        const QStringList fields = QString::fromLatin1(line).split(QLatin1Char(','), Qt::KeepEmptyParts);
        if (fields.size() == 1) {
            const QString x = cleanSkipText(fields.at(0));
            table[x].insert(x);
        } else if (fields.size() == 2) {
            table[cleanSkipText(fields.at(0))].insert(cleanSkipText(fields.at(1)));
        }
    }
    return table;
}

SkipTable loadSkipTable(const QString &path, QString *warning)
{
    const FileReadResult read = readRegularFile(path, kMaxItemFileBytes);
    if (!read.ok()) {
        if (warning && read.status != FileReadResult::NotFound)
            *warning = read.detail;
        return SkipTable();
    }
    return parseSkipTable(read.bytes);
}

bool ItemSkipFilter::decide(int index, const QStringList &list, Item *release)
{
    if (list.size() < 2)
        return false;
    const QString &name = list.at(0);
    const QString value = cleanSkipText(list.at(1));

    if (name == QStringLiteral("设备型号")) {
        if (!hasHeldRow())
            return m_table.contains(value);
        const QString key = cleanSkipText(m_held.second.value(1));
        const Item held = m_held;
        m_held = Item();
        if (m_table.value(key).contains(value))
            return true;
        *release = held;
        return false;
    }
    if (name == QStringLiteral("设备名称")) {
        if (m_table.contains(value)) {
            m_held = Item(index, list);
            return true;
        }
        return false;
    }
    if (name.compare(QLatin1String("model"), Qt::CaseInsensitive) == 0)
        return m_table.contains(value);
    return false;
}
