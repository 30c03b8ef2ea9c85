#include "link/framedecoder.h"

#include "link/framecodec.h"

#include <QCoreApplication>
#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>

#include <algorithm>

namespace {

struct FrameDecoder {
    Q_DECLARE_TR_FUNCTIONS(FrameDecoder)
};

quint8 at(const QByteArray &b, int i)
{
    return static_cast<quint8>(b.at(i));
}

int be16(const QByteArray &b, int i)
{
    return (at(b, i) << 8) | at(b, i + 1);
}

// Long texts (a page of history, a flood of debug output) are cut so that
// one row of the log stays one line.
constexpr int kMaxShownText = 80;

bool hasWideChar(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0xFF; });
}

QString shownText(const QByteArray &bytes)
{
    QString text = decodeDeviceText(bytes);
    // A piece of a line cut inside a two-byte character would otherwise be
    // shown as Latin-1 as a whole.
    if (bytes.size() >= 2 && static_cast<quint8>(bytes.back()) >= 0xA1 && !hasWideChar(text)) {
        const QString cut = decodeDeviceText(bytes.left(bytes.size() - 1));
        if (hasWideChar(cut))
            text = cut + QChar(0x2026);
    }
    QString out;
    out.reserve(std::min(text.size(), kMaxShownText + 1));
    for (const QChar c : text) {
        if (out.size() >= kMaxShownText) {
            out += QChar(0x2026);
            break;
        }
        if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool looksLikeText(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return false;
    for (const char ch : bytes) {
        const auto c = static_cast<quint8>(ch);
        if (c < 0x20 && c != '\r' && c != '\n' && c != '\t')
            return false;
    }
    return true;
}

QString withDefect(const QString &name, const QString &defect)
{
    return defect.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, defect);
}

// ---- requests ---------------------------------------------------------------

bool isItemRead(const QByteArray &b)
{
    return b.size() == 8 && at(b, 1) == 0x03 && at(b, 2) == 0x4B;
}

bool isTextWrite(const QByteArray &b)
{
    return b.size() >= 9 && at(b, 1) == 0x0F && at(b, 2) == 0x4B && b.size() == at(b, 6) + 9;
}

bool isClockWrite(const QByteArray &b)
{
    return b.size() == 16 && at(b, 1) == 0x0F && at(b, 2) == 0x4D && at(b, 3) == 0x08 && at(b, 6) == 0x07;
}

bool isDelimited(const QByteArray &b)
{
    return b.size() >= 5 && at(b, 0) == 0x7E && at(b, b.size() - 1) == 0x7F;
}

// 7E, direction bytes, command, payload length, payload, CRC, 7F.
int delimitedCommand(const QByteArray &b)
{
    if (!isDelimited(b) || b.size() < 10)
        return -1;
    return be16(b, 3);
}

bool delimitedCrcOk(const QByteArray &b)
{
    return checkFrameCrc(b.constData(), b.size() - 1, true);
}

QString counterCrcDefect(const QByteArray &b)
{
    return checkFrameCrc(b, false) ? QString() : FrameDecoder::tr("CRC错误");
}

QString dateText(int yy, int month, int day)
{
    const QDate date(2000 + yy, month, day);
    if (date.isValid())
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    return QStringLiteral("%1-%2-%3").arg(yy, 2, 10, QLatin1Char('0')).arg(month).arg(day);
}

QString explainDelimitedRequest(const QByteArray &b)
{
    const QString defect = delimitedCrcOk(b) ? QString() : FrameDecoder::tr("CRC错误");
    switch (delimitedCommand(b)) {
    case 0x293F:
        return withDefect(FrameDecoder::tr("升级: 识别设备"), defect);
    case 0x2FAC:
        if (b.size() == 17 && at(b, 7) == 0x91 && be16(b, 8) == 4) {
            const quint32 n = at(b, 10) | (at(b, 11) << 8) | (at(b, 12) << 16) | (quint32(at(b, 13)) << 24);
            return withDefect(FrameDecoder::tr("升级: 擦除 %1 字节").arg(n), defect);
        }
        return withDefect(FrameDecoder::tr("升级: 擦除"), defect);
    case 0x2C01:
        if (b.size() >= 15 && at(b, 7) == 0x91)
            return withDefect(FrameDecoder::tr("升级: 第 %1 页, %2 字节").arg(at(b, 10)).arg(be16(b, 8) - 1), defect);
        return withDefect(FrameDecoder::tr("升级: 数据页"), defect);
    case 0x2A79:
        return withDefect(FrameDecoder::tr("升级: 退出升级"), defect);
    case 0x4E9F:
        if (b.size() == 19 && at(b, 7) == 0x91)
            return withDefect(FrameDecoder::tr("历史数据请求 %1 至 %2")
                                  .arg(dateText(at(b, 10), at(b, 11), at(b, 12)),
                                       dateText(at(b, 13), at(b, 14), at(b, 15))),
                              defect);
        return withDefect(FrameDecoder::tr("历史数据请求"), defect);
    default:
        return QString();
    }
}

QString explainRequest(const QByteArray &b)
{
    if (b == QByteArray(4, '\x01'))
        return FrameDecoder::tr("搜索设备");
    if (isItemRead(b))
        return withDefect(FrameDecoder::tr("读配置项 %1").arg(at(b, 3)), counterCrcDefect(b));
    if (isTextWrite(b)) {
        const QByteArray text = b.mid(7, at(b, 6) - 1);
        const QString defect = counterCrcDefect(b);
        if (at(b, 3) == 255 && (text == "1" || text == "0"))
            return withDefect(text == "1" ? FrameDecoder::tr("调试输出开") : FrameDecoder::tr("调试输出关"), defect);
        return withDefect(FrameDecoder::tr("写配置项 %1 \"%2\"").arg(at(b, 3)).arg(shownText(text)), defect);
    }
    if (isClockWrite(b)) {
        const QTime time(at(b, 10), at(b, 11), at(b, 12));
        const QString t = time.isValid() ? time.toString(QStringLiteral("HH:mm:ss"))
                                         : QStringLiteral("%1:%2:%3").arg(at(b, 10)).arg(at(b, 11)).arg(at(b, 12));
        return withDefect(FrameDecoder::tr("设置时钟 %1 %2").arg(dateText(at(b, 7), at(b, 8), at(b, 9)), t), counterCrcDefect(b));
    }
    if (isDelimited(b)) {
        const QString name = explainDelimitedRequest(b);
        if (!name.isEmpty())
            return name;
    }
    if (b.startsWith('{')) {
        const QJsonObject o = QJsonDocument::fromJson(b).object();
        const QJsonValue sn = o.value(QStringLiteral("write")).toObject().value(QStringLiteral("sn"));
        if (sn.isString())
            return FrameDecoder::tr("写入序列号 %1").arg(sn.toString());
    }
    return QString();
}

// ---- replies ----------------------------------------------------------------

QString explainCountedReply(const QByteArray &b, const QByteArray &request)
{
    const int n = at(b, 2);
    const QString text = shownText(b.mid(3, std::max(0, std::min(n, b.size() - 5))));
    QString defect;
    if (b.size() != n + 5)
        defect = FrameDecoder::tr("长度错误");
    else if (!checkFrameCrc(b, false))
        defect = FrameDecoder::tr("CRC错误");
    else if (at(b, 1) != 0x03)
        defect = FrameDecoder::tr("功能码 %1").arg(at(b, 1), 2, 16, QLatin1Char('0')).toUpper();
    if (isItemRead(request)) {
        if (n == 0 && defect.isEmpty())
            return FrameDecoder::tr("配置项 %1 应答: 列表结束").arg(at(request, 3));
        return withDefect(FrameDecoder::tr("配置项 %1 应答 %2").arg(at(request, 3)).arg(text), defect);
    }
    if (isClockWrite(request))
        return withDefect(FrameDecoder::tr("时钟应答 %1").arg(text), defect);
    if (isTextWrite(request)) {
        if (at(request, 3) == 255)
            return withDefect(FrameDecoder::tr("调试开关应答 %1").arg(text), defect);
        return withDefect(FrameDecoder::tr("写入应答 %1").arg(text), defect);
    }
    return withDefect(FrameDecoder::tr("应答 %1").arg(text), defect);
}

QString explainDelimitedReply(const QByteArray &b)
{
    const QString defect = delimitedCrcOk(b) ? QString() : FrameDecoder::tr("CRC错误");
    // 02 05 01 01, payload length, tag 01, text length, text.
    if (b.size() >= 13 && at(b, 1) == 0x02 && at(b, 2) == 0x05 && at(b, 7) == 0x01) {
        const int n = std::min(be16(b, 8), b.size() - 13);
        return withDefect(FrameDecoder::tr("升级应答 \"%1\"").arg(shownText(b.mid(10, n))), defect);
    }
    return withDefect(FrameDecoder::tr("升级应答"), defect);
}

QString explainReply(const QByteArray &b, const QByteArray &request)
{
    if (isDelimited(b) && at(b, 1) == 0x02)
        return explainDelimitedReply(b);
    const bool counted = b.size() >= 5 && !looksLikeText(b.left(2));
    if (counted && (isItemRead(request) || isTextWrite(request) || isClockWrite(request)))
        return explainCountedReply(b, request);
    if (request.startsWith('{') && b.startsWith('{')) {
        const QJsonValue sn = QJsonDocument::fromJson(b).object().value(QStringLiteral("sn"));
        if (sn.isString())
            return FrameDecoder::tr("序列号应答 %1").arg(sn.toString());
    }
    if (request == QByteArray(4, '\x01') && looksLikeText(b))
        return FrameDecoder::tr("搜索应答 %1").arg(shownText(b));
    if (counted && b.size() == at(b, 2) + 5 && checkFrameCrc(b, false))
        return explainCountedReply(b, request);
    if (looksLikeText(b))
        return FrameDecoder::tr("文本 \"%1\"").arg(shownText(b));
    return QString();
}

} // namespace

