// The history answer's lines: the splitter's properties (splitcheck.h), and
// the view holds line feeds only, each CR LF, CR or LF one of them.
#include "fuzz/splitcheck.h"
#include "history/historylines.h"
#include "link/framecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const QList<QByteArray> lines = checkSplitting(data, size);

    for (const QByteArray &line : lines) {
        const QString decoded = decodeDeviceText(line);
        const QString view = historyViewText(decoded);
        FUZZ_CHECK(!view.contains(QLatin1Char('\r')));
        FUZZ_CHECK(view.count(QLatin1Char('\n'))
                   == decoded.count(QLatin1Char('\n')) + decoded.count(QLatin1Char('\r'))
                          - decoded.count(QStringLiteral("\r\n")));
    }
    return 0;
}
