#include "settings/recentconnections.h"

#include "settings/config.h"
#include "settings/settingkeys.h"

namespace {

const QString kGroup = QStringLiteral("recent");

bool usable(const LinkSettings &l)
{
    return l.useUdp ? !l.udpAddress.isEmpty() && l.udpPort != 0 : !l.serialPort.isEmpty() && l.baudrate > 0;
}

} // namespace

QVector<LinkSettings> RecentConnections::load(QSettings *settings)
{
    QSettings *s = settings ? settings : configSettings();
    QVector<LinkSettings> out;
    // Only the entries the list keeps are looked at: a size of 2147483647
    // in a hand-edited file must not become a loop over empty entries.
    const int size = qMin(s->beginReadArray(kGroup), kMaxEntries);
    for (int i = 0; i < size; ++i) {
        s->setArrayIndex(i);
        LinkSettings l;
        l.useUdp = s->value(QStringLiteral("udp")).toInt() != 0;
        l.udpAddress = s->value(QStringLiteral("udp_address")).toString();
        l.udpPort = static_cast<quint16>(s->value(QStringLiteral("udp_port")).toUInt() & 0xFFFF);
        l.serialPort = s->value(QStringLiteral("serial_port")).toString();
        l.baudrate = s->value(QStringLiteral("baudrate"), SettingKeys::serialBaudrate.defaultValue()).toInt();
        l.databits = s->value(QStringLiteral("databits"), SettingKeys::serialDatabits.defaultValue()).toInt();
        l.parity = s->value(QStringLiteral("parity"), SettingKeys::serialParity.defaultValue()).toInt();
        l.stopbits = s->value(QStringLiteral("stopbits"), SettingKeys::serialStopbits.defaultValue()).toInt();
        l.useRts = settingBool(s->value(QStringLiteral("send_rts"), SettingKeys::serialSendRts.defaultValue()));
        l.useDtr = settingBool(s->value(QStringLiteral("send_dtr"), SettingKeys::serialSendDtr.defaultValue()));
        const int address = s->value(QStringLiteral("address"), SettingKeys::deviceAddress.defaultValue()).toInt();
        l.deviceAddress = static_cast<quint8>(address < 1 || address > 255 ? SettingKeys::deviceAddress.defaultValue() : address);
        l.encrypt = settingBool(s->value(QStringLiteral("encrypt"), SettingKeys::communicateEncrypt.defaultValue()));
        // A hand-edited or damaged entry must not fill the dialog with nonsense.
        if (usable(l))
            out << l;
    }
    s->endArray();
    return out;
}

void RecentConnections::save(const QVector<LinkSettings> &entries, QSettings *settings)
{
    QSettings *s = settings ? settings : configSettings();
    // The old array goes first: a shorter list must not leave old rows behind.
    s->remove(kGroup);
    s->beginWriteArray(kGroup, qMin(entries.size(), kMaxEntries));
    for (int i = 0; i < entries.size() && i < kMaxEntries; ++i) {
        const LinkSettings &l = entries.at(i);
        s->setArrayIndex(i);
        s->setValue(QStringLiteral("udp"), l.useUdp ? 1 : 0);
        if (l.useUdp) {
            s->setValue(QStringLiteral("udp_address"), l.udpAddress);
            s->setValue(QStringLiteral("udp_port"), l.udpPort);
        } else {
            s->setValue(QStringLiteral("serial_port"), l.serialPort);
            s->setValue(QStringLiteral("baudrate"), l.baudrate);
            s->setValue(QStringLiteral("databits"), l.databits);
            s->setValue(QStringLiteral("parity"), l.parity);
            s->setValue(QStringLiteral("stopbits"), l.stopbits);
            s->setValue(QStringLiteral("send_rts"), l.useRts);
            s->setValue(QStringLiteral("send_dtr"), l.useDtr);
        }
        s->setValue(QStringLiteral("address"), l.deviceAddress);
        s->setValue(QStringLiteral("encrypt"), l.encrypt);
    }
    s->endArray();
}

bool RecentConnections::sameInstrument(const LinkSettings &a, const LinkSettings &b)
{
    if (a.useUdp != b.useUdp || a.deviceAddress != b.deviceAddress)
        return false;
    if (a.useUdp)
        return a.udpAddress == b.udpAddress && a.udpPort == b.udpPort;
    return a.serialPort == b.serialPort;
}

QVector<LinkSettings> RecentConnections::added(const QVector<LinkSettings> &entries, const LinkSettings &entry)
{
    QVector<LinkSettings> out{entry};
    for (const LinkSettings &l : entries) {
        if (out.size() >= kMaxEntries)
            break;
        if (!sameInstrument(l, entry))
            out << l;
    }
    return out;
}

void RecentConnections::remember(const LinkSettings &entry, QSettings *settings)
{
    if (!usable(entry))
        return;
    save(added(load(settings), entry), settings);
}
