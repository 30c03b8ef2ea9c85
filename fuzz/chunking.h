#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// Cuts `stream` into chunks whose sizes (1-64 bytes, or an empty chunk) come
// from the first four input bytes, so libFuzzer explores the chunkings as
// well as the bytes.
inline QList<QByteArray> fuzzChunks(const uint8_t *data, size_t size, QByteArray *stream)
{
    quint32 state = 0x9E3779B9u;
    for (size_t i = 0; i < 4 && i < size; ++i)
        state = state * 31 + data[i];
    const size_t skip = size < 4 ? size : 4;
    *stream = QByteArray(reinterpret_cast<const char *>(data + skip), static_cast<int>(size - skip));
    QList<QByteArray> chunks;
    int at = 0;
    while (at < stream->size()) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const int n = (state & 0x40) ? 0 : int(state % 64) + 1;
        chunks << stream->mid(at, n);
        at += n;
    }
    return chunks;
}
