#include "items/itemcsv.h"

#include <QCoreApplication>

#include <QRegExp>
#include <QTextCodec>

namespace {
const char kBom[] = "\xEF\xBB\xBF";

// A codec that substitutes instead of failing would turn a wrong guess into
// "?" or U+FFFD values; only a lossless conversion counts.
bool decodeStrict(QTextCodec *codec, const QByteArray &bytes, QString *out)
{
    if (!codec)
        return false;
    QTextCodec::ConverterState state;
    *out = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    return state.invalidChars == 0 && state.remainingChars == 0 && !out->contains(QChar::ReplacementCharacter);
}

bool decodeUtf8(const QByteArray &bytes, QString *out)
{
    return decodeStrict(QTextCodec::codecForName("UTF-8"), bytes, out);
}

// Debian's GBK converter reports neither invalid bytes nor a cut-off
// sequence: the byte structure is checked here, and a round trip proves the
// converter did not substitute. User-defined areas (private use) are not text
// a spreadsheet writes.
bool decodeGbk(const QByteArray &bytes, QString *out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const int n = bytes.size();
    for (int i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80)
            continue;
        if (c == 0x80 || c == 0xFF || i + 1 >= n)
            return false;
        const unsigned char t = p[++i];
        if (t < 0x40 || t == 0x7F || t == 0xFF)
            return false;
    }
    QTextCodec *codec = QTextCodec::codecForName("GBK");
    if (!decodeStrict(codec, bytes, out))
        return false;
    for (const QChar c : qAsConst(*out)) {
        if (c.category() == QChar::Other_PrivateUse || c.isSurrogate())
            return false;
    }
    return codec->fromUnicode(*out) == bytes;
}

bool decodeLocal(const QByteArray &bytes, QString *out)
{
    QTextCodec *codec = QTextCodec::codecForLocale();
    if (!codec || codec->mibEnum() == 106) // UTF-8 was tried first
        return false;
    return decodeStrict(codec, bytes, out) && codec->fromUnicode(*out) == bytes;
}

QList<QByteArray> rawLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

QString itemCsvLine(const ItemRow &row)
{
    QString line = QStringLiteral("%1. ").arg(row.index, 2, 10, QLatin1Char('0'));
    line += visibleItemText(stripPositionPrefix(row.column0));
    QString v = row.column1.trimmed();
    if (v.startsWith(QLatin1Char(':'))) {
        line += QLatin1Char(',');
        v.remove(0, 1);
    }
    line += visibleItemText(v);
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

QStringList itemFileLines(const QByteArray &fileBytes, int *badLine)
{
    if (badLine)
        *badLine = 0;
    const bool bom = fileBytes.startsWith(QByteArray(kBom, 3));
    const QByteArray body = bom ? fileBytes.mid(3) : fileBytes;
    QString text;
    const bool decoded = decodeUtf8(body, &text) || (!bom && (decodeLocal(body, &text) || decodeGbk(body, &text)));
    if (!decoded) {
        // The first line no candidate reads; in a file that mixes
        // encodings, the first line that is not UTF-8.
        const QList<QByteArray> lines = rawLines(body);
        int firstNotUtf8 = 0;
        for (int i = 0; i < lines.size(); ++i) {
            QString line;
            if (decodeUtf8(lines.at(i), &line))
                continue;
            if (firstNotUtf8 == 0)
                firstNotUtf8 = i + 1;
            if (bom || !(decodeLocal(lines.at(i), &line) || decodeGbk(lines.at(i), &line))) {
                firstNotUtf8 = i + 1;
                break;
            }
        }
        if (badLine)
            *badLine = qMax(1, firstNotUtf8);
        return QStringList();
    }
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
    // The request carries the index in one byte: 263 would write item 7.
    if (!ok || number > 255)
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

QString itemExportFailedMessage(const QString &cause)
{
    return QCoreApplication::translate("MainWindow", "导出配置失败: %1").arg(cause);
}

QString itemExportedMessage()
{
    return QCoreApplication::translate("MainWindow", "导出配置成功");
}

QString itemFileOpenFailedMessage(const QString &fileName)
{
    return QCoreApplication::translate("MainWindow", "打开文件失败: %1").arg(fileName);
}

QString itemFileEncodingMessage(int badLine)
{
    return QCoreApplication::translate("MainWindow", "文件编码错误: 第%1行不是UTF-8或GBK文本").arg(badLine);
}

QString itemFileParseMessage()
{
    return QCoreApplication::translate("MainWindow", "文件解析错误");
}
