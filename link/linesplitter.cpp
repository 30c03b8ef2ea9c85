#include "link/linesplitter.h"

#include <algorithm>

LineSplitter::LineSplitter(int maxLineBytes)
    : m_maxLine(std::max(1, maxLineBytes))
{
}

QList<QByteArray> LineSplitter::feed(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    const int size = chunk.size();
    int from = 0;
    while (from < size) {
        const int lf = chunk.indexOf('\n', from);
        const int end = lf < 0 ? size : lf + 1;
        if (m_rest.isEmpty() && lf >= 0 && end - from <= m_maxLine) {
            lines.append(chunk.mid(from, end - from));
            from = end;
            continue;
        }
        while (from < end) {
            const int take = std::min(m_maxLine - m_rest.size(), end - from);
            m_rest.append(chunk.constData() + from, take);
            from += take;
            if (m_rest.size() >= m_maxLine || (lf >= 0 && from == end)) {
                lines.append(m_rest);
                m_rest.clear();
            }
        }
    }
    return lines;
}

QByteArray LineSplitter::takeRest()
{
    QByteArray rest;
    rest.swap(m_rest);
    return rest;
}
