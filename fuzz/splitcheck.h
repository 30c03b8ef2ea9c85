#pragma once

#include "fuzz/chunking.h"
#include "fuzz/fuzzcheck.h"
#include "link/linesplitter.h"

// LineSplitter over the input's stream in one piece and in its chunks
// (fuzzChunks): the same lines and rest either way, every byte in exactly
// one of them, neither a line nor the rest ever over the bound, and a fresh
// start after clear(). The first byte picks a small bound, so that inputs
// reach it; 0 keeps the default. Returns the lines (the bound in *bound) for
// the caller's own checks.
inline QList<QByteArray> checkSplitting(const uint8_t *data, size_t size, int *boundOut = nullptr)
{
    const int bound = size > 0 && data[0] ? 1 + data[0] % 64 : LineSplitter::kDefaultMaxLineBytes;
    if (boundOut)
        *boundOut = bound;
    QByteArray stream;
    const QList<QByteArray> chunks = fuzzChunks(data, size, &stream);
    LineSplitter whole(bound);
    const QList<QByteArray> expected = whole.feed(stream);
    const QByteArray expectedRest = whole.takeRest();
    FUZZ_CHECK(!whole.hasRest());

    LineSplitter pieces(bound);
    QList<QByteArray> lines;
    QByteArray fed;
    for (const QByteArray &chunk : chunks) {
        lines += pieces.feed(chunk);
        fed += chunk;
        FUZZ_CHECK(!fed.endsWith('\n') || !pieces.hasRest());
        FUZZ_CHECK(pieces.rest().size() < bound);
    }
    FUZZ_CHECK(lines == expected);
    FUZZ_CHECK(pieces.rest() == expectedRest);
    FUZZ_CHECK(!expectedRest.contains('\n') && expectedRest.size() < bound);

    QByteArray joined;
    for (const QByteArray &line : lines) {
        // Ended by its line feed, or cut at the bound.
        FUZZ_CHECK(line.size() <= bound);
        FUZZ_CHECK(line.endsWith('\n') ? line.count('\n') == 1 : line.size() == bound && !line.contains('\n'));
        joined += line;
    }
    FUZZ_CHECK(joined + expectedRest == stream);

    pieces.feed(stream.left(3));
    pieces.clear();
    FUZZ_CHECK(whole.feed(QByteArray()).isEmpty());
    FUZZ_CHECK(!pieces.hasRest() && pieces.feed(stream) == expected);
    return lines;
}
