#include "items/exchangethread.h"

#include "link/devicelink.h"

ExchangeThread::ExchangeThread(QObject *parent)
    : QThread(parent)
{
    qRegisterMetaType<WriteRowCopy>();
    qRegisterMetaType<WriteRunOutcome>();
    qRegisterMetaType<ItemWriteOutcome>();
    qRegisterMetaType<ClockSyncOutcome>();
    qRegisterMetaType<SerialNumberOutcome>();
    qRegisterMetaType<ItemListOutcome>();
    qRegisterMetaType<QList<ItemRow>>();
}

ExchangeThread::~ExchangeThread()
{
    m_stop = true;
    wait();
}

bool ExchangeThread::begin(Kind kind, const LinkSettings &settings)
{
    if (isRunning())
        return false;
    m_kind = kind;
    m_settings = settings;
    m_stop = false;
    start();
    return true;
}

bool ExchangeThread::startWrite(const LinkSettings &settings, const QList<WriteRowCopy> &rows, bool batch,
                                const WriteSafety &safety)
{
    if (isRunning())
        return false;
    m_rows = rows;
    m_safety = safety;
    return begin(batch ? WriteAll : WriteOne, settings);
}

bool ExchangeThread::startReadItems(const LinkSettings &settings, const SkipTable &table)
{
    if (isRunning())
        return false;
    m_safety = WriteSafety();
    m_safety.table = table;
    return begin(ReadItems, settings);
}

bool ExchangeThread::startClockSync(const LinkSettings &settings)
{
    return begin(ClockSync, settings);
}

bool ExchangeThread::startSerialProbe(const LinkSettings &settings)
{
    return begin(SerialProbe, settings);
}

bool ExchangeThread::startSerialNumber(const LinkSettings &settings, const QString &sn)
{
    if (isRunning())
        return false;
    m_sn = sn;
    return begin(SerialWrite, settings);
}

void ExchangeThread::run()
{
    switch (m_kind) {
    case None:
    case Refresh:
        break;
    case WriteOne:
    case WriteAll:
        runWrite();
        break;
    case ReadItems: {
        DeviceLink link;
        link.setFixedSettings(m_settings);
        QList<ItemRow> rows;
        const ItemListOutcome outcome = readItemRows(
            link, m_safety.table, &rows, [this] { return m_stop.load(); },
            [this](int items) { emit signalItemsReceived(items, false); }, qMin(m_timeoutMs, kItemFirstTimeoutMs),
            qMin(m_timeoutMs, kItemRetryTimeoutMs));
        link.close();
        emit signalItemsRead(outcome, rows);
        break;
    }
    case ClockSync: {
        DeviceLink link;
        link.setFixedSettings(m_settings);
        const ClockSyncOutcome outcome = syncClock(link, m_timeoutMs);
        emit signalClockSynced(outcome);
        break;
    }
    case SerialProbe: {
        DeviceLink link;
        const bool opened = link.open(m_settings);
        const QString error = link.errorText;
        link.close();
        emit signalSerialProbed(opened, error);
        break;
    }
    case SerialWrite: {
        DeviceLink link;
        SerialNumberOutcome outcome;
        if (link.open(m_settings)) {
            outcome = writeSerialNumberExchange(link, m_sn);
        } else {
            // The port went away between the probe and the number.
            outcome.status = SerialNumberOutcome::StreamFailed;
            outcome.failure = Failure::OpenFailed;
            outcome.detail = link.errorText;
        }
        link.close();
        emit signalSerialNumberWritten(outcome);
        break;
    }
    }
}

void ExchangeThread::runWrite()
{
    BatchWriteRequest request;
    request.rows = m_rows;
    request.safety = m_safety;
    request.settings = m_settings;
    request.timeoutMs = m_timeoutMs;
    BatchWriteHooks hooks;
    // A single write is not stopped: it is one row already on its way.
    hooks.stopRequested = [this] { return m_kind == WriteAll && m_stop.load(); };
    hooks.rowStarted = [this](int number, int count, const BatchWriteRow &row) {
        emit signalRowStarted(number, count, row);
    };
    hooks.rowWritten = [this](const BatchWriteRow &row, const ItemWriteOutcome &outcome) {
        emit signalRowWritten(row, outcome);
    };
    hooks.checkProgress = [this](int items) { emit signalItemsReceived(items, true); };
    DeviceLink link;
    link.setFixedSettings(m_settings);
    const BatchWriteOutcome run = writeItemBatch(link, request, hooks);
    emit signalWriteFinished(run);
}

QString ExchangeThread::progressText(Kind kind, int number, int count, const QString &name, bool stopping)
{
    switch (kind) {
    case None:
        break;
    case Refresh:
        return tr("正在刷新: 已收到%1项").arg(number);
    case ReadItems:
        return previewReadText(number);
    case WriteOne:
        return name;
    case WriteAll:
        if (stopping)
            return tr("第%1行,共%2行: 写完本行后停止").arg(number).arg(count);
        if (number > 0)
            return tr("第%1行,共%2行: %3").arg(number).arg(count).arg(name);
        return tr("共%1行").arg(count);
    case ClockSync:
        return tr("正在同步时间");
    case SerialProbe:
    case SerialWrite:
        return tr("正在写入SN");
    }
    return QString();
}

QString ExchangeThread::stoppedText(int written, int count)
{
    return tr("写入配置已停止: 已写入%1行,共%2行").arg(written).arg(count);
}

QString ExchangeThread::stopButtonText()
{
    return tr("停止");
}

QString ExchangeThread::stopButtonToolTip()
{
    return tr("写完当前行后停止写入");
}

QString ExchangeThread::readStopButtonToolTip()
{
    return tr("收到当前项后停止读取");
}

QString ExchangeThread::previewReadText(int items)
{
    return tr("正在读取设备配置: 已收到%1项").arg(items);
}

QString ExchangeThread::checkText(int items, int count)
{
    return tr("正在核对 %1/%2").arg(items).arg(count);
}

QString ExchangeThread::checkStoppedText(int written)
{
    return tr("已写入%1行,核对已停止").arg(written);
}

QString ExchangeThread::busyText()
{
    return tr("请等待当前操作结束");
}