QByteArray envelopeInner(const QByteArray &bytes)
{
    if (bytes.size() < 7 || at(bytes, 0) != 0xFE || at(bytes, 1) != 0xEF || be16(bytes, 2) != bytes.size() - 6)
        return QByteArray();
    for (const bool high : {false, true}) {
        if (checkFrameCrc(bytes, high))
            return decryptEnvelope(bytes, high);
    }
    return QByteArray();
}

QString explainFrame(const QByteArray &bytes, bool sent, const QByteArray &request)
{
    if (bytes.isEmpty())
        return FrameDecoder::tr("空");
    if (at(bytes, 0) == 0xFE && bytes.size() >= 2 && at(bytes, 1) == 0xEF) {
        const QByteArray inner = envelopeInner(bytes);
        if (!inner.isEmpty())
            return FrameDecoder::tr("加密信封: %1 [内层 %2]").arg(explainFrame(inner, sent, request), hexDump(inner).trimmed());
        if (bytes.size() >= 4 && be16(bytes, 2) == bytes.size() - 6)
            return FrameDecoder::tr("加密信封 (CRC错误)");
    }
    const QString name = sent ? explainRequest(bytes) : explainReply(bytes, request);
    if (!name.isEmpty())
        return name;
    return FrameDecoder::tr("未知帧, %1 字节").arg(bytes.size());
}
