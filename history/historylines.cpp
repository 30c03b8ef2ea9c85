#include "history/historylines.h"

QList<QByteArray> HistoryLineSplitter::feed(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    int from = 0;
    for (;;) {
        const int lf = chunk.indexOf('\n', from);
        if (lf < 0)
            break;
        if (m_rest.isEmpty()) {
            lines.append(chunk.mid(from, lf + 1 - from));
        } else {
            m_rest.append(chunk.constData() + from, lf + 1 - from);
            lines.append(m_rest);
            m_rest.clear();
        }
        from = lf + 1;
    }
    if (from < chunk.size())
        m_rest.append(chunk.constData() + from, chunk.size() - from);
    return lines;
}

QByteArray HistoryLineSplitter::takeRest()
{
    QByteArray rest;
    rest.swap(m_rest);
    return rest;
}
