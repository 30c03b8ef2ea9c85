#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"

#include "items/batchwrite.h"
#include "items/clocksync.h"
#include "items/itemcsv.h"
#include "items/itemread.h"
#include "items/itemrows.h"
#include "items/itemwrite.h"
#include "items/safewrite.h"
#include "items/serialnumber.h"
#include "link/devicelink.h"
#include "settings/fileio.h"
#include "settings/settingkeys.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>

namespace {

SkipTable workingDirSkipTable()
{
    QString warning;
    const SkipTable table = loadSkipTable(QStringLiteral("SkipItems"), &warning);
    if (!warning.isEmpty())
        writeErr(QStringLiteral("zrvu-cli: %1\n").arg(warning));
    return table;
}

// A refresh as the window runs it; false with the window's message (or,
// after Ctrl-C, with an empty one).
bool refreshRows(QList<ItemRow> *rows, QString *error, bool *stopped)
{
    ItemRowList list(workingDirSkipTable());
    ItemListOutcome outcome;
    runOperation([&](OperationRun &run) {
        DeviceLink link;
        ItemListHooks hooks;
        hooks.stopRequested = [&run] { return run.stop.load(); };
        hooks.cleared = [&] { list.clear(); };
        hooks.item = [&](int index, const QStringList &fields) { list.addItem(index, fields); };
        outcome = readItemList(link, hooks);
        link.close();
        return ExitOk;
    });
    *rows = list.rows();
    *stopped = outcome.failure == Failure::Interrupted;
    *error = itemListMessage(outcome);
    CliJson::noteError(itemListError(outcome));
    return outcome.status == ItemListOutcome::Complete;
}

// With --json: one item object per row and the count in the result.
void itemRecords(const QList<ItemRow> &rows)
{
    if (!CliJson::enabled())
        return;
    for (const ItemRow &row : rows)
        CliJson::record(QStringLiteral("item"), {{QStringLiteral("index"), row.index},
                                                 {QStringLiteral("name"), visibleItemText(itemRowName(row))},
                                                 {QStringLiteral("value"), visibleItemText(itemRowValue(row))},
                                                 {QStringLiteral("command"), row.column1.isEmpty()}});
    CliJson::set(QStringLiteral("items"), rows.size());
}

void rowRecord(int index, bool ok, const QString &value)
{
    if (CliJson::enabled())
        CliJson::record(QStringLiteral("row"), {{QStringLiteral("index"), index},
                                                {QStringLiteral("status"), ok ? QStringLiteral("ok") : QStringLiteral("refused")},
                                                {QStringLiteral("value"), value}});
}

QString itemLines(const QList<ItemRow> &rows)
{
    QString out;
    for (const ItemRow &row : rows)
        out += itemCsvLine(row) + QLatin1Char('\n');
    return out;
}

bool parseIndex(const QString &text, int *index)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < 0 || v > 255)
        return false;
    *index = v;
    return true;
}

bool openForWrite(DeviceLink &link)
{
    if (link.open())
        return true;
    failWith(Failure::OpenFailed, itemWriteOpenFailedMessage()
             + (link.errorText.isEmpty() ? QString() : QLatin1Char('\n') + link.errorText));
    return false;
}

} // namespace

int runItems(const CliOptions &)
{
    QList<ItemRow> rows;
    QString error;
    bool stopped = false;
    const bool ok = refreshRows(&rows, &error, &stopped);
    // What was read is shown, as the tree keeps it; the status says whether
    // it is the whole list.
    writeOut(itemLines(rows));
    itemRecords(rows);
    if (stopped)
        return ExitInterrupted;
    return ok ? ExitOk : failWith(error);
}

int runExport(const CliOptions &options)
{
    const QString fileName = options.arguments.at(0);
    QList<ItemRow> rows;
    QString error;
    bool stopped = false;
    // A partial list must not pass for a configuration copy.
    if (!refreshRows(&rows, &error, &stopped))
        return stopped ? ExitInterrupted : failWith(error);
    // The name is kept exactly as given (scripts rely on it); a failed write
    // keeps any older file and names the cause.
    itemRecords(rows);
    const QString failure = writeWholeFile(fileName, buildItemFile(rows));
    if (!failure.isEmpty())
        return failWith(Failure::FileWriteFailed, itemExportFailedMessage(failure));
    CliJson::set(QStringLiteral("export"), fileName);
    writeErr(itemExportedMessage() + QLatin1Char('\n'));
    return ExitOk;
}

