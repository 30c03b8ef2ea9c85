#include "items/itemwrite.h"

#include "items/itemread.h"
#include "items/itemrules.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

#include <QCoreApplication>

ItemWriteOutcome writeItemExchange(DeviceLink &link, int index, const QString &value, int mode, int timeoutMs)
{
    ItemWriteOutcome out;
    // The count byte holds length + 1; a longer value would go out with a
    // wrapped count and a truncated meaning.
    if (encodeDeviceText(value).size() > kMaxItemValueBytes) {
        out.status = ItemWriteOutcome::ValueTooLong;
        out.failure = Failure::BadValue;
        return out;
    }
    // Sent anyway, the character would arrive as '?' and stay there.
    out.detail = itemValueCharProblem(value);
    if (!out.detail.isEmpty()) {
        out.status = ItemWriteOutcome::ValueNotCarried;
        out.failure = Failure::BadValue;
        return out;
    }
    out.request = buildTextWriteRequest(link.deviceAddress, quint8(index & 0xFF), value);
    const int result = link.transact(out.request, out.reply, false, timeoutMs);
    out.detail = linkErrorText(result, out.reply);
    if (!out.detail.isEmpty()) {
        out.status = ItemWriteOutcome::LinkFailed;
        out.failure = Failure::fromLinkResult(result, out.reply);
        out.unanswered = result == LinkNoReply;
        return out;
    }
    const ItemReply parsed = parseItemReply(out.reply, link.deviceAddress);
    // An empty text (N = 0) is one empty field, as a command's answer may be.
    const QStringList fields = parsed.status == ItemReply::EndOfList ? splitItemText(QString()) : parsed.fields;
    if ((parsed.status != ItemReply::Item && parsed.status != ItemReply::EndOfList) || fields.size() != mode) {
        out.status = ItemWriteOutcome::BadReply;
        out.failure = Failure::BadReply;
        return out;
    }
    out.reportedName = fields.at(0).trimmed();
    QString shown;
    if (mode == WriteValue) {
        out.hasReportedValue = true;
        out.reportedValue = fields.at(1).trimmed();
        shown = QStringLiteral(": ") + out.reportedValue;
    }
    const bool held = shown.contains(value, Qt::CaseSensitive);
    out.status = held ? ItemWriteOutcome::Written : ItemWriteOutcome::Refused;
    out.failure = held ? Failure::None : Failure::Refused;
    return out;
}

QString itemValueCharProblem(const QString &value)
{
    const int at = uncarriableDeviceChar(value);
    if (at < 0)
        return QString();
    const uint code = value.at(at).isHighSurrogate() && at + 1 < value.size()
                          ? QChar::surrogateToUcs4(value.at(at), value.at(at + 1))
                          : value.at(at).unicode();
    const QString codeText = QStringLiteral("U+%1").arg(code, 4, 16, QLatin1Char('0')).toUpper();
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F))
        return QCoreApplication::translate("MainWindow", "值中含有控制字符 %1,不能发送").arg(codeText);
    const QString shown = value.mid(at, code > 0xFFFF ? 2 : 1);
    return QCoreApplication::translate("MainWindow", "设备的文字无法表示值中的字符“%1”(%2),不能发送")
        .arg(shown, codeText);
}

QString itemWriteMessage(const ItemWriteOutcome &outcome)
{
    switch (outcome.status) {
    case ItemWriteOutcome::Written:
        return QCoreApplication::translate("MainWindow", "写入配置成功");
    case ItemWriteOutcome::Refused:
        return QCoreApplication::translate("MainWindow", "写入配置失败,该项不支持修改");
    case ItemWriteOutcome::LinkFailed:
        return outcome.detail;
    case ItemWriteOutcome::BadReply:
        return QCoreApplication::translate("MainWindow", "硬件返回数据校验错误");
    case ItemWriteOutcome::ValueTooLong:
        return QCoreApplication::translate("MainWindow", "写入的值过长,最多%1字节").arg(kMaxItemValueBytes);
    case ItemWriteOutcome::ValueNotCarried:
        return outcome.detail;
    }
    return QString();
}

Failure::Code itemWriteError(const ItemWriteOutcome &outcome)
{
    return outcome.failure;
}

QString itemWriteOpenFailedMessage()
{
    return QCoreApplication::translate("MainWindow", "写入错误,连接设备失败");
}

QString itemWriteStoppedMessage(const QString &value)
{
    return QCoreApplication::translate("MainWindow", "写入配置失败: %1").arg(value);
}

QString itemWriteUnansweredMessage()
{
    return QCoreApplication::translate("MainWindow", "没有应答,该值可能已写入,请刷新核对");
}

QString itemWriteFollowUpMessage(const ItemWriteOutcome &outcome, const QString &value)
{
    // Without an answer the value may well be stored: "failed" would make
    // the engineer write it again or give up on a good row.
    return outcome.unanswered ? itemWriteUnansweredMessage() : itemWriteStoppedMessage(value);
}

QString itemBatchWrittenMessage(int refused)
{
    if (refused > 0)
        return QCoreApplication::translate("MainWindow", "写入配置完成,%1项不支持修改").arg(refused);
    return QCoreApplication::translate("MainWindow", "写入配置成功");
}
