#include "link/framecodec.h"

#include "link/aes128.h"

#include <QTextCodec>

namespace {

constexpr quint32 kIvWords[4] = {0x7a722d6c, 0x696e6b2d, 0x69762d30, 0x3030312b}; // "zr-link-iv-0001+"

const Aes128 &linkCipher()
{
    static const Aes128 cipher(reinterpret_cast<const uint8_t *>("KEY9A3E7B2C60KEY"));
    return cipher;
}

void ivBytes(uint8_t out[16])
{
    for (int w = 0; w < 4; ++w)
        for (int b = 0; b < 4; ++b)
            out[w * 4 + b] = static_cast<uint8_t>(kIvWords[w] >> (24 - 8 * b));
}

// Debian's "gb2312" is an ICU GBK converter that reports neither invalid
// bytes nor a cut-off trailing sequence, and takes GBK's wider trail range
// (0x40-0xFE): Latin-1 text such as "20\xB0C" would read as Chinese. Only
// GB2312's own rows and cells are let through to the converter.
bool isWellFormedGb2312(const unsigned char *p, int length)
{
    for (int i = 0; i < length; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80)
            continue;
        if (c < 0xA1 || c > 0xF7 || i + 1 >= length)
            return false;
        const unsigned char t = p[++i];
        if (t < 0xA1 || t > 0xFE)
            return false;
    }
    return true;
}

// Cells GB2312 leaves empty come out of the GBK converter as private-use
// characters (or not at all); such text is not GB2312.
bool isAssignedGb2312Text(const QString &text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == QChar::ReplacementCharacter || (u >= 0xE000 && u <= 0xF8FF))
            return false;
    }
    return true;
}

QTextCodec *gbCodec()
{
    static QTextCodec *codec = QTextCodec::codecForName("gb2312");
    return codec;
}

QTextCodec *latin1Codec()
{
    static QTextCodec *codec = QTextCodec::codecForName("latin1");
    return codec;
}

bool convertStrict(QTextCodec *codec, const char *bytes, int length, QString *out)
{
    if (!codec)
        return false;
    QTextCodec::ConverterState state;
    *out = codec->toUnicode(bytes, length, &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

} // namespace

quint16 crc16Modbus(const char *data, int length)
{
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= static_cast<unsigned char>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    }
    return crc;
}

void appendCrcLowFirst(QByteArray &frame)
{
    const quint16 crc = crc16Modbus(frame);
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
}

bool checkFrameCrc(const char *frame, int length, bool highByteFirst)
{
    if (!frame || length < 3)
        return false;
    const quint16 crc = crc16Modbus(frame, length - 2);
    const auto a = static_cast<unsigned char>(frame[length - 2]);
    const auto b = static_cast<unsigned char>(frame[length - 1]);
    const quint16 stored = highByteFirst ? static_cast<quint16>((a << 8) | b) : static_cast<quint16>((b << 8) | a);
    return crc == stored;
}

bool isReplyComplete(const QByteArray &reply, quint8 deviceAddress, bool encrypt, bool highByteFirst)
{
    const int count = reply.size();
    if (count == 0)
        return false;
    if (encrypt)
        return count > 6 && checkFrameCrc(reply, highByteFirst);
    const auto first = static_cast<unsigned char>(reply.at(0));
    if (first == deviceAddress) {
        return count >= 5 && count == static_cast<unsigned char>(reply.at(2)) + 5
            && checkFrameCrc(reply, highByteFirst);
    }
    if (first == 0x7E) {
        return count >= 5 && static_cast<unsigned char>(reply.at(count - 1)) == 0x7F
            && checkFrameCrc(reply.constData(), count - 1, highByteFirst);
    }
    return checkFrameCrc(reply, highByteFirst);
}

int maxReplySize(const QByteArray &reply, quint8 deviceAddress, bool encrypt)
{
    const int count = reply.size();
    if (count == 0)
        return kMaxEnvelope;
    const auto first = static_cast<unsigned char>(reply.at(0));
    if (encrypt && count >= 4 && first == 0xFE && static_cast<unsigned char>(reply.at(1)) == 0xEF)
        return ((static_cast<unsigned char>(reply.at(2)) << 8) | static_cast<unsigned char>(reply.at(3))) + 6;
    if (encrypt && count < 4 && first == 0xFE)
        return kMaxEnvelope;
    if (first == deviceAddress)
        return count >= 3 ? static_cast<unsigned char>(reply.at(2)) + 5 : kMaxCountedReply;
    // Nor a counted reply nor an envelope: no kind of reply is longer than
    // a delimited frame.
    return kMaxDelimitedReply;
}

QByteArray encryptEnvelope(const QByteArray &plain)
{
    const int length = plain.size();
    QByteArray out;
    out.reserve(length + 6);
    out.append(static_cast<char>(0xFE));
    out.append(static_cast<char>(0xEF));
    out.append(static_cast<char>((length >> 8) & 0xFF));
    out.append(static_cast<char>(length & 0xFF));
    QByteArray body = plain;
    uint8_t iv[16];
    ivBytes(iv);
    aes128CfbEncrypt(linkCipher(), iv, reinterpret_cast<uint8_t *>(body.data()), static_cast<std::size_t>(body.size()));
    out.append(body);
    appendCrcLowFirst(out);
    return out;
}

