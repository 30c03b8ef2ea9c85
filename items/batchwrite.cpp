#include "items/batchwrite.h"

#include "items/itemrows.h"
#include "link/devicelink.h"

#include <QDateTime>

int BatchWriteOutcome::answered() const
{
    int n = 0;
    for (const ItemWriteOutcome &o : outcomes)
        n += o.answered() ? 1 : 0;
    return n;
}

ItemListOutcome readItemRows(DeviceLink &link, const SkipTable &table, QList<ItemRow> *rows,
                             const std::function<bool()> &stopRequested,
                             const std::function<void(int items)> &received, int firstTimeoutMs, int retryTimeoutMs)
{
    ItemRowList list(table);
    ItemListHooks hooks;
    hooks.stopRequested = stopRequested;
    hooks.cleared = [&list] { list.clear(); };
    int count = 0;
    hooks.item = [&list, &count, &received](int index, const QStringList &fields) {
        list.addItem(index, fields);
        ++count;
        if (received)
            received(count);
    };
    const ItemListOutcome outcome = readItemList(link, hooks, firstTimeoutMs, retryTimeoutMs);
    *rows = list.rows();
    return outcome;
}

BatchWriteOutcome writeItemBatch(DeviceLink &link, const BatchWriteRequest &request, const BatchWriteHooks &hooks)
{
    const WriteSafety &safety = request.safety;
    const auto stop = [&hooks] { return hooks.stopRequested && hooks.stopRequested(); };
    BatchWriteOutcome run;
    run.count = request.rows.size();
    if (safety.backup) {
        // Nothing goes out unless what was there is kept.
        const BackupOutcome backup = writeItemBackup(safety.backupDir, safety.backupRows, request.settings,
                                                     QDateTime::currentDateTime(), safety.backupKeep);
        if (!backup.ok) {
            run.backupError = backup.detail;
            link.close();
            return run;
        }
        run.backupPath = backup.path;
        if (hooks.backupSaved)
            hooks.backupSaved(backup.path);
    }
    run.opened = request.linkOpen || link.open();
    if (!run.opened) {
        run.detail = link.errorText;
        link.close();
        return run;
    }
    for (int i = 0; i < request.rows.size(); ++i) {
        // Only between rows: a request that went out gets its answer read.
        if (stop()) {
            run.stopped = true;
            break;
        }
        const BatchWriteRow &row = request.rows.at(i);
        if (hooks.rowStarted)
            hooks.rowStarted(i + 1, request.rows.size(), row);
        const ItemWriteOutcome outcome = writeItemExchange(link, row.index, row.value, row.mode, request.timeoutMs);
        run.rows << row;
        run.outcomes << outcome;
        if (hooks.rowWritten)
            hooks.rowWritten(row, outcome);
        if (!outcome.answered())
            break;
    }
    link.close();
    if (run.failed() || run.stopped)
        return run;
    if (hooks.rowsDone)
        hooks.rowsDone();
    if (!safety.verify)
        return run;

    QList<WrittenRow> written;
    for (const BatchWriteRow &row : qAsConst(run.rows))
        written.append({row.index, row.name, row.value});
    QList<ItemRow> now;
    const ItemListOutcome read =
        readItemRows(link, safety.table, &now, hooks.stopRequested, hooks.checkProgress,
                     qMin(request.timeoutMs, kItemFirstTimeoutMs), qMin(request.timeoutMs, kItemRetryTimeoutMs));
    link.close();
    if (read.status == ItemListOutcome::Complete) {
        run.verified = true;
        run.verifyRows = verifyWrites(written, now);
        run.checkedRows = now;
        if (hooks.mismatch) {
            for (const VerifyRow &v : qAsConst(run.verifyRows)) {
                if (v.status != VerifyRow::Held)
                    hooks.mismatch(v);
            }
        }
    } else if (read.failure == Failure::Interrupted) {
        run.checkStopped = true;
    } else {
        run.verifyError = itemListMessage(read);
        run.verifyErrorCode = itemListError(read);
    }
    return run;
}
