#include "app/fleet.h"

#include "cli/targets.h"
#include "firmware/flash.h"
#include "firmware/package.h"
#include "items/batchwrite.h"
#include "items/exchangethread.h"
#include "items/clocksync.h"
#include "items/itemcsv.h"
#include "items/itemread.h"
#include "items/itemrows.h"
#include "items/itemwrite.h"
#include "items/refreshthread.h"
#include "items/safewrite.h"
#include "link/devicelink.h"
#include "settings/fileio.h"

#include <QDir>
#include <QFileInfo>
#include <QRegExp>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QThread>

#include <algorithm>

FleetRunner::FleetRunner(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<FleetJobResult>();
    qRegisterMetaType<FleetAction>();
}

FleetRunner::~FleetRunner()
{
    m_stop = true;
    m_queue.clear();
    for (QThread *thread : qAsConst(m_threads)) {
        thread->wait();
        delete thread;
    }
}

void FleetRunner::setInstruments(const QVector<FleetInstrument> &list)
{
    if (isRunning())
        return;
    m_instruments = list;
    m_ids.clear();
    for (int i = 0; i < list.size(); ++i)
        m_ids << m_nextId++;
    emit instrumentsChanged();
}

void FleetRunner::addInstrument(const FleetInstrument &instrument)
{
    m_instruments << instrument;
    m_ids << m_nextId++;
    emit instrumentsChanged();
}

void FleetRunner::removeInstrument(int row)
{
    // A row whose job runs or waits stays until the job is over.
    if (row < 0 || row >= m_instruments.size() || m_queue.contains(m_ids.at(row))
        || m_busyPorts.contains(m_ids.at(row)))
        return;
    m_instruments.remove(row);
    m_ids.remove(row);
    emit instrumentsChanged();
}

void FleetRunner::setChecked(int row, bool checked)
{
    if (row < 0 || row >= m_instruments.size() || m_instruments.at(row).checked == checked)
        return;
    m_instruments[row].checked = checked;
    emit rowChanged(row);
}

QList<int> FleetRunner::checkedRows() const
{
    QList<int> rows;
    for (int i = 0; i < m_instruments.size(); ++i) {
        if (m_instruments.at(i).checked)
            rows << i;
    }
    return rows;
}

bool FleetRunner::start(FleetAction action, const QList<int> &rows)
{
    if (isRunning())
        return false;
    m_action = action;
    m_stop = false;
    m_peak = 0;
    for (int row : rows) {
        if (row < 0 || row >= m_instruments.size())
            continue;
        FleetInstrument &in = m_instruments[row];
        in.progress.clear();
        // A package for another model is never offered to the instrument.
        if (action == FleetAction::Flash && !fleetModelMatches(in.model, m_options.packageModel)) {
            in.state = FleetInstrument::Skipped;
            in.message = in.model.isEmpty() ? tr("型号未知,跳过") : tr("型号 %1 不符,跳过").arg(in.model);
            emit rowChanged(row);
            continue;
        }
        in.state = FleetInstrument::Waiting;
        in.message.clear();
        m_queue << m_ids.at(row);
        emit rowChanged(row);
    }
    if (m_queue.isEmpty()) {
        emit actionFinished(action);
        return true;
    }
    schedule();
    return true;
}

void FleetRunner::stop()
{
    m_stop = true;
    const QList<quint64> waiting = m_queue;
    m_queue.clear();
    for (quint64 id : waiting) {
        const int row = rowOf(id);
        if (row < 0)
            continue;
        m_instruments[row].state = FleetInstrument::NotStarted;
        m_instruments[row].message = tr("已停止,未开始");
        emit rowChanged(row);
    }
    if (m_running == 0)
        emit actionFinished(m_action);
}

QString FleetRunner::portKey(const LinkSettings &link)
{
    return link.useUdp ? QStringLiteral("udp:%1:%2").arg(link.udpAddress.trimmed()).arg(link.udpPort)
                       : QStringLiteral("serial:") + link.serialPort;
}

bool FleetRunner::portBusy(const QString &key) const
{
    for (const QString &busy : m_busyPorts) {
        if (busy == key)
            return true;
    }
    return false;
}

int FleetRunner::rowOf(quint64 id) const
{
    return m_ids.indexOf(id);
}

QThread *FleetRunner::spawn(std::function<void()> body)
{
    QThread *thread = QThread::create(std::move(body));
    m_threads << thread;
    connect(thread, &QThread::finished, this, [this, thread] {
        m_threads.removeOne(thread);
        thread->deleteLater();
    });
    thread->start();
    return thread;
}

