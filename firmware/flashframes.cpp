#include "firmware/flashframes.h"

#include "link/framecodec.h"

#include <QString>

namespace {

void appendU16(QByteArray &out, quint16 value)
{
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

// Body after the 0x7E: direction bytes, command, payload length, payload.
QByteArray body(bool request, quint8 c0, quint8 c1, const QByteArray &payload)
{
    QByteArray b;
    b.reserve(payload.size() + 6);
    b.append(static_cast<char>(request ? 0x05 : 0x02));
    b.append(static_cast<char>(request ? 0x02 : 0x05));
    b.append(static_cast<char>(c0));
    b.append(static_cast<char>(c1));
    appendU16(b, static_cast<quint16>(payload.size()));
    b.append(payload);
    return b;
}

QByteArray field(quint8 tag, const QByteArray &value)
{
    QByteArray f;
    f.reserve(value.size() + 3);
    f.append(static_cast<char>(tag));
    appendU16(f, static_cast<quint16>(value.size()));
    f.append(value);
    return f;
}

} // namespace

namespace FlashFrames {

QByteArray identifyRequest()
{
    return buildDelimitedFrame(body(true, 0x29, 0x3F, QByteArray()));
}

QByteArray eraseRequest(quint32 imageLength)
{
    QByteArray size;
    for (int i = 0; i < 4; ++i)
        size.append(static_cast<char>((imageLength >> (8 * i)) & 0xFF));
    return buildDelimitedFrame(body(true, 0x2F, 0xAC, field(0x91, size)));
}

QByteArray pageRequest(const char *data, quint8 pageNumber)
{
    QByteArray value;
    value.reserve(pageSize + 1);
    value.append(static_cast<char>(pageNumber));
    value.append(data, pageSize);
    return buildDelimitedFrame(body(true, 0x2C, 0x01, field(0x91, value)));
}

QByteArray leaveRequest()
{
    return buildDelimitedFrame(body(true, 0x2A, 0x79, QByteArray()));
}

QByteArray eraseReply()
{
    static const char tail[] = {0x00, 0x00, 0x00, static_cast<char>(0xC1), static_cast<char>(0x81), 0x40};
    QByteArray text("Erase OK\r\n");
    text.append(tail, sizeof tail);
    return buildDelimitedFrame(body(false, 0x01, 0x01, field(0x01, text)));
}

QByteArray pageReply(quint8 pageNumber)
{
    const QByteArray text = encodeDeviceText(QStringLiteral("Page[%1] OK\r\n").arg(pageNumber));
    return buildDelimitedFrame(body(false, 0x01, 0x01, field(0x01, text)));
}

} // namespace FlashFrames