namespace {

// An item file as the window imports it; ExitOk, or the failure's status
// after its message.
int loadItemFile(const QString &fileName, QList<ItemRow> *rows)
{
    const FileReadResult read = readRegularFile(fileName, kMaxItemFileBytes);
    if (read.status == FileReadResult::NotFound || read.status == FileReadResult::ReadFailed)
        return failWith(Failure::FileOpenFailed, itemFileOpenFailedMessage(fileName));
    if (!read.ok())
        return failWith(Failure::FileOpenFailed, read.detail);
    int badLine = 0;
    const QStringList lines = itemFileLines(read.bytes, &badLine);
    if (badLine > 0)
        return failWith(Failure::BadValue, itemFileEncodingMessage(badLine));
    // An empty file would pass for "nothing to change" or a batch that held.
    if (lines.isEmpty())
        return failWith(Failure::BadValue, ZrvuCli::tr("文件中没有配置项: %1").arg(QDir::toNativeSeparators(fileName)));
    ItemRowList list(workingDirSkipTable());
    for (const QString &line : lines) {
        int index = 0;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields))
            return failWith(Failure::BadValue, itemFileParseMessage());
        list.addItem(index, fields);
    }
    *rows = list.rows();
    return ExitOk;
}

// The whole list on an unopened link (left open); ExitOk or the status after
// the message.
int readAllRows(DeviceLink &link, OperationRun &run, QList<ItemRow> *rows)
{
    ItemRowList list(workingDirSkipTable());
    ItemListHooks hooks;
    hooks.stopRequested = [&run] { return run.stop.load(); };
    hooks.cleared = [&] { list.clear(); };
    hooks.item = [&](int index, const QStringList &fields) { list.addItem(index, fields); };
    const ItemListOutcome outcome = readItemList(link, hooks);
    *rows = list.rows();
    if (outcome.failure == Failure::Interrupted)
        return ExitInterrupted;
    if (outcome.status != ItemListOutcome::Complete)
        return failWith(itemListError(outcome), itemListMessage(outcome));
    return ExitOk;
}

int saveBackup(const QString &dir, const QList<ItemRow> &rows, QString *path)
{
    const BackupOutcome backup = writeItemBackup(dir.isEmpty() ? defaultBackupDir() : dir, rows,
                                                 LinkSettings::fromSettings(), QDateTime::currentDateTime(),
                                                 SettingKeys::backupKeep.read());
    if (!backup.ok)
        return failWith(Failure::BackupFailed, backup.detail);
    *path = backup.path;
    return ExitOk;
}

} // namespace

int backupInstrumentItems(const QString &dir, QString *path)
{
    return runOperation([&](OperationRun &run) -> int {
        DeviceLink link;
        QList<ItemRow> rows;
        const int read = readAllRows(link, run, &rows);
        link.close();
        if (read == ExitOk)
            itemRecords(rows);
        return read != ExitOk ? read : saveBackup(dir, rows, path);
    });
}

int runBackup(const CliOptions &options)
{
    QString path;
    const int status = backupInstrumentItems(options.arguments.value(0), &path);
    if (status == ExitOk) {
        writeOut(QDir::toNativeSeparators(path) + QLatin1Char('\n'));
        CliJson::set(QStringLiteral("backup"), QDir::toNativeSeparators(path));
    }
    return status;
}

int runDiff(const CliOptions &options)
{
    QList<ItemRow> fileRows;
    const int loaded = loadItemFile(options.arguments.at(0), &fileRows);
    if (loaded != ExitOk)
        return loaded;
    QList<ItemRow> mine;
    const int read = runOperation([&](OperationRun &run) {
        DeviceLink link;
        const int status = readAllRows(link, run, &mine);
        link.close();
        return status;
    });
    if (read != ExitOk)
        return read;
    bool differs = false;
    int differences = 0;
    for (const PreviewRow &row : buildWritePreview(fileRows, mine, {})) {
        if (!row.differs())
            continue;
        differs = true;
        ++differences;
        // An item the instrument does not have differs too: "known": false.
        if (CliJson::enabled())
            CliJson::record(QStringLiteral("difference"), {{QStringLiteral("index"), row.index},
                                                           {QStringLiteral("name"), row.name},
                                                           {QStringLiteral("instrument"), row.instrumentValue},
                                                           {QStringLiteral("file"), row.fileValue},
                                                           {QStringLiteral("known"), row.status != PreviewRow::Unknown}});
        if (row.status == PreviewRow::Unknown) {
            writeErr(QStringLiteral("%1\t%2: %3\n").arg(row.index).arg(row.name, previewStatusText(row.status)));
            continue;
        }
        writeOut(QStringLiteral("%1\t%2\t%3\t%4\n").arg(row.index).arg(row.name, row.instrumentValue, row.fileValue));
    }
    CliJson::set(QStringLiteral("differences"), differences);
    return differs ? ExitDiffers : ExitOk;
}

