#pragma once

#include "items/itemrules.h"
#include "items/skiptable.h"
#include "settings/linksettings.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <functional>

class QThread;
struct CliTarget;

// One instrument of the plant view: where it is and what was last learnt
// about it. Owned by the GUI thread; workers get copies of what they need.
struct FleetInstrument {
    enum State { Waiting, Running, Ok, NoAnswer, Error, Skipped, NotStarted };
    QString name;
    LinkSettings link;
    bool checked = true;
    State state = Waiting;
    QString progress; // what the running job does now
    QString message;  // the last job's result
    QString station, model, version;
    QList<ItemRow> rows; // the last complete read
    bool haveRows = false;
    QDateTime lastBackup;
    QString lastBackupPath;
};

// What a fleet job does with one instrument. Every one runs through the
// same core functions the single-instrument window and zrvu-cli use.
enum class FleetAction { Read, Backup, Write, Restore, ClockSync, Flash, Export };

struct FleetJobOptions {
    SkipTable table;
    QString backupDir; // Backups/ of the working folder unless set
    int backupKeep = 50;
    bool backupFirst = true;   // before a write, a restore or a flash
    bool writeProtected = false; // also the rows `write/protected` keeps
    QStringList protectedPatterns;
    QString itemFile;      // Write
    QString exportDir;     // Export: {name}.csv in it
    QString packagePath;   // Flash
    QString packageModel;  // Flash: instruments of another model are skipped
    int timeoutMs = 0;     // 0: the usual item timeouts (tests shorten them)
    int flashExchangeMs = 5000, flashEraseMs = 10000, flashPauseMs = 1000;
    // Set by the runner for each job, asked on the worker: item reads and
    // batch writes end after the item on the wire; a flash never stops.
    std::function<bool()> stopRequested;
};

// The outcome of one job, delivered to the GUI thread.
struct FleetJobResult {
    FleetInstrument::State state = FleetInstrument::Error;
    QString message;
    bool haveRows = false;
    QList<ItemRow> rows;
    QDateTime lastBackup;
    QString backupPath;
    int written = 0, refused = 0, mismatched = 0;
};

// Core of the plant view, free of widgets: the instrument list, and the
// scheduler that runs jobs on worker threads, at most maxParallel() at once
// and never two on one serial port (nor one UDP endpoint: a gateway is one
// line too). Stop starts nothing new; a running read or write ends after
// the item on the wire, a flash runs to its end (cut short, it would leave
// the instrument without firmware).
class FleetRunner : public QObject
{
    Q_OBJECT

public:
    explicit FleetRunner(QObject *parent = nullptr);
    ~FleetRunner() override; // waits for running jobs (they never wait for this thread)

    const QVector<FleetInstrument> &instruments() const { return m_instruments; }
    void setInstruments(const QVector<FleetInstrument> &list);
    void addInstrument(const FleetInstrument &instrument);
    void removeInstrument(int row);
    void setChecked(int row, bool checked);
    QList<int> checkedRows() const;

    void setMaxParallel(int n) { m_maxParallel = qMax(1, n); }
    int maxParallel() const { return m_maxParallel; }
    void setOptions(const FleetJobOptions &options) { m_options = options; }
    const FleetJobOptions &options() const { return m_options; }

    // Queues `action` for the rows; false while another action runs.
    bool start(FleetAction action, const QList<int> &rows);
    void stop();
    bool isRunning() const { return m_running > 0 || !m_queue.isEmpty(); }
    bool stopRequested() const { return m_stop; }
    FleetAction action() const { return m_action; }
    // Jobs running at once at most, since the last start (tests, bench).
    int peakParallel() const { return m_peak; }

    // The reference file's rows; differences() counts a row's differing items
    // against it (-1: no reference or nothing read).
    void setReference(const QString &path, const QList<ItemRow> &rows);
    QString referencePath() const { return m_referencePath; }
    int differences(int row) const;

    // The result table: name,endpoint,address,state,message (UTF-8, header first).
    QByteArray resultsCsv() const;
    static QString stateText(FleetInstrument::State state);
    static QString endpointText(const LinkSettings &link);

    // Runs `work` on a worker thread of this runner and `done` with its result
    // back on the runner's thread (file reads, saves).
    void runInBackground(std::function<QVariant()> work, std::function<void(const QVariant &)> done);

signals:
    void instrumentsChanged();
    void rowChanged(int row);
    // After the last job of an action has ended.
    void actionFinished(FleetAction action);

private:
    void schedule();
    bool portBusy(const QString &key) const;
    static QString portKey(const LinkSettings &link);
    void jobProgress(quint64 id, const QString &text);
    void jobDone(quint64 id, const FleetJobResult &result);
    int rowOf(quint64 id) const;
    QThread *spawn(std::function<void()> body);

    QVector<FleetInstrument> m_instruments;
    QVector<quint64> m_ids; // stable identity of each row while jobs run
    quint64 m_nextId = 1;
    QList<quint64> m_queue;
    QHash<quint64, QString> m_busyPorts;
    FleetAction m_action = FleetAction::Read;
    FleetJobOptions m_options;
    int m_maxParallel = 4;
    int m_running = 0;
    int m_peak = 0;
    std::atomic<bool> m_stop{false}; // also read by the jobs
    QString m_referencePath;
    QList<ItemRow> m_referenceRows;
    bool m_haveReference = false;
    QList<QThread *> m_threads;
};

// ---- The jobs, on a worker thread ---------------------------------------

// `progress` may be called from the worker thread any number of times.
using FleetProgress = std::function<void(const QString &text)>;
FleetJobResult runFleetJob(FleetAction action, const FleetInstrument &instrument, const FleetJobOptions &options,
                           const FleetProgress &progress);

// The identifying items of a list: station name, model, firmware version.
void fleetIdentity(const QList<ItemRow> &rows, QString *station, QString *model, QString *version);
// The newest backup of this link in `dir` (by its name's stamp); empty when none.
QString latestFleetBackup(const QString &dir, const LinkSettings &link, QDateTime *when = nullptr);
// An item file as the window imports it, through `table`; empty or the user's message.
QString loadFleetItemFile(const QString &path, const SkipTable &table, QList<ItemRow> *rows);
// Whether an instrument whose model item holds `model` takes a package for `packageModel`.
bool fleetModelMatches(const QString &model, const QString &packageModel);

// Targets files: parsed with zrvu-cli's parser; empty or the error text.
QString parseFleetTargets(const QString &text, QVector<FleetInstrument> *out);
QString fleetTargetsText(const QVector<FleetInstrument> &instruments);

Q_DECLARE_METATYPE(FleetJobResult)
Q_DECLARE_METATYPE(FleetAction)
