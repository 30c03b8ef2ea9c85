#include "items/itemcsv.h"

#include "link/framecodec.h"

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

// A line of a file without a byte-order mark that is not UTF-8, read as the
// instrument's own texts are: GB2312 where its byte ranges hold, else
// Latin-1. GBK would take a Latin-1 "Z\xFCrich" for a Chinese pair. Latin-1
// reads any byte; what it makes of 0x80-0x9F (C1 controls) is another code
// page, never text.
bool decodeDeviceLine(const QByteArray &line, QString *out)
{
    *out = decodeDeviceText(line);
    for (const QChar c : qAsConst(*out)) {
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F)
            return false;
    }
    return true;
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
    if (!decodeUtf8(body, &text)) {
        // After a byte-order mark the file says UTF-8: its first line that
        // is not. Without one, each line on its own, so that a file that
        // mixes encodings still reads right.
        const QList<QByteArray> raw = rawLines(body);
        QStringList decoded;
        for (int i = 0; i < raw.size(); ++i) {
            QString line;
            if (!decodeUtf8(raw.at(i), &line) && (bom || !decodeDeviceLine(raw.at(i), &line))) {
                if (badLine)
                    *badLine = i + 1;
                return QStringList();
            }
            decoded << line;
        }
        text = decoded.join(QLatin1Char('\n'));
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
    return QCoreApplication::translate("MainWindow", "文件编码错误: 第%1行不是UTF-8、GB2312或Latin-1文本").arg(badLine);
}

QString itemFileParseMessage()
{
    return QCoreApplication::translate("MainWindow", "文件解析错误");
}
