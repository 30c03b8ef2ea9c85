#pragma once

#include "items/itemrules.h"
#include "items/skiptable.h"
#include "settings/linksettings.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Writing a configuration without losing one: what would change, a copy of
// what was there, and whether the instrument kept what it was sent. Pure
// functions over row lists, shared by the window and zrvu-cli.

// The names of `write/protected`: comma-separated, trimmed, empty ones
// dropped.
QStringList protectedNamePatterns(const QString &setting);
// True when the name contains one of the patterns (as the skip table
// matches names).
bool isProtectedName(const QString &name, const QStringList &patterns);

// One row of a file against the instrument's list.
struct PreviewRow {
    enum Status {
        Equal,          // the instrument already holds the value
        Changed,        // would be written
        Protected,      // differs, but the instrument keeps its own unless asked
        Unknown,        // the instrument has no valued item of this index and name
        CommandSkipped, // a command item: never written from a file
    };
    Status status = Unknown;
    int index = 0;    // the item index, as in the file
    int position = 0; // 0-based row of the file
    QString name;
    QString instrumentValue; // empty for Unknown
    QString fileValue;
    bool checked = false; // written unless the user changes it

    bool differs() const { return status == Changed || status == Protected || status == Unknown; }
};

// The file's rows (in file order) against the instrument's: an item is the
// same when both index and name agree, so that a file of another model never
// writes a value into an item that only shares its number.
QList<PreviewRow> buildWritePreview(const QList<ItemRow> &fileRows, const QList<ItemRow> &instrumentRows,
                                    const QStringList &protectedPatterns);

// The value text of a row (column 1 without ':'), as the batch writes it.
QString itemRowValue(const ItemRow &row);
QString itemRowName(const ItemRow &row);

// Backups: <name>-<link>-<yyyyMMdd-HHmmss>.csv in the export's exact format.
// <name> is the value of the first item named like 站点名称, else 设备名称,
// reduced to letters, digits, '-' and '_'; "instrument" when nothing is left.
// <link> is the endpoint and device address ("127_0_0_1_5000_1",
// "COM3_7"), so that instruments sharing a name never share backups.
QString backupBaseName(const QList<ItemRow> &rows);
QString backupLinkTag(const LinkSettings &link);
QString backupFileName(const QList<ItemRow> &rows, const LinkSettings &link, const QDateTime &when);

struct BackupOutcome {
    bool ok = false;
    QString path;           // the file written
    QString detail;         // why not (a user text, context ItemSafeWrite)
    QString cause;          // the same without "nothing was written"
    QStringList removed;    // older backups of the same name that were pruned
};
// Writes the rows of the instrument on `link` into `dir` (created when
// missing) and keeps the newest `keep` backups of that name and link (all of
// them when keep < 1); another instrument's backups are never touched. Each
// backup is a file of its own, created exclusively: a second one in the same
// second, from this process or another, gets "-2", "-3", ….
BackupOutcome writeItemBackup(const QString &dir, const QList<ItemRow> &rows, const LinkSettings &link,
                              const QDateTime &when, int keep);
// The working folder's Backups/.
QString defaultBackupDir();
// Reads the instrument's list (through `table`) on a link of its own and
// saves it as a backup; empty with *path set, or why not (*cause: the
// reason alone, for callers that write nothing anyway). Blocks: for worker
// threads only.
QString backupInstrumentItems(const LinkSettings &settings, const SkipTable &table, const QString &dir, int keep,
                              QString *path = nullptr, QString *cause = nullptr);

// One row as it was sent, for the check after the writes.
struct WrittenRow {
    int index = 0;
    QString name;
    QString value;
};
struct VerifyRow {
    enum Status { Held, KeptOther, NoAnswer };
    Status status = Held;
    WrittenRow written;
    QString kept; // the value read back (KeptOther)
};
// The written rows against a list read afterwards; an item that is gone or
// no longer has a value counts as NoAnswer.
QList<VerifyRow> verifyWrites(const QList<WrittenRow> &written, const QList<ItemRow> &readBack);
int verifyFailures(const QList<VerifyRow> &rows);

// The texts the window and zrvu-cli show (context ItemSafeWrite).
QString backupFailedMessage(const QString &cause);
QString backupWrittenMessage(const QString &path);
QString verifyMessage(const QList<VerifyRow> &rows);
QString verifyReadFailedMessage(const QString &cause);
QString previewStatusText(PreviewRow::Status status);
