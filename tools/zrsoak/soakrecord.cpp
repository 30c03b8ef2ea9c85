#include "tools/zrsoak/soakrecord.h"

#include <QMap>
#include <QTextStream>

#include <algorithm>

namespace {

QString escape(QString s)
{
    return s.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

QString unescape(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] != QLatin1Char('\\') || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        out += c == QLatin1Char('t') ? QChar('\t') : c == QLatin1Char('n') ? QChar('\n') : c == QLatin1Char('r') ? QChar('\r') : c;
    }
    return out;
}

// The link texts every request-and-reply exchange can end with.
const QStringList &linkTexts()
{
    static const QStringList texts{QStringLiteral("发送命令超时"), QStringLiteral("接收数据超时"),
                                   QStringLiteral("CRC校验错误"), QStringLiteral("未定义的错误")};
    return texts;
}

qint64 median(QList<qint64> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

} // namespace

QString SoakRecord::verdictName(Verdict v)
{
    switch (v) {
    case Ok:
        return QStringLiteral("ok");
    case KnownError:
        return QStringLiteral("error");
    case Unexpected:
        return QStringLiteral("UNEXPECTED");
    case WrongData:
        return QStringLiteral("WRONG-DATA");
    case Stale:
        return QStringLiteral("STALE");
    }
    return QString();
}

QByteArray SoakRecord::toLine() const
{
    const QStringList fields{QStringLiteral("R"), escape(kind), escape(outcome), QString::number(int(verdict)),
                             QString::number(ms), QString::number(boundMs), escape(detail),
                             QString::number(longWait ? 1 : 0)};
    return fields.join(QLatin1Char('\t')).toUtf8() + '\n';
}

bool SoakRecord::fromLine(const QByteArray &line, SoakRecord *out)
{
    const QStringList f = QString::fromUtf8(line).trimmed().split(QLatin1Char('\t'));
    if (f.size() != 8 || f[0] != QLatin1String("R"))
        return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    const int verdict = f[3].toInt(&ok1);
    out->kind = unescape(f[1]);
    out->outcome = unescape(f[2]);
    out->ms = f[4].toLongLong(&ok2);
    out->boundMs = f[5].toLongLong(&ok3);
    out->detail = unescape(f[6]);
    out->longWait = f[7] == QLatin1String("1");
    if (!ok1 || !ok2 || !ok3 || verdict < Ok || verdict > Stale)
        return false;
    out->verdict = static_cast<Verdict>(verdict);
    return true;
}

bool SoakTexts::contains(const QString &text) const
{
    if (exact.contains(text))
        return true;
    return std::any_of(prefixes.begin(), prefixes.end(), [&text](const QString &p) { return text.startsWith(p); });
}

QString SoakTexts::normalised(const QString &text) const
{
    if (exact.contains(text))
        return text;
    for (const QString &p : prefixes) {
        if (text.startsWith(p))
            return p + QStringLiteral("…");
    }
    return text;
}

SoakTexts SoakTexts::refresh()
{
    SoakTexts t;
    t.exact = linkTexts();
    t.exact << QStringLiteral("串口打开失败");
    t.prefixes << QStringLiteral("数据长度校验错误 : \n") << QStringLiteral("地址或命令校验错误: \n")
               << QStringLiteral("打开串口失败: ");
    return t;
}

SoakTexts SoakTexts::write()
{
    SoakTexts t;
    t.exact = linkTexts();
    t.exact << QStringLiteral("硬件返回数据校验错误") << QStringLiteral("写入错误,连接设备失败");
    return t;
}

SoakTexts SoakTexts::flash()
{
    SoakTexts t;
    t.exact << QStringLiteral("固件更新失败,获取设备ID失败!") << QStringLiteral("固件更新失败,BIN文件与设备型号不一致!")
            << QStringLiteral("固件更新失败,擦除设备内存失败!") << QStringLiteral("固件更新失败,发送文件数据失败!")
            << QStringLiteral("固件更新失败,串口打开失败");
    t.prefixes << QStringLiteral("固件更新失败,打开串口失败: ") << QStringLiteral("固件更新失败,重试打开串口失败 ：");
    return t;
}

