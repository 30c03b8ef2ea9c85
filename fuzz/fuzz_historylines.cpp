// HistoryLineSplitter: the same bytes in any chunking give the same lines
// and rest as in one piece, every byte ends up in exactly one of them, and
// neither a line nor the rest ever outgrows the line bound.
#include "fuzz/chunking.h"
#include "fuzz/fuzzcheck.h"
#include "history/historylines.h"
#include "link/framecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    // The first byte picks a small bound, so that inputs reach it; 0 keeps
    // the default.
    const int bound = size > 0 && data[0] ? 1 + data[0] % 64 : HistoryLineSplitter::kDefaultMaxLineBytes;
    QByteArray stream;
    const QList<QByteArray> chunks = fuzzChunks(data, size, &stream);

    HistoryLineSplitter whole(bound);
    const QList<QByteArray> expected = whole.feed(stream);
    const QByteArray expectedRest = whole.takeRest();
    FUZZ_CHECK(!whole.hasRest());

    HistoryLineSplitter pieces(bound);
    QList<QByteArray> lines;
    QByteArray fed;
    for (const QByteArray &chunk : chunks) {
        lines += pieces.feed(chunk);
        fed += chunk;
        FUZZ_CHECK(!fed.endsWith('\n') || !pieces.hasRest());
    }
    const QByteArray rest = pieces.takeRest();
    FUZZ_CHECK(lines == expected);
    FUZZ_CHECK(rest == expectedRest);
    FUZZ_CHECK(!rest.contains('\n') && rest.size() < bound);

    QByteArray joined;
    for (const QByteArray &line : lines) {
        // Ended by its line feed, or cut at the bound.
        FUZZ_CHECK(line.size() <= bound && line.count('\n') <= 1);
        FUZZ_CHECK(line.endsWith('\n') ? line.count('\n') == 1 : line.size() == bound);
        // The view holds line feeds only: each CR LF, CR or LF one of them.
        const QString decoded = decodeDeviceText(line);
        const QString view = historyViewText(decoded);
        FUZZ_CHECK(!view.contains(QLatin1Char('\r')));
        FUZZ_CHECK(view.count(QLatin1Char('\n'))
                   == decoded.count(QLatin1Char('\n')) + decoded.count(QLatin1Char('\r'))
                          - decoded.count(QStringLiteral("\r\n")));
        joined += line;
    }
    FUZZ_CHECK(joined + rest == stream);
    // After clear() the splitter starts afresh.
    pieces.feed(stream.left(3));
    pieces.clear();
    FUZZ_CHECK(whole.feed(QByteArray()).isEmpty());
    FUZZ_CHECK(!pieces.hasRest() && pieces.feed(stream) == expected);
    return 0;
}
