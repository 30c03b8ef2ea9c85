// RefreshThread::checkReply on whatever a link could hand back, the way the
// refresh calls it. Input: flags byte (bits 0-1 and 4 the link's result
// code, bit 2 this is already the retry, bit 3 append a valid CRC), the device
// address, the item index, then the reply bytes. The link is never opened,
// so a retry fails at once as an unsendable request.
#include "fuzz/fuzzcheck.h"
#include "items/refreshthread.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>

namespace {

struct Outcome {
    int messages = 0;
    QString title;
    QString error;
    QString image;
};

// The refresh's decision written out independently: the expected error text,
// empty for "no message", and whether it stops.
QString expectedError(int result, quint8 address, bool retried, const QByteArray &r, bool *stop)
{
    *stop = true;
    const bool crcOk = r.size() >= 3 && checkFrameCrc(r, false);
    if (result != LinkOk || !crcOk) {
        if (!retried)
            return QStringLiteral("发送命令超时"); // the retry on an unopened link
        switch (result) {
        case LinkOk:
            return QStringLiteral("CRC校验错误");
        case LinkSendFailed:
            return QStringLiteral("发送命令超时");
        case LinkNoReply:
            return QStringLiteral("接收数据超时");
        case LinkLineLost:
            return QStringLiteral("串口连接已断开");
        case LinkBadFrame:
            return QStringLiteral("CRC校验错误");
        case LinkExtraAnswer:
            return QStringLiteral("设备重复应答");
        default:
            return QStringLiteral("未定义的错误");
        }
    }
    if (r.size() >= 5 && quint8(r.at(0)) == address && quint8(r.at(1)) == 0x03) {
        if (r.size() == quint8(r.at(2)) + 5) {
            *stop = r.at(2) == 0;
            return QString();
        }
        return QStringLiteral("数据长度校验错误 : \n") + hexDump(r);
    }
    return QStringLiteral("地址或命令校验错误: \n") + hexDump(r);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3 || size > 0x10000)
        return 0;
    static RefreshThread refresh;
    static DeviceLink link;
    static Outcome seen;
    static const bool connected = QObject::connect(
        &refresh, &RefreshThread::showErrorMessage, &refresh,
        [](const QString &title, const QString &error, const QString &image) {
            ++seen.messages;
            seen.title = title;
            seen.error = error;
            seen.image = image;
        },
        Qt::DirectConnection);
    FUZZ_CHECK(connected);

    const int result = (data[0] & 3) | ((data[0] & 0x10) ? 4 : 0);
    const bool retried = data[0] & 4;
    link.deviceAddress = data[1];
    const int index = retried ? -1 : data[2];
    QByteArray reply = fuzzBytes(data + 3, size - 3);
    if (data[0] & 8)
        appendCrcLowFirst(reply);
    const QByteArray original = reply;

    bool expectStop = true;
    const QString expected = expectedError(result, link.deviceAddress, retried, reply, &expectStop);
    seen = Outcome();
    const bool stop = refresh.checkReply(result, link, index, reply);

    FUZZ_CHECK(stop == expectStop);
    if (expected.isEmpty()) {
        FUZZ_CHECK(seen.messages == 0);
    } else {
        FUZZ_CHECK(seen.messages == 1);
        FUZZ_CHECK(seen.error == expected);
        FUZZ_CHECK(seen.title == QStringLiteral("刷新"));
        FUZZ_CHECK(seen.image == QStringLiteral(":/image/refresh.png"));
    }
    if (!stop) {
        // An accepted reply is untouched and its row is exactly its N text bytes.
        FUZZ_CHECK(reply == original);
        const int n = quint8(reply.at(2));
        FUZZ_CHECK(n > 0 && reply.size() == n + 5);
        const QStringList fields = parseItemReply(reply, link.deviceAddress).fields;
        FUZZ_CHECK(!fields.isEmpty());
        FUZZ_CHECK(fields.join(QLatin1Char(':')) == decodeDeviceText(reply.constData() + 3, n));
    }
    // The parser the writes and zrvu-cli use says the same of the same bytes.
    if (result == LinkOk && reply.size() >= 3 && checkFrameCrc(reply, false)) {
        const ItemReply parsed = parseItemReply(reply, link.deviceAddress);
        FUZZ_CHECK((parsed.status == ItemReply::Item) == !stop);
    }
    return 0;
}
