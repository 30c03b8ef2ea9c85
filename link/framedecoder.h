#pragma once

#include <QByteArray>
#include <QString>

// Names a frame in the protocol's terms: "item read 3", "item reply
// 3 name:value", "flash page 7", ... Pure: no state, safe on any thread;
// takes any bytes. `sent` is the direction (to the instrument or from it);
// `request` is the plain request the frame answers, when known, which tells
// an item reply from a write reply.
QString explainFrame(const QByteArray &bytes, bool sent, const QByteArray &request = QByteArray());

// The plain frame of a valid envelope (either CRC order), else empty.
QByteArray envelopeInner(const QByteArray &bytes);
