#include "items/itemwrite.h"

#include "items/itemrules.h"
#include "link/devicelink.h"
#include "link/framecodec.h"

ItemWriteOutcome writeItemExchange(DeviceLink &link, int index, const QString &value, int mode, int timeoutMs)
{
    ItemWriteOutcome out;
    // The count byte holds length + 1; a longer value would go out with a
    // wrapped count and a truncated meaning.
    if (encodeDeviceText(value).size() > kMaxItemValueBytes) {
        out.status = ItemWriteOutcome::ValueTooLong;
        return out;
    }
    out.request = buildTextWriteRequest(link.deviceAddress, quint8(index & 0xFF), value);
    const int result = link.transact(out.request, out.reply, false, timeoutMs);
    out.errorText = linkErrorText(result, out.reply);
    if (!out.errorText.isEmpty()) {
        out.status = ItemWriteOutcome::LinkFailed;
        return out;
    }
    const QByteArray &b = out.reply;
    if (b.size() <= 4 || quint8(b.at(0)) != link.deviceAddress || quint8(b.at(1)) != 0x03
        || b.size() != quint8(b.at(2)) + 5) {
        out.status = ItemWriteOutcome::BadReply;
        return out;
    }
    const QStringList fields = splitItemText(decodeDeviceText(b.constData() + 3, quint8(b.at(2))));
    if (fields.size() != mode) {
        out.status = ItemWriteOutcome::BadReply;
        return out;
    }
    QString shown;
    if (mode == WriteValue) {
        out.hasReportedValue = true;
        out.reportedValue = fields.at(1).trimmed();
        shown = QStringLiteral(": ") + out.reportedValue;
    }
    out.status = shown.contains(value, Qt::CaseSensitive) ? ItemWriteOutcome::Written : ItemWriteOutcome::Refused;
    return out;
}
