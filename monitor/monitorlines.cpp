#include "monitor/monitorlines.h"

#include "link/framecodec.h"

QList<QByteArray> MonitorLineSplitter::feed(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    int from = 0;
    for (;;) {
        const int lf = bytes.indexOf('\n', from);
        if (lf < 0)
            break;
        m_rest.append(bytes.constData() + from, lf + 1 - from);
        lines.append(m_rest);
        m_rest.clear();
        from = lf + 1;
    }
    if (from < bytes.size())
        m_rest.append(bytes.constData() + from, bytes.size() - from);
    return lines;
}

QString monitorLinePrefix(const QByteArray &line, const QDateTime &now)
{
    return QStringLiteral("%1[%2] : ")
        .arg(now.toString(QStringLiteral("[yyyy-MM-dd hh:mm:ss.zzz]")))
        .arg(line.size());
}

QString formatMonitorLine(const QByteArray &line, MonitorFormat format, const QDateTime &now)
{
    if (line.isEmpty())
        return QString();
    switch (format) {
    case MonitorFormat::Original:
        return decodeDeviceText(line);
    case MonitorFormat::Hex:
        return monitorLinePrefix(line, now) + hexDump(line) + QStringLiteral("\r\n");
    case MonitorFormat::OriginalHex: {
        QString flat = decodeDeviceText(line).trimmed();
        flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
        flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return monitorLinePrefix(line, now) + flat + QStringLiteral(" ( ") + hexDump(line)
               + QStringLiteral(" )\r\n");
    }
    }
    return QString();
}