int runWrite(const CliOptions &options)
{
    QList<ItemRow> fileRows;
    const int loaded = loadItemFile(options.arguments.at(0), &fileRows);
    if (loaded != ExitOk)
        return loaded;
    const bool backup = !options.noBackup && SettingKeys::backupEnabled.read();
    const QStringList patterns =
        options.keepProtected ? protectedNamePatterns(SettingKeys::writeProtected.read()) : QStringList();
    // A value the instrument's text cannot hold would arrive as '?': its row
    // is refused here, before anything is sent, and the others go ahead.
    int unsendable = 0;
    CliJson::set(QStringLiteral("written"), 0);
    CliJson::set(QStringLiteral("refused"), 0);
    CliJson::set(QStringLiteral("mismatches"), 0);
    CliJson::set(QStringLiteral("backup"), QJsonValue::Null);
    QList<ItemRow> sendable;
    for (const ItemRow &row : qAsConst(fileRows)) {
        const bool leftOut =
            row.column1.isEmpty() || (!patterns.isEmpty() && isProtectedName(itemRowName(row), patterns));
        const QString problem = leftOut ? QString() : itemValueCharProblem(itemRowValue(row));
        if (problem.isEmpty()) {
            sendable << row;
            continue;
        }
        writeErr(QStringLiteral("%1\t%2: %3\n").arg(row.index).arg(itemRowName(row), problem));
        writeOut(QStringLiteral("%1\trefused\t\n").arg(row.index));
        rowRecord(row.index, false, QString());
        ++unsendable;
    }
    fileRows = sendable;

    return runOperation([&](OperationRun &run) -> int {
        DeviceLink link;
        BatchWriteRequest request;
        QList<ItemRow> rows;
        QStringList unknown; // lines for the rows --changed-only cannot match
        if (backup || options.changedOnly) {
            QList<ItemRow> mine;
            const int read = readAllRows(link, run, &mine);
            if (read != ExitOk) {
                link.close();
                return read;
            }
            request.linkOpen = true;
            request.safety.backup = backup;
            request.safety.backupRows = mine;
            request.safety.backupDir = defaultBackupDir();
            request.safety.backupKeep = SettingKeys::backupKeep.read();
            if (options.changedOnly) {
                const QList<PreviewRow> preview = buildWritePreview(fileRows, mine, {});
                for (int i = 0; i < fileRows.size(); ++i) {
                    const PreviewRow &p = preview.at(i);
                    if (p.status == PreviewRow::Changed || p.status == PreviewRow::Protected)
                        rows << fileRows.at(i);
                    else if (p.status == PreviewRow::Unknown)
                        unknown << QStringLiteral("%1\t%2: %3\n").arg(p.index).arg(p.name, previewStatusText(p.status));
                }
            } else {
                rows = fileRows;
            }
        } else {
            rows = fileRows;
        }
        const auto writeUnknown = [&unknown] {
            for (const QString &line : qAsConst(unknown))
                writeErr(line);
        };
        if (!backup)
            writeUnknown();
        for (const ItemRow &row : qAsConst(rows)) {
            if (row.column1.isEmpty())
                continue;
            if (!patterns.isEmpty() && isProtectedName(itemRowName(row), patterns))
                continue;
            BatchWriteRow copy;
            copy.index = row.index;
            copy.name = itemRowName(row);
            copy.value = itemRowValue(row);
            request.rows << copy;
        }
        request.safety.verify = options.verify;
        QString tableWarning;
        if (options.verify)
            request.safety.table = loadSkipTable(QStringLiteral("SkipItems"), &tableWarning);
        request.settings = LinkSettings::fromSettings();

        int refused = unsendable;
        int sent = 0;
        BatchWriteHooks hooks;
        // Ctrl-C ends the batch between rows, never inside an exchange.
        hooks.stopRequested = [&run] { return run.stop.load(); };
        hooks.backupSaved = [&](const QString &path) {
            writeErr(backupWrittenMessage(path) + QLatin1Char('\n'));
            CliJson::set(QStringLiteral("backup"), QDir::toNativeSeparators(path));
            writeUnknown();
        };
        hooks.rowWritten = [&refused, &sent](const BatchWriteRow &row, const ItemWriteOutcome &outcome) {
            CliJson::set(QStringLiteral("written"), ++sent);
            if (!outcome.answered()) {
                // The window stops the batch here too.
                failWith(itemWriteError(outcome), itemWriteMessage(outcome));
                failWith(itemWriteFollowUpMessage(outcome, row.value));
                return;
            }
            const bool ok = outcome.status == ItemWriteOutcome::Written;
            if (!ok)
                CliJson::set(QStringLiteral("refused"), ++refused);
            rowRecord(row.index, ok, visibleItemText(outcome.reportedValue));
            writeOut(QStringLiteral("%1\t%2\t%3\n")
                         .arg(row.index)
                         .arg(ok ? QStringLiteral("ok") : QStringLiteral("refused"),
                              visibleItemText(outcome.reportedValue)));
        };
        hooks.rowsDone = [&] {
            writeErr(itemBatchWrittenMessage(refused) + QLatin1Char('\n'));
            CliJson::set(QStringLiteral("refused"), refused);
            if (refused > 0)
                CliJson::noteMessage(itemBatchWrittenMessage(refused));
            if (!tableWarning.isEmpty())
                writeErr(QStringLiteral("zrvu-cli: %1\n").arg(tableWarning));
        };
        hooks.mismatch = [](const VerifyRow &v) {
            writeOut(QStringLiteral("%1\tmismatch\t%2\t%3\n").arg(v.written.index).arg(v.written.value, v.kept));
            if (CliJson::enabled())
                CliJson::record(QStringLiteral("mismatch"),
                                {{QStringLiteral("index"), v.written.index},
                                 {QStringLiteral("written"), v.written.value},
                                 {QStringLiteral("kept"), v.status == VerifyRow::NoAnswer ? QJsonValue(QJsonValue::Null)
                                                                                      : QJsonValue(v.kept)}});
        };
        const BatchWriteOutcome outcome = writeItemBatch(link, request, hooks);
        if (!outcome.backupError.isEmpty())
            return failWith(Failure::BackupFailed, outcome.backupError);
        if (!outcome.opened)
            return failWith(Failure::OpenFailed,
                            itemWriteOpenFailedMessage()
                                + (outcome.detail.isEmpty() ? QString() : QLatin1Char('\n') + outcome.detail));
        if (outcome.stopped || outcome.checkStopped)
            return ExitInterrupted;
        if (outcome.failed())
            return ExitFailed;
        if (!options.verify)
            return refused > 0 ? ExitRefused : ExitOk;
        if (!outcome.verified)
            return failWith(outcome.verifyErrorCode, outcome.verifyError);
        const QList<VerifyRow> &checked = outcome.verifyRows;
        writeErr(verifyMessage(checked) + QLatin1Char('\n'));
        CliJson::set(QStringLiteral("mismatches"), verifyFailures(checked));
        if (refused == 0 && verifyFailures(checked) > 0) {
            CliJson::noteError(Failure::VerifyMismatch);
            CliJson::noteMessage(verifyMessage(checked));
        }
        return refused > 0 || verifyFailures(checked) > 0 ? ExitRefused : ExitOk;
    });
}

