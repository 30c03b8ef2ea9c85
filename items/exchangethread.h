#pragma once

#include "items/batchwrite.h"
#include "items/clocksync.h"
#include "items/itemread.h"
#include "items/itemwrite.h"
#include "items/safewrite.h"
#include "items/skiptable.h"
#include "items/serialnumber.h"
#include "settings/linksettings.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QThread>

#include <atomic>

// The window's names for the batch's row and outcome.
using WriteRowCopy = BatchWriteRow;
using WriteRunOutcome = BatchWriteOutcome;

// Runs the main window's short exchanges (item writes, clock sync, serial
// number) on a thread of its own, one at a time, each on its own link
// opened from a settings snapshot taken when it starts. Reports only
// through queued signals; the last signal of a run is its outcome.
class ExchangeThread : public QThread
{
    Q_OBJECT

public:
    enum Kind { None, WriteOne, WriteAll, ClockSync, SerialProbe, SerialWrite, Refresh, ReadItems };

    explicit ExchangeThread(QObject *parent = nullptr);
    ~ExchangeThread() override;

    // Each start returns false (and does nothing) while a run is going on.
    bool startWrite(const LinkSettings &settings, const QList<WriteRowCopy> &rows, bool batch,
                    const WriteSafety &safety = WriteSafety());
    // The instrument's list as rows through `table`, leaving the tree alone.
    bool startReadItems(const LinkSettings &settings, const SkipTable &table);
    bool startClockSync(const LinkSettings &settings);
    // Only opens the link: the number is asked for once the port is known to open.
    bool startSerialProbe(const LinkSettings &settings);
    bool startSerialNumber(const LinkSettings &settings, const QString &sn);

    // A batch ends before its next row; a running exchange is not cut short.
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop; }
    Kind kind() const { return m_kind; }
    // Only while not running (tests and the bench shorten the wait).
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    // The progress the status bar shows for what runs: `number` of `count`
    // rows (or items received for Refresh), `name` the row's item; stopping
    // is a batch that was asked to stop. For writes it follows the window's
    // "writing" text.
    static QString progressText(Kind kind, int number, int count, const QString &name, bool stopping);
    static QString stoppedText(int written, int count);
    static QString stopButtonText();
    static QString stopButtonToolTip();
    static QString readStopButtonToolTip();
    // The read before a batch and the check after it: `items` received.
    static QString previewReadText(int items);
    static QString checkText(int items, int count);
    static QString checkStoppedText(int written);
    static QString busyText();

signals:
    // Before row `number` (1-based) of `count` goes out.
    void signalRowStarted(int number, int count, const WriteRowCopy &row);
    // After each answered or failed row.
    void signalRowWritten(const WriteRowCopy &row, const ItemWriteOutcome &outcome);
    // While a list is read (startReadItems, or the check after a batch):
    // `items` received so far.
    void signalItemsReceived(int items, bool check);
    void signalWriteFinished(const WriteRunOutcome &outcome);
    void signalClockSynced(const ClockSyncOutcome &outcome);
    // Whether the link opened, and why not.
    void signalSerialProbed(bool opened, const QString &openError);
    void signalSerialNumberWritten(const SerialNumberOutcome &outcome);
    void signalItemsRead(const ItemListOutcome &outcome, const QList<ItemRow> &rows);

protected:
    void run() override;

private:
    bool begin(Kind kind, const LinkSettings &settings);
    void runWrite();

    Kind m_kind = None;
    LinkSettings m_settings;
    QList<WriteRowCopy> m_rows;
    QString m_sn;
    WriteSafety m_safety;
    int m_timeoutMs = 5000;
    std::atomic<bool> m_stop{false};
};

Q_DECLARE_METATYPE(WriteRowCopy)
Q_DECLARE_METATYPE(WriteRunOutcome)
Q_DECLARE_METATYPE(ItemWriteOutcome)
Q_DECLARE_METATYPE(ClockSyncOutcome)
Q_DECLARE_METATYPE(SerialNumberOutcome)
Q_DECLARE_METATYPE(ItemListOutcome)
Q_DECLARE_METATYPE(QList<ItemRow>)
