#include "items/refreshthread.h"

#include "link/devicelink.h"

namespace {
QString refreshImage()
{
    return QStringLiteral(":/image/refresh.png");
}
} // namespace

RefreshThread::RefreshThread(QObject *parent)
    : QThread(parent)
{
}

RefreshThread::~RefreshThread()
{
    wait();
}

void RefreshThread::setTimeouts(int firstMs, int retryMs)
{
    m_firstTimeoutMs = firstMs;
    m_retryTimeoutMs = retryMs;
}

void RefreshThread::setLinkSettings(const LinkSettings &settings)
{
    m_linkSettings = settings;
    m_hasLinkSettings = true;
}

void RefreshThread::run()
{
    m_stopped = false;
    DeviceLink link;
    if (m_hasLinkSettings)
        link.setFixedSettings(m_linkSettings);
    link.interChunkWaitMs = 500;
    readItems(link);
    link.close();
}

void RefreshThread::readItems(DeviceLink &link)
{
    ItemListHooks hooks;
    hooks.stopRequested = [this] { return m_stop.load(); };
    hooks.cleared = [this] { emit signalClearItems(); };
    hooks.item = [this](int index, const QStringList &fields) { emit signalAddItems(index, fields); };
    const ItemListOutcome outcome = readItemList(link, hooks, m_firstTimeoutMs, m_retryTimeoutMs);
    m_stopped = outcome.failure == Failure::Interrupted;
    const QString error = itemListMessage(outcome);
    if (!error.isEmpty())
        emit showErrorMessage(tr("刷新"), error, refreshImage());
}

bool RefreshThread::checkReply(int result, DeviceLink &link, int index, QByteArray &reply)
{
    const ItemReadOutcome read = judgeItemExchange(link, index, result, reply, m_retryTimeoutMs);
    reply = read.reply;
    if (read.status == ItemReadOutcome::Item)
        return false;
    const QString error = itemListMessage(itemListFailure(read));
    if (!error.isEmpty())
        emit showErrorMessage(tr("刷新"), error, refreshImage());
    return true;
}

QString RefreshThread::stoppedText(int items)
{
    return tr("刷新已停止: 已收到%1项").arg(items);
}
