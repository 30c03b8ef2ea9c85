#include "firmware/flash.h"

#include "firmware/flashframes.h"
#include "firmware/package.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>
#include <QRegExp>
#include <QThread>

#include <algorithm>

bool flashModelMatches(const QString &identifyText, const QString &model)
{
    const QRegExp pattern(QStringLiteral("!?Find\\s+%1\\s+OK").arg(model), Qt::CaseSensitive, QRegExp::RegExp);
    return pattern.indexIn(identifyText) >= 0;
}

IdentifyReplyStatus parseIdentifyReply(const QByteArray &reply, const QString &model)
{
    return flashModelMatches(decodeDeviceText(reply), model) ? IdentifyReplyStatus::ModelConfirmed
                                                             : IdentifyReplyStatus::OtherModel;
}

FlashAckStatus parseFlashAck(const QByteArray &reply, const QByteArray &expected)
{
    if (reply == expected)
        return FlashAckStatus::Exact;
    // Some instruments answer every step with the erase text.
    static const QByteArray eraseText("Erase OK\r\n");
    const int i = reply.indexOf('E');
    if (i < 0)
        return FlashAckStatus::NotAcknowledged;
    const int j = reply.indexOf('\n', i);
    if (j >= 0 && j - i + 1 == eraseText.size() && reply.mid(i, eraseText.size()) == eraseText)
        return FlashAckStatus::EraseText;
    return FlashAckStatus::NotAcknowledged;
}

FlashAckStatus parseEraseReply(const QByteArray &reply)
{
    return parseFlashAck(reply, FlashFrames::eraseReply());
}

FlashAckStatus parsePageReply(const QByteArray &reply, quint8 pageNumber)
{
    return parseFlashAck(reply, FlashFrames::pageReply(pageNumber));
}

bool flashIdentify(DeviceLink &link, QByteArray &reply, int timeoutMs)
{
    reply.clear();
    return link.transact(FlashFrames::identifyRequest(), reply, true, timeoutMs) == LinkOk;
}

bool flashSendAndCompare(DeviceLink &link, const QByteArray &request, const QByteArray &expected, int timeoutMs)
{
    QByteArray reply;
    if (link.transact(request, reply, true, timeoutMs) != LinkOk)
        return false;
    return isAcknowledged(parseFlashAck(reply, expected));
}

void flashLeave(DeviceLink &link, int timeoutMs)
{
    const QByteArray request = FlashFrames::leaveRequest();
    for (int i = 0; i < 2; ++i) {
        QByteArray reply;
        link.transact(request, reply, true, timeoutMs);
    }
}

FlashOutcome flashImage(DeviceLink &link, const QByteArray &image, const QString &model, const FlashHooks &hooks)
{
    FlashOutcome out;
    const FlashTimeouts &t = hooks.timeouts;
    const int pageSize = FlashFrames::pageSize;
    const int length = image.size();
    out.totalPages = static_cast<int>((qint64(length) + pageSize - 1) / pageSize);
    auto fail = [&](FlashOutcome::Status status, Failure::Code failure, bool leave) {
        out.status = status;
        out.failure = failure;
        if (leave) {
            flashLeave(link, t.exchangeMs);
            out.leaveSent = true;
        }
        return out;
    };
    if (length == 0)
        return fail(FlashOutcome::NoImage, Failure::BadPackage, false);

    if (!link.open()) {
        out.detail = link.errorText;
        return fail(FlashOutcome::Failed, Failure::OpenFailed, false);
    }

    QByteArray reply;
    if (!flashIdentify(link, reply, t.exchangeMs)) {
        if (!link.useUdp && link.serialPort)
            link.serialPort->close();
        QThread::msleep(static_cast<unsigned long>(t.reopenPauseMs));
        if (!link.open()) {
            out.detail = link.errorText;
            return fail(FlashOutcome::ReopenFailed, Failure::OpenFailed, false);
        }
        if (!flashIdentify(link, reply, t.exchangeMs))
            return fail(FlashOutcome::IdentifyFailed, Failure::IdentifyFailed, true);
    }
    out.identifyText = decodeDeviceText(reply);
    if (parseIdentifyReply(reply, model) != IdentifyReplyStatus::ModelConfirmed)
        return fail(FlashOutcome::ModelMismatch, Failure::ModelMismatch, true);

    if (!flashSendAndCompare(link, FlashFrames::eraseRequest(static_cast<quint32>(length)), FlashFrames::eraseReply(),
                             t.eraseMs))
        return fail(FlashOutcome::EraseFailed, Failure::EraseFailed, false);

    if (hooks.progress)
        hooks.progress(0);
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
        const quint8 number = static_cast<quint8>(k & 0xFF);
        if (!flashSendAndCompare(link, FlashFrames::pageRequest(data, number), FlashFrames::pageReply(number),
                                 t.exchangeMs)) {
            out.failedPage = static_cast<int>(k);
            return fail(FlashOutcome::PageFailed, Failure::PageFailed, false);
        }
        out.pagesDone = static_cast<int>(k + 1);
        if (hooks.progress)
            hooks.progress(static_cast<int>(k * 102400 / length));
    }

    flashLeave(link, t.exchangeMs);
    out.leaveSent = true;
    out.status = FlashOutcome::Complete;
    out.failure = Failure::None;
    return out;
}

FlashOutcome flashPackage(DeviceLink &link, const DEncryptInfo &package, const FlashHooks &hooks)
{
    return flashImage(link, package.image(), package.model(), hooks);
}

QString flashMessage(const FlashOutcome &outcome)
{
    switch (outcome.status) {
    case FlashOutcome::Complete:
        return QString();
    case FlashOutcome::NoImage:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,文件中没有固件数据!");
    case FlashOutcome::Failed:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,") + outcome.detail;
    case FlashOutcome::ReopenFailed:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,重试打开串口失败 ：") + outcome.detail;
    case FlashOutcome::IdentifyFailed:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,获取设备ID失败!");
    case FlashOutcome::ModelMismatch:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,BIN文件与设备型号不一致!");
    case FlashOutcome::EraseFailed:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,擦除设备内存失败!");
    case FlashOutcome::PageFailed:
        return QCoreApplication::translate("UpdateThread", "固件更新失败,发送文件数据失败!");
    }
    return QString();
}

QString flashSucceededMessage()
{
    return QCoreApplication::translate("UpdateDialog", "固件更新成功!");
}

QString flashBusyMessage()
{
    return QCoreApplication::translate("UpdateDialog", "正在更新固件,请等待更新完成!");
}

QString flashFileMissingMessage()
{
    return QCoreApplication::translate("UpdateDialog", "更新失败,文件不存在或拒绝访问!");
}

Failure::Code flashError(const FlashOutcome &outcome)
{
    return outcome.failure;
}
