#pragma once

#include <QByteArray>

// Delimited frames of the flash programming exchange.
namespace FlashFrames {

constexpr int pageSize = 1024;

QByteArray identifyRequest();
// The image length travels little-endian, unlike every other number.
QByteArray eraseRequest(quint32 imageLength);
// `data` must point at pageSize readable bytes.
QByteArray pageRequest(const char *data, quint8 pageNumber);
QByteArray leaveRequest();

QByteArray eraseReply();
QByteArray pageReply(quint8 pageNumber);

} // namespace FlashFrames
