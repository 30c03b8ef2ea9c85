#include "tools/zrsim/simfaults.h"
#include "tools/zrsim/simfeature.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

bool parseRate(const QCommandLineParser &parser, const QString &name, double *out, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double v = parser.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0.0 || v > 1.0) {
        *error = QStringLiteral("--%1 needs a probability from 0 to 1, e.g. 0.01").arg(name);
        return false;
    }
    *out = v;
    return true;
}

} // namespace

QString SimFaultPlan::describe() const
{
    QStringList parts;
    if (drop)
        parts << QStringLiteral("drop");
    if (corruptCrc)
        parts << QStringLiteral("crc");
    if (extraDelayMs > 0)
        parts << QStringLiteral("delay %1 ms").arg(extraDelayMs);
    if (!cuts.isEmpty())
        parts << QStringLiteral("split %1").arg(cuts.size() + 1);
    return parts.join(QLatin1String(", "));
}

void SimRandomFaults::addOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("fault-seed"),
                      QStringLiteral("Seed of the random faults below (default 1). The same seed and the same "
                                     "requests give the same faults."),
                      QStringLiteral("N")});
    parser.addOption({QStringLiteral("drop-rate"),
                      QStringLiteral("Probability (0-1) that a reply is never sent."), QStringLiteral("P")});
    parser.addOption({QStringLiteral("crc-rate"),
                      QStringLiteral("Probability (0-1) that a reply gets a wrong CRC (the inner frame's in an "
                                     "envelope)."),
                      QStringLiteral("P")});
    parser.addOption({QStringLiteral("split-rate"),
                      QStringLiteral("Probability (0-1) that a reply goes out in 2 or 3 pieces at random cuts, "
                                     "up to --split-gap-max ms apart."),
                      QStringLiteral("P")});
    parser.addOption({QStringLiteral("split-gap-max"),
                      QStringLiteral("Longest pause between the pieces of a randomly split reply (default 50 ms)."),
                      QStringLiteral("MS")});
    parser.addOption({QStringLiteral("delay-rate"),
                      QStringLiteral("Probability (0-1) that a reply is held back by a random 1..--delay-max ms."),
                      QStringLiteral("P")});
    parser.addOption({QStringLiteral("delay-max"),
                      QStringLiteral("Longest random delay (default 6000 ms, beyond the program's 3000 and 5000 "
                                     "ms reply timeouts, so that some delays become timeouts)."),
                      QStringLiteral("MS")});
}

bool SimRandomFaults::configure(const QCommandLineParser &parser, QString *error)
{
    if (parser.isSet(QStringLiteral("fault-seed"))) {
        bool ok = false;
        m_state = parser.value(QStringLiteral("fault-seed")).toULongLong(&ok);
        if (!ok) {
            *error = QStringLiteral("--fault-seed needs a number from 0 to 18446744073709551615");
            return false;
        }
    }
    return parseRate(parser, QStringLiteral("drop-rate"), &m_dropRate, error)
           && parseRate(parser, QStringLiteral("crc-rate"), &m_crcRate, error)
           && parseRate(parser, QStringLiteral("split-rate"), &m_splitRate, error)
           && parseRate(parser, QStringLiteral("delay-rate"), &m_delayRate, error)
           && parseBoundedOption(parser, QStringLiteral("delay-max"), 1, kMaxDelayMs, "milliseconds",
                                 &m_delayMaxMs, error)
           && parseBoundedOption(parser, QStringLiteral("split-gap-max"), 0, kMaxDelayMs, "milliseconds",
                                 &m_splitGapMaxMs, error);
}

// splitmix64: tiny, well mixed, and the same everywhere.
quint64 SimRandomFaults::draw()
{
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double SimRandomFaults::unit()
{
    return static_cast<double>(draw() >> 11) * (1.0 / 9007199254740992.0);
}

int SimRandomFaults::upTo(int max)
{
    const quint64 d = draw();
    return max <= 0 ? 0 : static_cast<int>(d % static_cast<quint64>(max + 1));
}

SimFaultPlan SimRandomFaults::next()
{
    // Always ten draws, in this order, so a decision never shifts the
    // pattern of the replies after it.
    const double uDrop = unit();
    const double uCrc = unit();
    const double uDelay = unit();
    const int delay = 1 + upTo(m_delayMaxMs - 1);
    const double uSplit = unit();
    const bool three = (draw() & 1) != 0;
    double c1 = unit();
    double c2 = unit();
    const int g1 = upTo(m_splitGapMaxMs);
    const int g2 = upTo(m_splitGapMaxMs);

    SimFaultPlan plan;
    plan.drop = uDrop < m_dropRate;
    plan.corruptCrc = uCrc < m_crcRate;
    if (uDelay < m_delayRate)
        plan.extraDelayMs = delay;
    if (uSplit < m_splitRate) {
        if (c1 > c2)
            std::swap(c1, c2);
        plan.cuts << c1;
        plan.gapsMs << g1;
        if (three) {
            plan.cuts << c2;
            plan.gapsMs << g2;
        }
    }
    return plan;
}

QList<QByteArray> SimRandomFaults::splitBytes(const QByteArray &bytes, const QList<double> &cuts)
{
    QList<QByteArray> pieces;
    int from = 0;
    for (double cut : cuts) {
        // Each piece keeps at least one byte, and so does the rest.
        const int remainingCuts = cuts.size() - pieces.size();
        const int lo = from + 1;
        const int hi = bytes.size() - remainingCuts;
        if (lo > hi)
            break;
        const int at = qBound(lo, static_cast<int>(cut * bytes.size()), hi);
        pieces << bytes.mid(from, at - from);
        from = at;
    }
    pieces << bytes.mid(from);
    return pieces;
}