void FleetRunner::schedule()
{
    for (int i = 0; i < m_queue.size() && m_running < m_maxParallel && !m_stop;) {
        const quint64 id = m_queue.at(i);
        const int row = rowOf(id);
        if (row < 0) {
            m_queue.removeAt(i);
            continue;
        }
        const QString key = portKey(m_instruments.at(row).link);
        if (portBusy(key)) {
            ++i;
            continue;
        }
        m_queue.removeAt(i);
        m_busyPorts.insert(id, key);
        ++m_running;
        m_peak = qMax(m_peak, m_running);
        FleetInstrument &in = m_instruments[row];
        in.state = FleetInstrument::Running;
        emit rowChanged(row);
        // The worker gets copies: nothing of this thread is read over there.
        const FleetInstrument copy = in;
        FleetJobOptions options = m_options;
        // The runner outlives its jobs: its destructor waits for them.
        options.stopRequested = [this] { return m_stop.load(); };
        const FleetAction action = m_action;
        spawn([this, id, copy, options, action] {
            const FleetJobResult result = runFleetJob(action, copy, options, [this, id](const QString &text) {
                QMetaObject::invokeMethod(this, [this, id, text] { jobProgress(id, text); }, Qt::QueuedConnection);
            });
            QMetaObject::invokeMethod(this, [this, id, result] { jobDone(id, result); }, Qt::QueuedConnection);
        });
    }
}

void FleetRunner::jobProgress(quint64 id, const QString &text)
{
    const int row = rowOf(id);
    if (row < 0 || m_instruments.at(row).state != FleetInstrument::Running)
        return;
    m_instruments[row].progress = text;
    emit rowChanged(row);
}

void FleetRunner::jobDone(quint64 id, const FleetJobResult &result)
{
    m_busyPorts.remove(id);
    --m_running;
    const int row = rowOf(id);
    if (row >= 0) {
        FleetInstrument &in = m_instruments[row];
        in.state = result.state;
        in.message = result.message;
        in.progress.clear();
        if (result.haveRows) {
            in.rows = result.rows;
            in.haveRows = true;
            fleetIdentity(in.rows, &in.station, &in.model, &in.version);
        }
        if (result.lastBackup.isValid()) {
            in.lastBackup = result.lastBackup;
            in.lastBackupPath = result.backupPath;
        }
        emit rowChanged(row);
    }
    schedule();
    if (m_running == 0 && m_queue.isEmpty())
        emit actionFinished(m_action);
}

void FleetRunner::setReference(const QString &path, const QList<ItemRow> &rows)
{
    m_referencePath = path;
    m_referenceRows = rows;
    m_haveReference = !path.isEmpty();
    for (int i = 0; i < m_instruments.size(); ++i)
        emit rowChanged(i);
}

int FleetRunner::differences(int row) const
{
    if (!m_haveReference || row < 0 || row >= m_instruments.size() || !m_instruments.at(row).haveRows)
        return -1;
    int n = 0;
    for (const PreviewRow &p : buildWritePreview(m_referenceRows, m_instruments.at(row).rows, {}))
        n += p.differs() ? 1 : 0;
    return n;
}

QString FleetRunner::stateText(FleetInstrument::State state)
{
    switch (state) {
    case FleetInstrument::Waiting:
        return tr("等待");
    case FleetInstrument::Running:
        return tr("进行中");
    case FleetInstrument::Ok:
        return tr("正常");
    case FleetInstrument::NoAnswer:
        return tr("无应答");
    case FleetInstrument::Error:
        return tr("错误");
    case FleetInstrument::Skipped:
        return tr("跳过");
    case FleetInstrument::NotStarted:
        return tr("未开始");
    }
    return QString();
}

QString FleetRunner::endpointText(const LinkSettings &link)
{
    if (!link.useUdp)
        return QStringLiteral("%1 %2").arg(link.serialPort).arg(link.baudrate);
    const QString host = link.udpAddress.contains(QLatin1Char(':')) ? QLatin1Char('[') + link.udpAddress + QLatin1Char(']')
                                                                    : link.udpAddress;
    return QStringLiteral("%1:%2").arg(host).arg(link.udpPort);
}