void SoakTally::add(const SoakRecord &r)
{
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [&r](const Row &row) {
        return row.kind == r.kind && row.outcome == r.outcome && row.verdict == r.verdict;
    });
    if (it == m_rows.end()) {
        Row row;
        row.kind = r.kind;
        row.outcome = r.outcome;
        row.verdict = r.verdict;
        m_rows.append(row);
        it = m_rows.end() - 1;
    }
    it->ms.append(r.ms);
    it->boundMs = std::max(it->boundMs, r.boundMs);
    if (r.overlong())
        ++it->overlong;
    if (r.failing()) {
        ++m_failures;
        m_failing.append(r);
    } else if (r.verdict == SoakRecord::Stale) {
        m_stale.append(r);
    }
}

int SoakTally::count(const QString &kind) const
{
    int n = 0;
    for (const Row &row : m_rows) {
        if (row.kind == kind)
            n += row.ms.size();
    }
    return n;
}

QString SoakTally::table(int maxListed) const
{
    static const QStringList order{QStringLiteral("refresh"), QStringLiteral("write"), QStringLiteral("page"),
                                   QStringLiteral("flash"), QStringLiteral("process")};
    QList<Row> rows = m_rows;
    std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        const int ka = order.indexOf(a.kind), kb = order.indexOf(b.kind);
        if (ka != kb)
            return ka < kb;
        return a.ms.size() > b.ms.size();
    });
    QString out;
    QTextStream s(&out);
    s << QStringLiteral("%1 %2 %3 %4 %5 %6  %7\n")
             .arg(QStringLiteral("kind"), -8)
             .arg(QStringLiteral("count"), 6)
             .arg(QStringLiteral("median ms"), 10)
             .arg(QStringLiteral("max ms"), 8)
             .arg(QStringLiteral("bound ms"), 9)
             .arg(QStringLiteral("verdict"), -10)
             .arg(QStringLiteral("outcome"));
    QString kind;
    for (const Row &row : qAsConst(rows)) {
        if (!kind.isEmpty() && row.kind != kind)
            s << QStringLiteral("%1 %2\n").arg(QString(), -8).arg(count(kind), 6);
        kind = row.kind;
        QString verdict = SoakRecord::verdictName(row.verdict);
        if (row.overlong)
            verdict += QStringLiteral(" +%1 OVERLONG").arg(row.overlong);
        QString outcome = row.outcome;
        outcome.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        s << QStringLiteral("%1 %2 %3 %4 %5 %6  %7\n")
                 .arg(row.kind, -8)
                 .arg(row.ms.size(), 6)
                 .arg(median(row.ms), 10)
                 .arg(*std::max_element(row.ms.begin(), row.ms.end()), 8)
                 .arg(row.boundMs, 9)
                 .arg(verdict, -10)
                 .arg(outcome);
    }
    if (!kind.isEmpty())
        s << QStringLiteral("%1 %2\n").arg(QString(), -8).arg(count(kind), 6);
    // A few late answers for the reader to see what they look like.
    for (int i = 0; i < m_stale.size() && i < 5; ++i) {
        const SoakRecord &r = m_stale.at(i);
        s << QStringLiteral("STALE %1 %2 ms: %3\n").arg(r.kind).arg(r.ms).arg(r.detail);
    }
    int listed = 0;
    for (const SoakRecord &r : m_failing) {
        if (listed++ == maxListed) {
            s << QStringLiteral("... %1 more\n").arg(m_failing.size() - maxListed);
            break;
        }
        QString outcome = r.outcome;
        outcome.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        s << QStringLiteral("%1 %2 %3 ms (bound %4): %5 %6\n")
                 .arg(r.overlong() ? QStringLiteral("OVERLONG") : SoakRecord::verdictName(r.verdict), r.kind)
                 .arg(r.ms)
                 .arg(r.boundMs)
                 .arg(outcome, r.detail);
    }
    return out;
}
