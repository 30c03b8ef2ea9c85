// HistoryLineSplitter: the same bytes in any chunking give the same lines
// and rest as in one piece, and every byte ends up in exactly one of them.
#include "fuzz/chunking.h"
#include "fuzz/fuzzcheck.h"
#include "history/historylines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    QByteArray stream;
    const QList<QByteArray> chunks = fuzzChunks(data, size, &stream);

    HistoryLineSplitter whole;
    const QList<QByteArray> expected = whole.feed(stream);
    FUZZ_CHECK(whole.hasRest() == (!stream.isEmpty() && !stream.endsWith('\n')));
    const QByteArray expectedRest = whole.takeRest();
    FUZZ_CHECK(!whole.hasRest());

    HistoryLineSplitter pieces;
    QList<QByteArray> lines;
    QByteArray fed;
    for (const QByteArray &chunk : chunks) {
        lines += pieces.feed(chunk);
        fed += chunk;
        FUZZ_CHECK(pieces.hasRest() == (!fed.isEmpty() && !fed.endsWith('\n')));
    }
    const QByteArray rest = pieces.takeRest();
    FUZZ_CHECK(lines == expected);
    FUZZ_CHECK(rest == expectedRest);
    FUZZ_CHECK(!rest.contains('\n'));

    QByteArray joined;
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(line.endsWith('\n') && line.count('\n') == 1);
        joined += line;
    }
    FUZZ_CHECK(joined + rest == stream);
    // After clear() the splitter starts afresh.
    pieces.feed(stream.left(3));
    pieces.clear();
    FUZZ_CHECK(!pieces.hasRest() && pieces.feed(stream) == expected);
    return 0;
}
