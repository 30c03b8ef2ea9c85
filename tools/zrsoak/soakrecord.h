#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One soak operation as the child processes report it to the parent, one
// line each on stdout.
struct SoakRecord {
    enum Verdict {
        Ok,             // success, and the data checked out
        KnownError, // failed with one of the system's own texts
        Unexpected,     // any other outcome (or a hang, or a crash)
        WrongData,      // reported success, but the instrument got or gave other data
        // The answer to another request, come late: item replies carry no
        // item number, so a reply delayed beyond its timeout can be taken
        // for a later request. Counted, not failing.
        Stale,
    };

    QString kind;    // refresh, write, flash, page
    QString outcome; // "ok", or the system's text (hex dumps shortened)
    Verdict verdict = Ok;
    qint64 ms = 0;
    qint64 boundMs = 0; // the longest wait the timeouts allow, tolerance included
    QString detail;
    // One wait inside the operation (an item, a page) outlasted its bound.
    bool longWait = false;

    bool overlong() const { return longWait || (boundMs > 0 && ms > boundMs); }
    bool failing() const { return verdict == Unexpected || verdict == WrongData || overlong(); }

    QByteArray toLine() const;
    static bool fromLine(const QByteArray &line, SoakRecord *out);
    static QString verdictName(Verdict v);
};

// The system's error texts for each kind of operation, as the workers
// emit them; a text that starts with one of the prefixes is specified too
// (it carries a hex dump or a port name).
struct SoakTexts {
    QStringList exact;
    QStringList prefixes;

    bool contains(const QString &text) const;
    // The text with its variable tail cut off, for counting.
    QString normalised(const QString &text) const;

    static SoakTexts refresh();
    static SoakTexts write();
    static SoakTexts flash();
};

// Counts per kind and outcome, with durations, printed as a table.
class SoakTally
{
public:
    void add(const SoakRecord &r);
    int failures() const { return m_failures; }
    int count(const QString &kind) const;
    // The table and the list of failing records (at most `maxListed`).
    QString table(int maxListed = 40) const;

private:
    struct Row {
        QString kind;
        QString outcome;
        SoakRecord::Verdict verdict = SoakRecord::Ok;
        QList<qint64> ms;
        qint64 boundMs = 0;
        int overlong = 0;
    };
    QList<Row> m_rows;
    QList<SoakRecord> m_failing;
    QList<SoakRecord> m_stale;
    int m_failures = 0;
};