namespace {

QString csvField(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

QByteArray FleetRunner::resultsCsv() const
{
    QString out = QStringLiteral("name,endpoint,address,state,message\r\n");
    for (const FleetInstrument &in : m_instruments) {
        out += QStringList{csvField(in.name), csvField(endpointText(in.link)), QString::number(in.link.deviceAddress),
                           csvField(stateText(in.state)), csvField(in.message)}
                   .join(QLatin1Char(','))
               + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

void FleetRunner::runInBackground(std::function<QVariant()> work, std::function<void(const QVariant &)> done)
{
    spawn([this, work, done] {
        const QVariant result = work();
        QMetaObject::invokeMethod(this, [done, result] { done(result); }, Qt::QueuedConnection);
    });
}

// ---- Jobs -------------------------------------------------------------------

void fleetIdentity(const QList<ItemRow> &rows, QString *station, QString *model, QString *version)
{
    station->clear();
    model->clear();
    version->clear();
    for (const ItemRow &row : rows) {
        if (row.column1.isEmpty())
            continue;
        const QString name = itemRowName(row);
        if (station->isEmpty() && name.contains(QStringLiteral("站点名称")))
            *station = itemRowValue(row);
        else if (model->isEmpty() && name.contains(QStringLiteral("型号")))
            *model = itemRowValue(row);
        else if (version->isEmpty() && name.contains(QStringLiteral("版本")))
            *version = itemRowValue(row);
    }
}

bool fleetModelMatches(const QString &model, const QString &packageModel)
{
    if (model.trimmed().isEmpty() || packageModel.isEmpty())
        return false;
    // Package models may be patterns, as the flash's identify check reads them.
    QRegExp pattern(packageModel, Qt::CaseSensitive, QRegExp::RegExp);
    return pattern.isValid() ? pattern.exactMatch(model.trimmed()) : model.trimmed() == packageModel;
}

QString latestFleetBackup(const QString &dir, const LinkSettings &link, QDateTime *when)
{
    const QRegularExpression own(QStringLiteral("^.*-%1-(\\d{8}-\\d{6})(?:-(\\d+))?\\.csv$")
                                     .arg(QRegularExpression::escape(backupLinkTag(link))));
    QString best, bestStamp;
    int bestSequence = 0;
    for (const QString &file : QDir(dir).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = own.match(file);
        if (!m.hasMatch())
            continue;
        const QString stamp = m.captured(1);
        const int sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        if (best.isEmpty() || stamp > bestStamp || (stamp == bestStamp && sequence > bestSequence)) {
            best = file;
            bestStamp = stamp;
            bestSequence = sequence;
        }
    }
    if (best.isEmpty())
        return QString();
    if (when)
        *when = QDateTime::fromString(bestStamp, QStringLiteral("yyyyMMdd-HHmmss"));
    return QDir(dir).filePath(best);
}

QString loadFleetItemFile(const QString &path, const SkipTable &table, QList<ItemRow> *rows)
{
    const FileReadResult read = readRegularFile(path, kMaxItemFileBytes);
    if (read.status == FileReadResult::NotFound || read.status == FileReadResult::ReadFailed)
        return itemFileOpenFailedMessage(path);
    if (!read.ok())
        return read.detail;
    int badLine = 0;
    const QStringList lines = itemFileLines(read.bytes, &badLine);
    if (badLine > 0)
        return itemFileEncodingMessage(badLine);
    if (lines.isEmpty())
        return FleetRunner::tr("文件中没有配置项: %1").arg(QDir::toNativeSeparators(path));
    ItemRowList list(table);
    for (const QString &line : lines) {
        int index = 0;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields))
            return itemFileParseMessage();
        list.addItem(index, fields);
    }
    *rows = list.rows();
    return QString();
}

namespace {

int firstTimeout(const FleetJobOptions &o) { return o.timeoutMs > 0 ? o.timeoutMs : kItemFirstTimeoutMs; }
int retryTimeout(const FleetJobOptions &o) { return o.timeoutMs > 0 ? o.timeoutMs : kItemRetryTimeoutMs; }
int exchangeTimeout(const FleetJobOptions &o) { return o.timeoutMs > 0 ? o.timeoutMs : 5000; }

// The instrument's whole list through the skip table, on a link of its own.
ItemListOutcome readRows(const FleetInstrument &in, const FleetJobOptions &o, QList<ItemRow> *rows,
                         const FleetProgress &progress, const QString &what)
{
    ItemRowList list(o.table);
    DeviceLink link;
    link.setFixedSettings(in.link);
    int received = 0;
    ItemListHooks hooks;
    hooks.stopRequested = o.stopRequested;
    hooks.cleared = [&list] { list.clear(); };
    hooks.item = [&](int index, const QStringList &fields) {
        list.addItem(index, fields);
        progress(FleetRunner::tr("%1: 已读 %2 项").arg(what).arg(++received));
    };
    const ItemListOutcome outcome = readItemList(link, hooks, firstTimeout(o), retryTimeout(o));
    link.close();
    *rows = list.rows();
    return outcome;
}

// A failed read as the row shows it.
FleetJobResult readFailure(const ItemListOutcome &outcome)
{
    FleetJobResult r;
    const bool stopped = outcome.status == ItemListOutcome::Failed && outcome.failure == Failure::Interrupted;
    const bool linkFault =
        outcome.status == ItemListOutcome::Failed && outcome.failure != Failure::OpenFailed && !stopped;
    r.state = linkFault ? FleetInstrument::NoAnswer : FleetInstrument::Error;
    r.message = stopped ? RefreshThread::stoppedText(outcome.items) : itemListMessage(outcome);
    return r;
}

bool backupRows(const FleetInstrument &in, const FleetJobOptions &o, const QList<ItemRow> &rows, FleetJobResult *r)
{
    const BackupOutcome backup =
        writeItemBackup(o.backupDir.isEmpty() ? defaultBackupDir() : o.backupDir, rows, in.link,
                        QDateTime::currentDateTime(), o.backupKeep);
    if (!backup.ok) {
        r->state = FleetInstrument::Error;
        r->message = backup.detail;
        return false;
    }
    r->backupPath = backup.path;
    r->lastBackup = QDateTime::currentDateTime();
    return true;
}

// Writes the rows of `file` that differ from what the instrument holds, then
// reads the list back to check what it kept.
FleetJobResult writeFile(const FleetInstrument &in, const FleetJobOptions &o, const QString &file,
                         const FleetProgress &progress)
{
    FleetJobResult r;
    QList<ItemRow> fileRows;
    const QString loadError = loadFleetItemFile(file, o.table, &fileRows);
    if (!loadError.isEmpty()) {
        r.message = loadError;
        return r;
    }
    QList<ItemRow> mine;
    const ItemListOutcome read = readRows(in, o, &mine, progress, FleetRunner::tr("读取"));
    if (read.status != ItemListOutcome::Complete)
        return readFailure(read);
    r.haveRows = true;
    r.rows = mine;
    QList<WrittenRow> rows;
    int unsendable = 0;
    for (const PreviewRow &p :
         buildWritePreview(fileRows, mine, o.writeProtected ? QStringList() : o.protectedPatterns)) {
        if (p.status != PreviewRow::Changed)
            continue;
        if (!itemValueCharProblem(p.fileValue).isEmpty()) {
            ++unsendable;
            continue;
        }
        rows.append({p.index, p.name, p.fileValue});
    }
    if (rows.isEmpty()) {
        r.state = unsendable > 0 ? FleetInstrument::Error : FleetInstrument::Ok;
        r.refused = unsendable;
        r.message = unsendable > 0 ? FleetRunner::tr("写入 0 项,拒绝 %1 项").arg(unsendable)
                                   : FleetRunner::tr("没有不同的配置项");
        return r;
    }
    // The same batch as the single window's and zrvu-cli's: backup first,
    // rows up to the first unanswered one, then the check read.
    BatchWriteRequest request;
    for (int i = 0; i < rows.size(); ++i)
        request.rows.append({i, rows.at(i).index, rows.at(i).name, rows.at(i).value, WriteValue});
    request.safety.backup = o.backupFirst;
    request.safety.backupRows = mine;
    request.safety.backupDir = o.backupDir.isEmpty() ? defaultBackupDir() : o.backupDir;
    request.safety.backupKeep = o.backupKeep;
    request.safety.verify = true;
    request.safety.table = o.table;
    request.settings = in.link;
    request.timeoutMs = exchangeTimeout(o);
    BatchWriteHooks hooks;
    hooks.stopRequested = o.stopRequested;
    hooks.rowStarted = [&progress](int number, int count, const BatchWriteRow &row) {
        progress(FleetRunner::tr("写入 %1/%2: %3").arg(number).arg(count).arg(row.name));
    };
    hooks.checkProgress = [&progress](int items) {
        progress(FleetRunner::tr("%1: 已读 %2 项").arg(FleetRunner::tr("核对")).arg(items));
    };
    DeviceLink link;
    link.setFixedSettings(in.link);
    const BatchWriteOutcome batch = writeItemBatch(link, request, hooks);
    if (!batch.backupError.isEmpty()) {
        r.state = FleetInstrument::Error;
        r.message = batch.backupError;
        return r;
    }
    if (!batch.backupPath.isEmpty()) {
        r.backupPath = batch.backupPath;
        r.lastBackup = QDateTime::currentDateTime();
    }
    if (!batch.opened) {
        r.state = FleetInstrument::Error;
        r.message = itemWriteOpenFailedMessage()
                    + (batch.detail.isEmpty() ? QString() : QLatin1Char(' ') + batch.detail);
        return r;
    }
    r.refused = unsendable;
    for (const ItemWriteOutcome &outcome : batch.outcomes) {
        if (outcome.status == ItemWriteOutcome::Written)
            ++r.written;
        else if (outcome.status == ItemWriteOutcome::Refused)
            ++r.refused;
    }
    const QString counts = FleetRunner::tr("写入 %1 项,拒绝 %2 项").arg(r.written).arg(r.refused);
    if (batch.failed()) {
        const ItemWriteOutcome &last = batch.outcomes.last();
        r.state = last.status == ItemWriteOutcome::LinkFailed ? FleetInstrument::NoAnswer : FleetInstrument::Error;
        r.message = counts + QStringLiteral("; ") + itemWriteMessage(last) + QLatin1Char(' ')
                    + itemWriteStoppedMessage(batch.rows.last().value);
        return r;
    }
    if (batch.stopped || batch.checkStopped) {
        r.state = FleetInstrument::Error;
        r.message = batch.stopped ? ExchangeThread::stoppedText(batch.answered(), batch.count)
                                  : ExchangeThread::checkStoppedText(batch.answered());
        return r;
    }
    if (!batch.verified) {
        r.state = FleetInstrument::Error;
        r.message = counts + QStringLiteral("; ") + verifyReadFailedMessage(batch.verifyError);
        return r;
    }
    r.rows = batch.checkedRows;
    r.mismatched = verifyFailures(batch.verifyRows);
    r.state = r.refused > 0 || r.mismatched > 0 ? FleetInstrument::Error : FleetInstrument::Ok;
    r.message = counts + QStringLiteral("; ")
                + verifyMessage(batch.verifyRows).split(QLatin1Char('\n')).join(QStringLiteral("; "));
    return r;
}

FleetJobResult flashOne(const FleetInstrument &in, const FleetJobOptions &o, const FleetProgress &progress)
{
    FleetJobResult r;
    if (o.backupFirst) {
        QList<ItemRow> mine;
        const ItemListOutcome read = readRows(in, o, &mine, progress, FleetRunner::tr("备份"));
        if (read.status != ItemListOutcome::Complete) {
            r = readFailure(read);
            r.message = FleetRunner::tr("未更新固件: ") + backupFailedMessage(r.message);
            return r;
        }
        if (!backupRows(in, o, mine, &r))
            return r;
    }
    DEncryptInfo info(o.packagePath);
    // A connection of this thread's own: SQLite handles stay on their thread.
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("fleet-package-%1").arg(++serial);
    QString packageError;
    {
        DDbServer db(connection);
        packageError = db.readInfo(info);
    }
    QSqlDatabase::removeDatabase(connection);
    if (!packageError.isEmpty()) {
        r.state = FleetInstrument::Error;
        r.message = packageError;
        return r;
    }
    FlashHooks hooks;
    hooks.timeouts = {o.flashExchangeMs, o.flashEraseMs, o.flashPauseMs};
    hooks.progress = [&progress](int percent) { progress(FleetRunner::tr("更新固件 %1%").arg(percent)); };
    DeviceLink link;
    link.setFixedSettings(in.link);
    const FlashOutcome outcome = flashPackage(link, info, hooks);
    link.close();
    if (outcome.status == FlashOutcome::Complete) {
        r.state = FleetInstrument::Ok;
        r.message = flashSucceededMessage() + QStringLiteral(" ") + info.version();
    } else {
        r.state = outcome.status == FlashOutcome::IdentifyFailed || outcome.status == FlashOutcome::Failed
                      ? FleetInstrument::NoAnswer
                      : FleetInstrument::Error;
        r.message = flashMessage(outcome);
    }
    return r;
}

} // namespace

FleetJobResult runFleetJob(FleetAction action, const FleetInstrument &in, const FleetJobOptions &o,
                           const FleetProgress &progress)
{
    FleetJobResult r;
    switch (action) {
    case FleetAction::Read:
    case FleetAction::Backup:
    case FleetAction::Export: {
        QList<ItemRow> rows;
        const ItemListOutcome read = readRows(in, o, &rows, progress, FleetRunner::tr("读取"));
        if (read.status != ItemListOutcome::Complete)
            return readFailure(read);
        r.haveRows = true;
        r.rows = rows;
        r.state = FleetInstrument::Ok;
        if (action == FleetAction::Read) {
            r.backupPath =
                latestFleetBackup(o.backupDir.isEmpty() ? defaultBackupDir() : o.backupDir, in.link, &r.lastBackup);
            r.message = FleetRunner::tr("已读 %1 项").arg(rows.size());
        } else if (action == FleetAction::Backup) {
            if (backupRows(in, o, rows, &r))
                r.message = backupWrittenMessage(r.backupPath);
        } else {
            const QString path = QDir(o.exportDir).filePath(targetFileName(in.name) + QStringLiteral(".csv"));
            const QString failure = writeWholeFile(path, buildItemFile(rows));
            if (failure.isEmpty()) {
                r.message = QDir::toNativeSeparators(path);
            } else {
                r.state = FleetInstrument::Error;
                r.message = itemExportFailedMessage(failure);
            }
        }
        return r;
    }
    case FleetAction::Write:
        return writeFile(in, o, o.itemFile, progress);
    case FleetAction::Restore: {
        const QString file = latestFleetBackup(o.backupDir.isEmpty() ? defaultBackupDir() : o.backupDir, in.link);
        if (file.isEmpty()) {
            r.message = FleetRunner::tr("没有这台设备的备份");
            return r;
        }
        r = writeFile(in, o, file, progress);
        r.message = QFileInfo(file).fileName() + QStringLiteral(": ") + r.message;
        return r;
    }
    case FleetAction::ClockSync: {
        DeviceLink link;
        link.setFixedSettings(in.link);
        const ClockSyncOutcome outcome = syncClock(link, exchangeTimeout(o));
        r.state = outcome.status == ClockSyncOutcome::Synced      ? FleetInstrument::Ok
                  : outcome.status == ClockSyncOutcome::LinkFailed && outcome.failure != Failure::OpenFailed
                      ? FleetInstrument::NoAnswer
                      : FleetInstrument::Error;
        r.message = clockSyncMessage(outcome);
        return r;
    }
    case FleetAction::Flash:
        return flashOne(in, o, progress);
    }
    return r;
}

// ---- Targets files ----------------------------------------------------------

QString parseFleetTargets(const QString &text, QVector<FleetInstrument> *out)
{
    QVector<CliTarget> targets;
    QString error;
    if (!parseTargets(text, &targets, &error))
        return error;
    // Encryption and the serial framing are not part of a target: they are
    // the stored setup's, as zrvu-cli's children take them.
    const LinkSettings base = LinkSettings::fromSettings();
    out->clear();
    for (const CliTarget &t : qAsConst(targets)) {
        FleetInstrument in;
        in.name = t.name;
        in.link = base;
        in.link.useUdp = t.udp;
        in.link.deviceAddress = static_cast<quint8>(t.address);
        if (t.udp) {
            const int colon = t.endpoint.lastIndexOf(QLatin1Char(':'));
            QString host = t.endpoint.left(colon);
            if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
                host = host.mid(1, host.size() - 2);
            in.link.udpAddress = host;
            in.link.udpPort = static_cast<quint16>(t.endpoint.mid(colon + 1).toUInt());
        } else {
            in.link.serialPort = t.endpoint;
            in.link.baudrate = t.baud;
        }
        out->append(in);
    }
    return QString();
}

QString fleetTargetsText(const QVector<FleetInstrument> &instruments)
{
    QString out = QStringLiteral("# zrvu plant view\n");
    for (const FleetInstrument &in : instruments) {
        const QString name = QString(in.name).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
        if (in.link.useUdp)
            out += QStringLiteral("udp %1 %2").arg(FleetRunner::endpointText(in.link)).arg(in.link.deviceAddress);
        else
            out += QStringLiteral("serial %1 %2 %3").arg(in.link.serialPort).arg(in.link.baudrate).arg(in.link.deviceAddress);
        if (!name.isEmpty())
            out += QLatin1Char(' ') + name;
        out += QLatin1Char('\n');
    }
    return out;
}
