#include "items/itemread.h"

#include "items/itemrules.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>

ItemReply parseItemReply(const QByteArray &reply, quint8 deviceAddress)
{
    ItemReply out;
    if (reply.size() < 5 || quint8(reply.at(0)) != deviceAddress || quint8(reply.at(1)) != 0x03) {
        out.status = ItemReply::BadAddressOrFunction;
        return out;
    }
    const int n = quint8(reply.at(2));
    if (reply.size() != n + 5) {
        out.status = ItemReply::BadLength;
        return out;
    }
    if (n == 0) {
        out.status = ItemReply::EndOfList;
        return out;
    }
    out.status = ItemReply::Item;
    out.fields = splitItemText(decodeDeviceText(reply.constData() + 3, n));
    return out;
}

namespace {
int requestItem(DeviceLink &link, int index, QByteArray &reply, int timeoutMs)
{
    const QByteArray request = buildItemReadRequest(link.deviceAddress, quint8(index & 0xFF));
    return link.transact(request, reply, false, timeoutMs);
}
} // namespace

ItemReadOutcome judgeItemExchange(DeviceLink &link, int index, int result, const QByteArray &reply, int retryTimeoutMs)
{
    ItemReadOutcome out;
    out.reply = reply;
    out.detail = linkErrorText(result, reply);
    if (!out.detail.isEmpty()) {
        // A stop abandons the retry: the list ends here anyway.
        if (index == -1 || link.abandoned()) {
            out.status = ItemReadOutcome::LinkFailed;
            out.failure = Failure::fromLinkResult(result, reply);
            return out;
        }
        QByteArray retried;
        const int again = requestItem(link, index, retried, retryTimeoutMs);
        return judgeItemExchange(link, -1, again, retried, retryTimeoutMs);
    }
    out.detail.clear();
    const ItemReply parsed = parseItemReply(reply, link.deviceAddress);
    out.fields = parsed.fields;
    switch (parsed.status) {
    case ItemReply::Item:
        out.status = ItemReadOutcome::Item;
        out.failure = Failure::None;
        break;
    case ItemReply::EndOfList:
        out.status = ItemReadOutcome::EndOfList;
        out.failure = Failure::None;
        break;
    case ItemReply::BadAddressOrFunction:
        out.status = ItemReadOutcome::BadAddressOrFunction;
        out.failure = Failure::BadAddressOrFunction;
        break;
    case ItemReply::BadLength:
        out.status = ItemReadOutcome::BadLength;
        out.failure = Failure::BadLength;
        break;
    }
    return out;
}

ItemReadOutcome readItemAt(DeviceLink &link, int index, int firstTimeoutMs, int retryTimeoutMs)
{
    QByteArray reply;
    const int result = requestItem(link, index, reply, firstTimeoutMs);
    return judgeItemExchange(link, index, result, reply, retryTimeoutMs);
}

ItemListOutcome itemListFailure(const ItemReadOutcome &read)
{
    ItemListOutcome out;
    out.reply = read.reply;
    out.failure = read.failure;
    switch (read.status) {
    case ItemReadOutcome::Item:
    case ItemReadOutcome::EndOfList:
        out.status = ItemListOutcome::Complete;
        break;
    case ItemReadOutcome::LinkFailed:
        out.status = ItemListOutcome::Failed;
        out.detail = read.detail;
        break;
    case ItemReadOutcome::BadAddressOrFunction:
        out.status = ItemListOutcome::BadAddressOrFunction;
        break;
    case ItemReadOutcome::BadLength:
        out.status = ItemListOutcome::BadLength;
        break;
    }
    return out;
}

ItemListOutcome readItemList(DeviceLink &link, const ItemListHooks &hooks, int firstTimeoutMs, int retryTimeoutMs)
{
    ItemListOutcome out;
    if (!link.open()) {
        out.failure = Failure::OpenFailed;
        out.detail = link.errorText;
        return out;
    }
    out.status = ItemListOutcome::Complete;
    out.failure = Failure::None;
    // A stop ends the wait for the item on the wire, and its retry: against
    // a silent instrument it would otherwise take up to both timeouts.
    struct AbandonScope {
        DeviceLink &link;
        ~AbandonScope() { link.setAbandonCheck({}); }
    } abandonScope{link};
    link.setAbandonCheck(hooks.stopRequested);
    const auto stoppedWith = [&](ItemListOutcome failed) {
        if (failed.status != ItemListOutcome::Failed || !link.abandoned())
            return failed;
        out.status = ItemListOutcome::Failed;
        out.failure = Failure::Interrupted;
        return out;
    };
    if (hooks.cleared)
        hooks.cleared();
    QStringList firstFields;
    for (int index = 0; index < kMaxItems; ++index) {
        if (hooks.stopRequested && hooks.stopRequested()) {
            out.status = ItemListOutcome::Failed;
            out.failure = Failure::Interrupted;
            return out;
        }
        const ItemReadOutcome read = readItemAt(link, index, firstTimeoutMs, retryTimeoutMs);
        if (read.status == ItemReadOutcome::EndOfList)
            break;
        if (read.status != ItemReadOutcome::Item) {
            ItemListOutcome failed = itemListFailure(read);
            failed.items = out.items;
            return stoppedWith(failed);
        }
        if (index == 0)
            firstFields = read.fields;
        ++out.items;
        if (hooks.item)
            hooks.item(index, read.fields);
    }
    // Replies carry no item number: when the instrument answered some
    // request twice, a copy may have been taken for the next item and the
    // list is shifted. The true answer to the last request is then still
    // owed, and comes before the answer to any later request, however long
    // the copy took: reading item 0 once more gets that owed answer instead
    // of item 0. Waiting for the surplus instead would only bet on the
    // instrument's speed. A serial line drops what is pending before each
    // request and bounds each reply, and its copies come joined.
    if (link.useUdp && out.items > 0) {
        const ItemReadOutcome fence = readItemAt(link, 0, firstTimeoutMs, retryTimeoutMs);
        if (fence.status == ItemReadOutcome::LinkFailed) {
            ItemListOutcome failed = itemListFailure(fence);
            failed.items = out.items;
            return stoppedWith(failed);
        }
        if (fence.status != ItemReadOutcome::Item || fence.fields != firstFields) {
            out.status = ItemListOutcome::ExtraAnswer;
            out.failure = Failure::DuplicateAnswer;
            out.detail = linkErrorText(LinkExtraAnswer, QByteArray());
            return out;
        }
    }
    if (link.answeredMoreThanAsked(kItemSettleMs)) {
        out.status = ItemListOutcome::ExtraAnswer;
        out.failure = Failure::DuplicateAnswer;
        out.detail = linkErrorText(LinkExtraAnswer, QByteArray());
    }
    return out;
}

QString itemListMessage(const ItemListOutcome &outcome)
{
    switch (outcome.status) {
    case ItemListOutcome::Complete:
        return QString();
    case ItemListOutcome::Failed:
        return outcome.failure == Failure::Interrupted ? QString() : outcome.detail;
    case ItemListOutcome::ExtraAnswer:
        return outcome.detail;
    case ItemListOutcome::BadAddressOrFunction:
        return QCoreApplication::translate("RefreshThread", "地址或命令校验错误: \n%1").arg(hexDump(outcome.reply));
    case ItemListOutcome::BadLength:
        return QCoreApplication::translate("RefreshThread", "数据长度校验错误 : \n%1").arg(hexDump(outcome.reply));
    }
    return QString();
}

Failure::Code itemListError(const ItemListOutcome &outcome)
{
    return outcome.failure;
}
