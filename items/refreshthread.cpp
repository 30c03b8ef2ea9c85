#include "items/refreshthread.h"

#include "items/itemrules.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

namespace {
QString refreshImage()
{
    return QStringLiteral(":/image/refresh.png");
}
} // namespace

QStringList itemReplyFields(const QByteArray &reply)
{
    const int n = quint8(reply.at(2));
    return splitItemText(decodeDeviceText(reply.constData() + 3, n));
}

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

void RefreshThread::run()
{
    DeviceLink link;
    link.interChunkWaitMs = 500;
    readItems(link);
    link.close();
}

void RefreshThread::readItems(DeviceLink &link)
{
    if (!link.open()) {
        emit showErrorMessage(tr("刷新"), link.errorText, refreshImage());
        return;
    }
    emit signalClearItems();
    m_failed = false;
    QByteArray reply;
    for (int index = 0; index < kMaxItems; ++index) {
        const int result = requestItem(link, index, reply, m_firstTimeoutMs);
        if (checkReply(result, link, index, reply))
            break;
        emit signalAddItems(index, itemReplyFields(reply));
    }
    // Replies carry no item number: when the instrument answered some
    // request twice, a copy may have been taken for the next item and the
    // list may be shifted; it must not be reported as read.
    if (!m_failed && link.answeredMoreThanAsked(kSettleMs))
        fail(tr("刷新"), linkErrorText(LinkExtraAnswer, QByteArray()));
}

void RefreshThread::fail(const QString &title, const QString &error)
{
    m_failed = true;
    emit showErrorMessage(title, error, refreshImage());
}

int RefreshThread::requestItem(DeviceLink &link, int index, QByteArray &reply, int timeoutMs)
{
    const QByteArray request = buildItemReadRequest(link.deviceAddress, quint8(index & 0xFF));
    return link.transact(request, reply, false, timeoutMs);
}

bool RefreshThread::checkReply(int result, DeviceLink &link, int index, QByteArray &reply)
{
    const QString title = tr("刷新");
    const QString err = linkErrorText(result, reply);
    if (!err.isEmpty()) {
        if (index == -1) {
            fail(title, err);
            return true;
        }
        const int retried = requestItem(link, index, reply, m_retryTimeoutMs);
        return checkReply(retried, link, -1, reply);
    }
    if (reply.size() >= 5 && quint8(reply.at(0)) == link.deviceAddress && quint8(reply.at(1)) == 0x03) {
        const int n = quint8(reply.at(2));
        if (reply.size() == n + 5)
            return n == 0;
        fail(title, tr("数据长度校验错误 : \n%1").arg(hexDump(reply)));
        return true;
    }
    fail(title, tr("地址或命令校验错误: \n%1").arg(hexDump(reply)));
    return true;
}
