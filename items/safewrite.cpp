#include "items/safewrite.h"

#include "items/itemcsv.h"
#include "items/itemread.h"
#include "items/itemrows.h"
#include "link/devicelink.h"
#include "settings/fileio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>

namespace {

class ItemSafeWrite
{
    Q_DECLARE_TR_FUNCTIONS(ItemSafeWrite)
};

// A file name from an instrument's text: long names are cut so that the
// stamp always fits within common path limits.
constexpr int kMaxBaseNameChars = 64;

QString reduceName(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_'))
            out += c;
        if (out.size() >= kMaxBaseNameChars)
            break;
    }
    return out;
}

// A link tag must not contain '-': the tag is then the part after the last
// '-' before the stamp, and no other name and link spell the same file name.
constexpr int kMaxLinkTagChars = 64;

QString reduceLinkPart(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        const bool keep = c.isLetterOrNumber() && c.unicode() < 0x80;
        if (keep)
            out += c;
        else if (!out.isEmpty() && !out.endsWith(QLatin1Char('_')))
            out += QLatin1Char('_');
    }
    while (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    return out.left(kMaxLinkTagChars);
}

struct Stamped {
    QString file;
    QString stamp;
    int sequence = 1;
};

} // namespace

QStringList protectedNamePatterns(const QString &setting)
{
    QStringList out;
    for (const QString &part : setting.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            out << name;
    }
    return out;
}

bool isProtectedName(const QString &name, const QStringList &patterns)
{
    return std::any_of(patterns.begin(), patterns.end(), [&name](const QString &p) { return name.contains(p); });
}

QString itemRowValue(const ItemRow &row)
{
    return row.column1.mid(1).trimmed();
}

QString itemRowName(const ItemRow &row)
{
    return stripPositionPrefix(row.column0);
}

QList<PreviewRow> buildWritePreview(const QList<ItemRow> &fileRows, const QList<ItemRow> &instrumentRows,
                                    const QStringList &protectedPatterns)
{
    QHash<int, const ItemRow *> byIndex;
    for (const ItemRow &row : instrumentRows) {
        if (!byIndex.contains(row.index))
            byIndex.insert(row.index, &row);
    }
    QList<PreviewRow> out;
    for (const ItemRow &file : fileRows) {
        PreviewRow p;
        p.position = int(out.size());
        p.index = file.index;
        p.name = itemRowName(file);
        if (file.column1.isEmpty()) {
            p.status = PreviewRow::CommandSkipped;
            out << p;
            continue;
        }
        p.fileValue = itemRowValue(file);
        const ItemRow *mine = byIndex.value(file.index);
        if (!mine || mine->column1.isEmpty() || itemRowName(*mine) != p.name) {
            p.status = PreviewRow::Unknown;
        } else {
            p.instrumentValue = itemRowValue(*mine);
            if (p.instrumentValue == p.fileValue)
                p.status = PreviewRow::Equal;
            else if (isProtectedName(p.name, protectedPatterns))
                p.status = PreviewRow::Protected;
            else
                p.status = PreviewRow::Changed;
        }
        p.checked = p.status == PreviewRow::Changed;
        out << p;
    }
    return out;
}

QString backupBaseName(const QList<ItemRow> &rows)
{
    for (const char *key : {"站点名称", "设备名称"}) {
        const QString pattern = QString::fromUtf8(key);
        for (const ItemRow &row : rows) {
            if (itemRowName(row).contains(pattern)) {
                const QString name = reduceName(itemRowValue(row));
                if (!name.isEmpty())
                    return name;
                break;
            }
        }
    }
    return QStringLiteral("instrument");
}

QString backupLinkTag(const LinkSettings &link)
{
    const QString endpoint = link.useUdp ? QStringLiteral("%1:%2").arg(link.udpAddress.trimmed()).arg(link.udpPort)
                                         : link.serialPort;
    const QString where = reduceLinkPart(endpoint);
    return (where.isEmpty() ? QStringLiteral("link") : where) + QLatin1Char('_') + QString::number(link.deviceAddress);
}

