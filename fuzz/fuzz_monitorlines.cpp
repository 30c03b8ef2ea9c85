// MonitorLineSplitter: the same bytes in any chunking give the same lines
// and rest as in one piece, and every byte ends up in exactly one of them;
// every captured line can be formatted for the view.
#include "fuzz/chunking.h"
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"
#include "monitor/monitorlines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    QByteArray stream;
    const QList<QByteArray> chunks = fuzzChunks(data, size, &stream);

    MonitorLineSplitter whole;
    const QList<QByteArray> expected = whole.feed(stream);
    const QByteArray expectedRest = whole.rest();
    FUZZ_CHECK(expectedRest.isEmpty() == (stream.isEmpty() || stream.endsWith('\n')));

    MonitorLineSplitter pieces;
    QList<QByteArray> lines;
    QByteArray fed;
    for (const QByteArray &chunk : chunks) {
        lines += pieces.feed(chunk);
        fed += chunk;
        FUZZ_CHECK(pieces.rest().isEmpty() == (fed.isEmpty() || fed.endsWith('\n')));
    }
    FUZZ_CHECK(lines == expected);
    FUZZ_CHECK(pieces.rest() == expectedRest);
    FUZZ_CHECK(!expectedRest.contains('\n'));

    QByteArray joined;
    const QDateTime now(QDate(2026, 12, 8), QTime(18, 0));
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(line.endsWith('\n') && line.count('\n') == 1);
        joined += line;
        FUZZ_CHECK(formatMonitorLine(line, MonitorFormat::Original, now) == decodeDeviceText(line));
        FUZZ_CHECK(formatMonitorLine(line, MonitorFormat::Hex, now).endsWith(QStringLiteral("\r\n")));
        const QString both = formatMonitorLine(line, MonitorFormat::OriginalHex, now);
        // The flattened text keeps the view at one line per capture.
        FUZZ_CHECK(both.count(QLatin1Char('\n')) == 1 && both.endsWith(QStringLiteral(" )\r\n")));
    }
    FUZZ_CHECK(joined + pieces.rest() == stream);
    FUZZ_CHECK(formatMonitorLine(QByteArray(), MonitorFormat::OriginalHex, now).isEmpty());
    pieces.clear();
    FUZZ_CHECK(pieces.rest().isEmpty() && pieces.feed(stream) == expected);
    return 0;
}
