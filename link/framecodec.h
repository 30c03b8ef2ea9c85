#pragma once

#include <QByteArray>
#include <QString>

// Byte-level building blocks of every instrument exchange. Pure functions:
// no I/O, no state; safe on any thread.

quint16 crc16Modbus(const char *data, int length);
inline quint16 crc16Modbus(const QByteArray &data) { return crc16Modbus(data.constData(), data.size()); }

// Appends the CRC of everything in `frame`, low byte first (Modbus order).
void appendCrcLowFirst(QByteArray &frame);

// True when the last two bytes hold the CRC of the bytes before them.
bool checkFrameCrc(const char *frame, int length, bool highByteFirst);
inline bool checkFrameCrc(const QByteArray &frame, bool highByteFirst)
{
    return checkFrameCrc(frame.constData(), frame.size(), highByteFirst);
}

bool isReplyComplete(const QByteArray &reply, quint8 deviceAddress, bool encrypt, bool highByteFirst);

// The longest a reply that starts like `reply` can validly grow, judged by
// the same rules as isReplyComplete: a counted reply its count + 5 (at most
// 260), an envelope its length field + 6, a delimited frame (and anything
// else) kMaxDelimitedReply. Bytes past it are never a reply.
constexpr int kMaxCountedReply = 255 + 5;
constexpr int kMaxEnvelope = 0xFFFF + 6;
// The flash replies are short (erase 29 bytes, a page at most 27); the
// identify reply is free text, a line or two. Twice a flash page leaves a
// wide margin.
constexpr int kMaxDelimitedReply = 2048;
int maxReplySize(const QByteArray &reply, quint8 deviceAddress, bool encrypt);

QByteArray encryptEnvelope(const QByteArray &plain);
// The inner frame, or `received` unchanged when it is not a valid envelope.
QByteArray decryptEnvelope(const QByteArray &received, bool highByteFirst);

QByteArray buildItemReadRequest(quint8 deviceAddress, quint8 itemIndex);
QByteArray buildTextWriteRequest(quint8 deviceAddress, quint8 itemNumber, const QString &text);
// 0x7E, body, CRC high, CRC low, 0x7F; the CRC covers the 0x7E and the body.
QByteArray buildDelimitedFrame(const QByteArray &body);

QString decodeDeviceText(const char *bytes, int length);
inline QString decodeDeviceText(const QByteArray &bytes) { return decodeDeviceText(bytes.constData(), bytes.size()); }
QByteArray encodeDeviceText(const QString &text);
// The position of the first character of `text` that cannot reach the
// instrument as it is: a control character, or one that neither GB2312 nor
// Latin-1 carries (encodeDeviceText would send it as '?'); -1 when the whole
// text goes out exactly. Checked before anything is sent.
int uncarriableDeviceChar(const QString &text);

QString hexDump(const QByteArray &bytes);

// The fixed key and initialisation vector of the link envelope.
QByteArray linkKey();
QByteArray linkIv();
