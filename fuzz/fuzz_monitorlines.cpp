// MonitorLineSplitter: the same bytes in any chunking give the same lines
// and rest as in one piece, every byte ends up in exactly one of them, and
// nothing outgrows the line bound; every captured line can be formatted for
// the view.
#include "fuzz/chunking.h"
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"
#include "monitor/monitorlines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const int bound = size > 0 && data[0] ? 1 + data[0] % 64 : MonitorLineSplitter::kDefaultMaxLineBytes;
    QByteArray stream;
    const QList<QByteArray> chunks = fuzzChunks(data, size, &stream);

    MonitorLineSplitter whole(bound);
    const QList<QByteArray> expected = whole.feed(stream);
    const QByteArray expectedRest = whole.rest();

    MonitorLineSplitter pieces(bound);
    QList<QByteArray> lines;
    QByteArray fed;
    for (const QByteArray &chunk : chunks) {
        lines += pieces.feed(chunk);
        fed += chunk;
        FUZZ_CHECK(!fed.endsWith('\n') || pieces.rest().isEmpty());
        FUZZ_CHECK(pieces.rest().size() < bound);
    }
    FUZZ_CHECK(lines == expected);
    FUZZ_CHECK(pieces.rest() == expectedRest);
    FUZZ_CHECK(!expectedRest.contains('\n'));

    // The queue between capture and view: never over its limit, and every
    // line is either handed on in order or counted as dropped.
    MonitorLineQueue queue;
    const int limit = 1 + bound % 7;
    queue.setLimits(limit, qint64(limit) * bound);
    QList<QByteArray> handed;
    qint64 dropped = 0;
    for (int i = 0; i < lines.size(); ++i) {
        bool wake = false;
        queue.push(lines.at(i), &wake);
        FUZZ_CHECK(queue.size() <= limit);
        if (i % 3 == 2) {
            bool more = true;
            for (const MonitorLineQueue::Entry &e : queue.take(2, &more)) {
                if (e.line.isEmpty())
                    dropped += e.dropped;
                else
                    handed << e.line;
            }
        }
    }
    for (bool more = true; more;) {
        for (const MonitorLineQueue::Entry &e : queue.take(1, &more)) {
            if (e.line.isEmpty())
                dropped += e.dropped;
            else
                handed << e.line;
        }
    }
    FUZZ_CHECK(handed.size() + dropped == lines.size() && queue.size() == 0);

    QByteArray joined;
    const QDateTime now(QDate(2026, 12, 8), QTime(18, 0));
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(line.size() <= bound);
        FUZZ_CHECK(line.endsWith('\n') ? line.count('\n') == 1 : line.size() == bound && !line.contains('\n'));
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