namespace {

int writeOne(int index, const QString &value, int mode)
{
    return runOperation([&](OperationRun &) -> int {
        DeviceLink link;
        if (!openForWrite(link))
            return ExitFailed;
        // The window only ever sends a value to a valued row and an empty text
        // to a command row; an index typed on a command line may be either, and
        // a value sent to a command item could start the command.
        const ItemReadOutcome read = readItemAt(link, index);
        if (read.status != ItemReadOutcome::Item && read.status != ItemReadOutcome::EndOfList)
            return failWith(itemListError(itemListFailure(read)), itemListMessage(itemListFailure(read)));
        const QStringList &fields = read.fields;
        CliJson::set(QStringLiteral("index"), index);
        if (fields.isEmpty())
        {
            CliJson::noteError(Failure::NoAnswer);
            return refuseWith(ZrvuCli::tr("设备没有第%1项").arg(index));
        }
        if (mode == WriteValue && fields.size() < 2)
            return refuseWith(ZrvuCli::tr("第%1项是命令项,请用 trigger").arg(index));
        if (mode == WriteCommand && fields.size() > 1)
            return refuseWith(ZrvuCli::tr("第%1项带有值,请用 set").arg(index));
        const ItemWriteOutcome outcome = writeItemExchange(link, index, value, mode);
        link.close();
        if (!outcome.answered()) {
            failWith(itemWriteError(outcome), itemWriteMessage(outcome));
            return failWith(itemWriteFollowUpMessage(outcome, value));
        }
        // A command's answer is its own name; that is what the row keeps.
        const QString reported = mode == WriteCommand ? outcome.reportedName : outcome.reportedValue;
        writeOut(visibleItemText(reported) + QLatin1Char('\n'));
        writeErr(itemWriteMessage(outcome) + QLatin1Char('\n'));
        CliJson::set(QStringLiteral("value"), visibleItemText(reported));
        if (outcome.status == ItemWriteOutcome::Refused)
            CliJson::noteMessage(itemWriteMessage(outcome));
        return outcome.status == ItemWriteOutcome::Refused ? ExitRefused : ExitOk;
    });
}

} // namespace

