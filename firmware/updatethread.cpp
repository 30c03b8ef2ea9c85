#include "firmware/updatethread.h"

#include "firmware/flashframes.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QRegExp>

UpdateThread::UpdateThread(QObject *parent)
    : QThread(parent)
{
}

UpdateThread::~UpdateThread()
{
    // A run cannot be cancelled; never tear it down underneath itself.
    wait();
}

void UpdateThread::setTimeouts(int exchangeMs, int eraseMs, int reopenPauseMs)
{
    m_exchangeTimeoutMs = exchangeMs;
    m_eraseTimeoutMs = eraseMs;
    m_reopenPauseMs = reopenPauseMs;
}

bool UpdateThread::requestDeviceId(DeviceLink &link, QByteArray &reply)
{
    reply.clear();
    return link.transact(FlashFrames::identifyRequest(), reply, true, m_exchangeTimeoutMs) == LinkOk;
}

bool UpdateThread::modelMatches(const QString &identifyText, const QString &model)
{
    // The model is inserted verbatim: instruments rely on pattern models.
    const QRegExp pattern(QStringLiteral("!?Find\\s+%1\\s+OK").arg(model), Qt::CaseSensitive, QRegExp::RegExp);
    return pattern.indexIn(identifyText) >= 0;
}

bool UpdateThread::matchDeviceModel(const QByteArray &reply) const
{
    return modelMatches(decodeDeviceText(reply), m_info.model());
}

bool UpdateThread::eraseDevice(DeviceLink &link, int length)
{
    return sendAndCompare(link, FlashFrames::eraseRequest(static_cast<quint32>(length)), FlashFrames::eraseReply(),
                          m_eraseTimeoutMs);
}

bool UpdateThread::sendPage(DeviceLink &link, const char *data, quint8 pageNumber)
{
    return sendAndCompare(link, FlashFrames::pageRequest(data, pageNumber), FlashFrames::pageReply(pageNumber),
                          m_exchangeTimeoutMs);
}

void UpdateThread::leaveUpdate(DeviceLink &link)
{
    const QByteArray request = FlashFrames::leaveRequest();
    for (int i = 0; i < 2; ++i) {
        QByteArray reply;
        link.transact(request, reply, true, m_exchangeTimeoutMs);
    }
}

bool UpdateThread::acknowledged(const QByteArray &reply, const QByteArray &expected)
{
    if (reply == expected)
        return true;
    // Some instruments answer every step with the erase text.
    static const QByteArray eraseText("Erase OK\r\n");
    const int i = reply.indexOf('E');
    if (i < 0)
        return false;
    const int j = reply.indexOf('\n', i);
    return j >= 0 && j - i + 1 == eraseText.size() && reply.mid(i, eraseText.size()) == eraseText;
}

bool UpdateThread::sendAndCompare(DeviceLink &link, const QByteArray &request, const QByteArray &expected,
                                  int timeoutMs)
{
    QByteArray reply;
    if (link.transact(request, reply, true, timeoutMs) != LinkOk)
        return false;
    return acknowledged(reply, expected);
}

void UpdateThread::run()
{
    DeviceLink link;
    const QByteArray image = m_info.image();
    const int length = image.size();
    // Erasing for an empty image would leave the instrument without
    // firmware: refuse before anything is sent.
    if (length == 0) {
        emit signalShowErrorMessage(tr("固件更新失败,文件中没有固件数据!"));
        return;
    }

    if (!link.open()) {
        emit signalShowErrorMessage(tr("固件更新失败,") + link.errorText);
        return;
    }

    QByteArray reply;
    if (!requestDeviceId(link, reply)) {
        if (!link.useUdp && link.serialPort)
            link.serialPort->close();
        QThread::msleep(static_cast<unsigned long>(m_reopenPauseMs));
        if (!link.open()) {
            emit signalShowErrorMessage(tr("固件更新失败,重试打开串口失败 ：") + link.errorText);
            return;
        }
        if (!requestDeviceId(link, reply)) {
            emit signalShowErrorMessage(tr("固件更新失败,获取设备ID失败!"));
            leaveUpdate(link);
            return;
        }
    }

    if (!matchDeviceModel(reply)) {
        emit signalShowErrorMessage(tr("固件更新失败,BIN文件与设备型号不一致!"));
        leaveUpdate(link);
        return;
    }

    if (!eraseDevice(link, length)) {
        emit signalShowErrorMessage(tr("固件更新失败,擦除设备内存失败!"));
        return;
    }

    emit signalUpdateProgress(0);
    const int pageSize = FlashFrames::pageSize;
    // The last page is completed from this buffer, never read past the image.
    QByteArray lastPage;
    for (qint64 k = 0; k * pageSize < length; ++k) {
        const qint64 offset = k * pageSize;
        const char *data = image.constData() + offset;
        if (length - offset < pageSize) {
            lastPage = QByteArray(pageSize, static_cast<char>(0xFF));
            std::copy(data, image.constData() + length, lastPage.data());
            data = lastPage.constData();
        }
        if (!sendPage(link, data, static_cast<quint8>(k & 0xFF))) {
            emit signalShowErrorMessage(tr("固件更新失败,发送文件数据失败!"));
            return;
        }
        emit signalUpdateProgress(static_cast<int>(k * 102400 / length));
    }

    leaveUpdate(link);
    emit signalUpdateSucceed();
}
