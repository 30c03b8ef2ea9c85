#include "items/itemcsv.h"

#include <QRegExp>
#include <QTextCodec>

namespace {
const char kBom[] = "\xEF\xBB\xBF";
}

QString itemCsvLine(const ItemRow &row)
{
    QString line = QStringLiteral("%1. ").arg(row.index, 2, 10, QLatin1Char('0'));
    line += stripPositionPrefix(row.column0);
    QString v = row.column1.trimmed();
    if (v.startsWith(QLatin1Char(':'))) {
        line += QLatin1Char(',');
        v.remove(0, 1);
    }
    line += v;
    return line;
}

QByteArray buildItemFile(const QList<ItemRow> &rows)
{
    QByteArray out(kBom, 3);
    for (const ItemRow &row : rows) {
        out += itemCsvLine(row).toUtf8();
        // Fixed CR LF on every platform so files compare byte for byte.
        out += "\r\n";
    }
    return out;
}

QStringList itemFileLines(const QByteArray &fileBytes)
{
    QString text;
    if (fileBytes.startsWith(QByteArray(kBom, 3)))
        text = QString::fromUtf8(fileBytes.constData() + 3, fileBytes.size() - 3);
    else
        text = QTextCodec::codecForLocale()->toUnicode(fileBytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

bool parseItemCsvLine(const QString &line, int *index, QStringList *fields)
{
    QRegExp rx(QStringLiteral("^(\\d+)\\.(.+)$"));
    if (!rx.exactMatch(line))
        return false;
    bool ok = false;
    const int number = rx.cap(1).trimmed().toInt(&ok, 10);
    // An index that does not fit would silently address item 0.
    if (!ok)
        return false;
    const QString rest = rx.cap(2).trimmed();
    const int comma = rest.indexOf(QLatin1Char(','));
    QStringList out;
    if (comma < 0) {
        out << rest;
    } else {
        // Everything after the first comma is the value, so a value with
        // commas is written back whole instead of cut at its first comma.
        out << rest.left(comma) << rest.mid(comma + 1);
    }
    *index = number;
    *fields = out;
    return true;
}