int runSet(const CliOptions &options)
{
    int index = 0;
    if (!parseIndex(options.arguments.at(0), &index))
        return usageError(QStringLiteral("INDEX must be 0 to 255"));
    const QString value = options.arguments.at(1).trimmed();
    const QString problem = itemValueCharProblem(value);
    if (!problem.isEmpty())
        return refuseWith(problem);
    return writeOne(index, value, WriteValue);
}

int runTrigger(const CliOptions &options)
{
    int index = 0;
    if (!parseIndex(options.arguments.at(0), &index))
        return usageError(QStringLiteral("INDEX must be 0 to 255"));
    return writeOne(index, QString(), WriteCommand);
}

int runSyncTime(const CliOptions &)
{
    ClockSyncOutcome outcome;
    runOperation([&](OperationRun &) {
        DeviceLink link;
        outcome = syncClock(link);
        return ExitOk;
    });
    if (outcome.status != ClockSyncOutcome::Synced)
        return failWith(clockSyncError(outcome), clockSyncMessage(outcome));
    writeOut(clockSyncMessage(outcome) + QLatin1Char('\n'));
    // The request carries the moment sent: two-digit year, month, day,
    // hour, minute, second.
    const QByteArray &r = outcome.request;
    if (r.size() >= 13)
        CliJson::set(QStringLiteral("time"),
                     QDateTime(QDate(2000 + quint8(r.at(7)), quint8(r.at(8)), quint8(r.at(9))),
                               QTime(quint8(r.at(10)), quint8(r.at(11)), quint8(r.at(12))))
                         .toString(Qt::ISODate));
    return ExitOk;
}

int runWriteSn(const CliOptions &options)
{
    const QString sn = options.arguments.at(0);
    // The dialog accepts nothing else, so nothing else goes out.
    if (!isValidSerialNumber(sn))
        return refuseWith(serialNumberInvalidMessage());
    bool opened = false;
    SerialNumberOutcome outcome;
    runOperation([&](OperationRun &) {
        DeviceLink link;
        opened = link.open();
        if (opened) {
            outcome = writeSerialNumberExchange(link, sn);
            link.close();
        }
        return ExitOk;
    });
    if (!opened)
        return failWith(Failure::OpenFailed, serialNumberOpenFailedMessage());
    if (outcome.status != SerialNumberOutcome::Written)
        return failWith(outcome.status == SerialNumberOutcome::BadAnswer ? Failure::BadReply : Failure::NoReply,
                        serialNumberMessage(outcome));
    writeOut(serialNumberMessage(outcome) + QLatin1Char('\n'));
    CliJson::set(QStringLiteral("serial"), sn);
    return ExitOk;
}