QString backupFileName(const QList<ItemRow> &rows, const LinkSettings &link, const QDateTime &when)
{
    return QStringLiteral("%1-%2-%3.csv")
        .arg(backupBaseName(rows), backupLinkTag(link), when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString defaultBackupDir()
{
    return QDir::current().filePath(QStringLiteral("Backups"));
}

BackupOutcome writeItemBackup(const QString &dir, const QList<ItemRow> &rows, const LinkSettings &link,
                              const QDateTime &when, int keep)
{
    BackupOutcome outcome;
    const QString base = backupBaseName(rows) + QLatin1Char('-') + backupLinkTag(link);
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QDir folder(dir);
    if (!folder.exists() && !QDir().mkpath(dir)) {
        outcome.cause = ItemSafeWrite::tr("无法创建文件夹 %1").arg(QDir::toNativeSeparators(dir));
        outcome.detail = backupFailedMessage(outcome.cause);
        return outcome;
    }
    // The name is taken by creating the file exclusively: two runs in the
    // same second (two zrvu-cli of a batch) never pick the same one.
    QString path;
    for (int n = 1; path.isEmpty(); ++n) {
        if (n > 999) {
            outcome.cause = ItemSafeWrite::tr("同一秒内的备份过多");
            outcome.detail = backupFailedMessage(outcome.cause);
            return outcome;
        }
        const QString candidate = folder.filePath(n == 1 ? QStringLiteral("%1-%2.csv").arg(base, stamp)
                                                         : QStringLiteral("%1-%2-%3.csv").arg(base, stamp).arg(n));
        QFile reserve(candidate);
        errno = 0;
        if (reserve.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            path = candidate;
        } else if (!QFileInfo::exists(candidate)) {
            outcome.cause = SafeFileWriter::tr("%1: %2 (%3)")
                                .arg(SafeFileWriter::tr("创建文件失败"), QDir::toNativeSeparators(candidate),
                                     fileErrorCause(errno, reserve.errorString()));
            outcome.detail = backupFailedMessage(outcome.cause);
            return outcome;
        }
    }
    // The checked writer replaces the reserved empty file only once all of
    // the items are on the disk.
    const QString failure = writeWholeFile(path, buildItemFile(rows));
    if (!failure.isEmpty()) {
        QFile::remove(path);
        outcome.cause = failure;
        outcome.detail = backupFailedMessage(failure);
        return outcome;
    }
    outcome.ok = true;
    outcome.path = QFileInfo(path).absoluteFilePath();
    if (keep < 1)
        return outcome;

    // Only this name's and link's own backups, newest first by stamp and
    // sequence.
    const QRegularExpression own(QStringLiteral("^%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.csv$")
                                     .arg(QRegularExpression::escape(base)));
    QList<Stamped> found;
    for (const QString &file : folder.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = own.match(file);
        if (m.hasMatch())
            found.append({file, m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt()});
    }
    std::sort(found.begin(), found.end(), [](const Stamped &a, const Stamped &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.sequence > b.sequence;
    });
    for (int i = keep; i < found.size(); ++i) {
        const QString old = folder.filePath(found.at(i).file);
        // The one just written is never the one to go, whatever the clock did.
        if (QFileInfo(old) == QFileInfo(path))
            continue;
        if (QFile::remove(old))
            outcome.removed << old;
    }
    return outcome;
}

QString backupInstrumentItems(const LinkSettings &settings, const SkipTable &table, const QString &dir, int keep,
                              QString *path, QString *cause)
{
    ItemRowList list(table);
    DeviceLink link;
    link.setFixedSettings(settings);
    ItemListHooks hooks;
    hooks.cleared = [&list] { list.clear(); };
    hooks.item = [&list](int index, const QStringList &fields) { list.addItem(index, fields); };
    const ItemListOutcome read = readItemList(link, hooks);
    link.close();
    if (read.status != ItemListOutcome::Complete) {
        if (cause)
            *cause = itemListMessage(read);
        return backupFailedMessage(itemListMessage(read));
    }
    const BackupOutcome backup = writeItemBackup(dir, list.rows(), settings, QDateTime::currentDateTime(), keep);
    if (backup.ok && path)
        *path = backup.path;
    if (cause)
        *cause = backup.cause;
    return backup.ok ? QString() : backup.detail;
}

QList<VerifyRow> verifyWrites(const QList<WrittenRow> &written, const QList<ItemRow> &readBack)
{
    QHash<int, const ItemRow *> byIndex;
    for (const ItemRow &row : readBack) {
        if (!byIndex.contains(row.index))
            byIndex.insert(row.index, &row);
    }
    QList<VerifyRow> out;
    for (const WrittenRow &w : written) {
        VerifyRow v;
        v.written = w;
        const ItemRow *now = byIndex.value(w.index);
        if (!now || now->column1.isEmpty()) {
            v.status = VerifyRow::NoAnswer;
        } else {
            v.kept = itemRowValue(*now);
            v.status = v.kept == w.value ? VerifyRow::Held : VerifyRow::KeptOther;
        }
        out << v;
    }
    return out;
}

int verifyFailures(const QList<VerifyRow> &rows)
{
    return int(std::count_if(rows.begin(), rows.end(), [](const VerifyRow &v) { return v.status != VerifyRow::Held; }));
}

QString backupFailedMessage(const QString &cause)
{
    return ItemSafeWrite::tr("无法保存备份,未写入任何项: %1").arg(cause);
}

QString backupWrittenMessage(const QString &path)
{
    return ItemSafeWrite::tr("备份已保存: %1").arg(QDir::toNativeSeparators(path));
}

QString verifyMessage(const QList<VerifyRow> &rows)
{
    const int failures = verifyFailures(rows);
    if (failures == 0)
        return ItemSafeWrite::tr("核对完成: 写入的 %1 项全部保持").arg(rows.size());
    QStringList lines{ItemSafeWrite::tr("核对完成: %1 项与写入的值不符").arg(failures)};
    for (const VerifyRow &v : rows) {
        if (v.status == VerifyRow::KeptOther)
            lines << ItemSafeWrite::tr("%1: 写入 %2,设备保持 %3").arg(v.written.name, v.written.value, v.kept);
        else if (v.status == VerifyRow::NoAnswer)
            lines << ItemSafeWrite::tr("%1: 不再应答").arg(v.written.name);
    }
    return lines.join(QLatin1Char('\n'));
}

QString verifyReadFailedMessage(const QString &cause)
{
    return ItemSafeWrite::tr("写入后无法读回配置进行核对: %1").arg(cause);
}

QString previewStatusText(PreviewRow::Status status)
{
    switch (status) {
    case PreviewRow::Equal:
        return ItemSafeWrite::tr("相同");
    case PreviewRow::Changed:
        return ItemSafeWrite::tr("将修改");
    case PreviewRow::Protected:
        return ItemSafeWrite::tr("受保护");
    case PreviewRow::Unknown:
        return ItemSafeWrite::tr("设备没有此项");
    case PreviewRow::CommandSkipped:
        return ItemSafeWrite::tr("命令项");
    }
    return QString();
}
