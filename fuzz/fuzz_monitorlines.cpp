// The monitor's captured lines: the splitter's properties (splitcheck.h),
// the queue's bounds, and every captured line can be formatted for the view.
#include "fuzz/splitcheck.h"
#include "link/framecodec.h"
#include "monitor/monitorlines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    int bound = 0;
    const QList<QByteArray> lines = checkSplitting(data, size, &bound);

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

    const QDateTime now(QDate(2026, 12, 8), QTime(18, 0));
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(formatMonitorLine(line, MonitorFormat::Original, now) == decodeDeviceText(line));
        FUZZ_CHECK(formatMonitorLine(line, MonitorFormat::Hex, now).endsWith(QStringLiteral("\r\n")));
        const QString both = formatMonitorLine(line, MonitorFormat::OriginalHex, now);
        // The flattened text keeps the view at one line per capture.
        FUZZ_CHECK(both.count(QLatin1Char('\n')) == 1 && both.endsWith(QStringLiteral(" )\r\n")));
    }
    FUZZ_CHECK(formatMonitorLine(QByteArray(), MonitorFormat::OriginalHex, now).isEmpty());
    return 0;
}
