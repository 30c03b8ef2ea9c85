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

QString hexDump(const QByteArray &bytes);

// The fixed key and initialisation vector of the link envelope.
QByteArray linkKey();
QByteArray linkIv();
