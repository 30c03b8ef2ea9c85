#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

class QCommandLineParser;

// What happens to one reply under the random faults.
struct SimFaultPlan {
    bool drop = false;
    bool corruptCrc = false;
    int extraDelayMs = 0;
    // Cut points as fractions of each reply chunk (empty: sent whole) and
    // the pause before each further piece.
    QList<double> cuts;
    QList<int> gapsMs;

    bool any() const { return drop || corruptCrc || extraDelayMs > 0 || !cuts.isEmpty(); }
    QString describe() const;
};

// Seeded random faults for soak runs. The generator is our own (not a
// standard distribution, whose output differs between libraries) and every
// reply takes the same number of draws whatever is decided, so one seed and
// one request sequence give one fault pattern on every platform.
class SimRandomFaults
{
public:
    static constexpr int kDefaultDelayMaxMs = 6000;
    static constexpr int kDefaultSplitGapMaxMs = 50;
    static constexpr int kMaxDelayMs = 60000;

    static void addOptions(QCommandLineParser &parser);
    bool configure(const QCommandLineParser &parser, QString *error);

    bool enabled() const { return m_dropRate > 0 || m_crcRate > 0 || m_delayRate > 0 || m_splitRate > 0; }
    SimFaultPlan next();

    // The pieces of `bytes` for a plan's cuts: never an empty piece.
    static QList<QByteArray> splitBytes(const QByteArray &bytes, const QList<double> &cuts);

private:
    quint64 draw();
    double unit();
    int upTo(int max);

    quint64 m_state = 1;
    double m_dropRate = 0;
    double m_crcRate = 0;
    double m_delayRate = 0;
    double m_splitRate = 0;
    int m_delayMaxMs = kDefaultDelayMaxMs;
    int m_splitGapMaxMs = kDefaultSplitGapMaxMs;
};