QByteArray decryptEnvelope(const QByteArray &received, bool highByteFirst)
{
    const int total = received.size();
    if (total < 7 || !checkFrameCrc(received, highByteFirst))
        return received;
    if (static_cast<unsigned char>(received.at(0)) != 0xFE || static_cast<unsigned char>(received.at(1)) != 0xEF)
        return received;
    const int length = (static_cast<unsigned char>(received.at(2)) << 8) | static_cast<unsigned char>(received.at(3));
    if (length != total - 6)
        return received;
    QByteArray plain = received.mid(4, length);
    uint8_t iv[16];
    ivBytes(iv);
    aes128CfbDecrypt(linkCipher(), iv, reinterpret_cast<uint8_t *>(plain.data()), static_cast<std::size_t>(plain.size()));
    return plain;
}

namespace {

// Address, function, the item table (0x4B), the item and two zero bytes:
// the head every item request starts with.
QByteArray itemRequestHead(quint8 deviceAddress, char function, quint8 item, int reserve)
{
    QByteArray frame;
    frame.reserve(reserve);
    frame.append(static_cast<char>(deviceAddress));
    frame.append(function);
    frame.append('\x4B');
    frame.append(static_cast<char>(item));
    frame.append('\x00');
    frame.append('\x00');
    return frame;
}

} // namespace

QByteArray buildItemReadRequest(quint8 deviceAddress, quint8 itemIndex)
{
    QByteArray frame = itemRequestHead(deviceAddress, '\x03', itemIndex, 8);
    appendCrcLowFirst(frame);
    return frame;
}

QByteArray buildTextWriteRequest(quint8 deviceAddress, quint8 itemNumber, const QString &text)
{
    const QByteArray encoded = encodeDeviceText(text);
    QByteArray frame = itemRequestHead(deviceAddress, '\x0F', itemNumber, encoded.size() + 9);
    frame.append(static_cast<char>((encoded.size() + 1) & 0xFF));
    frame.append(encoded);
    frame.append('\x00');
    appendCrcLowFirst(frame);
    return frame;
}

QByteArray buildDelimitedFrame(const QByteArray &body)
{
    QByteArray frame;
    frame.reserve(body.size() + 4);
    frame.append('\x7E');
    frame.append(body);
    const quint16 crc = crc16Modbus(frame);
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append('\x7F');
    return frame;
}

QString decodeDeviceText(const char *bytes, int length)
{
    if (length <= 0)
        return QString();
    QString text;
    if (isWellFormedGb2312(reinterpret_cast<const unsigned char *>(bytes), length)
        && convertStrict(gbCodec(), bytes, length, &text) && isAssignedGb2312Text(text))
        return text;
    if (convertStrict(latin1Codec(), bytes, length, &text))
        return text;
    int end = 0;
    while (end < length && bytes[end] != '\0')
        ++end;
    return QString::fromLatin1(bytes, end);
}

namespace {

bool encodeGb2312(const QString &text, QByteArray *out)
{
    QTextCodec *gb = gbCodec();
    if (!gb)
        return false;
    QTextCodec::ConverterState state;
    const QByteArray bytes = gb->fromUnicode(text.constData(), text.size(), &state);
    // The ICU converter may substitute silently; a round trip proves it did not.
    if (state.invalidChars == 0
        && isWellFormedGb2312(reinterpret_cast<const unsigned char *>(bytes.constData()), bytes.size())
        && isAssignedGb2312Text(text) && gb->toUnicode(bytes) == text) {
        *out = bytes;
        return true;
    }
    return false;
}

bool isControl(uint u)
{
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

} // namespace

int uncarriableDeviceChar(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (isControl(text.at(i).unicode()))
            return i;
    }
    QByteArray bytes;
    if (encodeGb2312(text, &bytes))
        return -1;
    int firstBeyondLatin1 = -1;
    for (int i = 0; i < text.size() && firstBeyondLatin1 < 0; ++i) {
        if (text.at(i).unicode() > 0xFF)
            firstBeyondLatin1 = i;
    }
    if (firstBeyondLatin1 < 0)
        return -1;
    // First a character neither carries; else, in a mix of Chinese and
    // Latin-1 letters, the first that GB2312 lacks.
    for (const bool latin1Too : {false, true}) {
        for (int i = 0; i < text.size(); ++i) {
            const int width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const bool latin1 = width == 1 && text.at(i).unicode() <= 0xFF;
            if ((latin1Too || !latin1) && !encodeGb2312(text.mid(i, width), &bytes))
                return i;
            i += width - 1;
        }
    }
    return firstBeyondLatin1;
}

QByteArray encodeDeviceText(const QString &text)
{
    QByteArray gb;
    if (encodeGb2312(text, &gb))
        return gb;
    bool allLatin1 = true;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            allLatin1 = false;
            break;
        }
    }
    if (allLatin1)
        return text.toLatin1();
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text)
        out.append(c.unicode() > 0xFF ? '?' : static_cast<char>(c.unicode()));
    return out;
}

QString hexDump(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.append(QLatin1Char(digits[b >> 4]));
        out.append(QLatin1Char(digits[b & 0x0F]));
        out.append(QLatin1Char(' '));
    }
    return out;
}

QByteArray linkKey()
{
    return QByteArrayLiteral("KEY9A3E7B2C60KEY");
}

QByteArray linkIv()
{
    uint8_t iv[16];
    ivBytes(iv);
    return QByteArray(reinterpret_cast<const char *>(iv), 16);
}
