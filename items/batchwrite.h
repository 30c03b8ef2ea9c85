#pragma once

#include "items/itemread.h"
#include "items/itemrules.h"
#include "items/itemwrite.h"
#include "items/safewrite.h"
#include "items/skiptable.h"
#include "link/outcome.h"
#include "settings/linksettings.h"

#include <QList>
#include <QString>

#include <functional>

class DeviceLink;

// A batch of item writes as the window and zrvu-cli run it: a backup of
// what the instrument held, the rows in order up to the first one nobody
// answered (or the stop), and a read-back that says which values held.
//
// A new caller fills a BatchWriteRequest, sets the hooks it wants to show
// progress with (all may be empty; they run on the calling thread), calls
// writeItemBatch on a worker thread (it blocks on the instrument) and reads
// the BatchWriteOutcome. To write a list it has just read on the same link
// it passes that link still open and sets `linkOpen`.

// One row to write, copied out of the caller's list: nothing the caller may
// free later is read while the batch runs.
struct BatchWriteRow {
    int position = 0; // 0-based row of the caller's list when it was copied
    int index = 0;    // the instrument's item index
    QString name;     // for progress texts and the check
    QString value;
    int mode = WriteValue;
};

// What a batch does around its rows: a backup of the instrument's items
// (read before) ahead of the first row, and a check of what it kept after
// the last.
struct WriteSafety {
    bool backup = false;
    QList<ItemRow> backupRows;
    QString backupDir;
    int backupKeep = 50;
    bool verify = false;
    SkipTable table; // for the list read back
};

struct BatchWriteRequest {
    QList<BatchWriteRow> rows;
    WriteSafety safety;
    LinkSettings settings; // names the backup (the link's own settings)
    bool linkOpen = false; // the caller opened the link already (read the list on it)
    int timeoutMs = 5000;  // per row; the check waits no longer per item
};

struct BatchWriteHooks {
    // Polled before each row and each item of the check; a row that went
    // out always gets its answer read.
    std::function<bool()> stopRequested;
    std::function<void(const QString &path)> backupSaved;
    // Before row `number` (1-based) of `count` goes out.
    std::function<void(int number, int count, const BatchWriteRow &row)> rowStarted;
    // After each answered or failed row (the batch ends after a failed one).
    std::function<void(const BatchWriteRow &row, const ItemWriteOutcome &outcome)> rowWritten;
    // Every row was answered and the link is closed; the check, if any, follows.
    std::function<void()> rowsDone;
    // While the list is read back: `items` received so far.
    std::function<void(int items)> checkProgress;
    // A row the check found not to hold (KeptOther or NoAnswer).
    std::function<void(const VerifyRow &row)> mismatch;
};

// Single writes have one row, a batch the rows up to the first failure (or
// up to the stop).
struct BatchWriteOutcome {
    bool opened = false;
    QString detail; // the link's text when it did not open
    int count = 0;        // rows that were to be written
    bool stopped = false; // stopped between rows
    QList<BatchWriteRow> rows;        // the rows that were attempted, in order
    QList<ItemWriteOutcome> outcomes; // one per attempted row
    QString backupPath;  // the backup written before the first row
    QString backupError; // no row was written: the backup failed
    bool verified = false;
    QList<VerifyRow> verifyRows;
    QString verifyError; // the list could not be read back
    Failure::Code verifyErrorCode = Failure::None;
    bool checkStopped = false;  // the rows went out, the check was stopped
    QList<ItemRow> checkedRows; // the list read back (verified)
    // Rows the instrument answered for (the last attempted one may have failed).
    int answered() const;
    bool failed() const { return !opened || (!outcomes.isEmpty() && !outcomes.last().answered()); }
};

// Blocks: for worker threads only. The link is opened with its own (or its
// fixed) settings unless `linkOpen`, and closed before the check, which
// reads the list on it again; it is closed when the batch returns.
BatchWriteOutcome writeItemBatch(DeviceLink &link, const BatchWriteRequest &request, const BatchWriteHooks &hooks);

// The instrument's list on an unopened link as rows through `table`
// (readItemList with a row list behind it); `received` gets each count of
// items so far. The link is left open.
ItemListOutcome readItemRows(DeviceLink &link, const SkipTable &table, QList<ItemRow> *rows,
                             const std::function<bool()> &stopRequested,
                             const std::function<void(int items)> &received = {},
                             int firstTimeoutMs = kItemFirstTimeoutMs, int retryTimeoutMs = kItemRetryTimeoutMs);
