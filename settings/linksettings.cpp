#include "settings/linksettings.h"

#include "settings/settingkeys.h"

#include <QCoreApplication>

LinkSettings LinkSettings::fromSettings(QSettings *settings)
{
    QSettings *s = settings ? settings : configSettings();
    LinkSettings l;
    l.useRts = SettingKeys::serialSendRts.read(s);
    l.useDtr = SettingKeys::serialSendDtr.read(s);
    l.useUdp = SettingKeys::communicateUdp.read(s) != 0;
    l.deviceAddress = static_cast<quint8>(SettingKeys::deviceAddress.read(s) & 0xFF);
    l.encrypt = SettingKeys::communicateEncrypt.read(s);
    l.udpAddress = SettingKeys::udpAddress.read(s);
    // Five digits fit values above 65535; the link keeps the low 16 bits.
    l.udpPort = static_cast<quint16>(SettingKeys::udpPort.read(s).toUInt() & 0xFFFF);
    l.serialPort = SettingKeys::serialPort.read(s);
    l.baudrate = SettingKeys::serialBaudrate.read(s);
    l.databits = SettingKeys::serialDatabits.read(s);
    l.parity = SettingKeys::serialParity.read(s);
    l.stopbits = SettingKeys::serialStopbits.read(s);
    return l;
}

bool parityFromName(const QString &name, int *code)
{
    for (const ParityCode &p : kParityCodes) {
        if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0) {
            *code = p.code;
            return true;
        }
    }
    return false;
}

bool stopBitsFromText(const QString &text, int *code)
{
    for (const StopBitsCode &s : kStopBitsCodes) {
        if (text == QLatin1String(s.text)) {
            *code = s.code;
            return true;
        }
    }
    return false;
}

namespace {
QChar parityLetter(int parity)
{
    for (const ParityCode &p : kParityCodes) {
        if (p.code == parity)
            return QLatin1Char(p.letter);
    }
    return QLatin1Char('?');
}

QString stopBitsText(int stopbits)
{
    for (const StopBitsCode &s : kStopBitsCodes) {
        if (s.code == stopbits)
            return QLatin1String(s.text);
    }
    return QString::number(stopbits);
}
} // namespace

QString linkSummaryText(const LinkSettings &l)
{
    const QString none = QCoreApplication::translate("LinkSettings", "(无)");
    const QString dot = QStringLiteral(" \u00B7 ");
    QString text;
    if (l.useUdp) {
        QString host = l.udpAddress.trimmed().isEmpty() ? none : l.udpAddress.trimmed();
        if (host.contains(QLatin1Char(':')))
            host = QLatin1Char('[') + host + QLatin1Char(']');
        text = QStringLiteral("UDP %1:%2").arg(host).arg(l.udpPort);
    } else {
        text = QStringLiteral("%1 %2 %3 %4%5%6")
                   .arg(QCoreApplication::translate("LinkSettings", "串口"), l.serialPort.isEmpty() ? none : l.serialPort)
                   .arg(l.baudrate)
                   .arg(l.databits)
                   .arg(parityLetter(l.parity))
                   .arg(stopBitsText(l.stopbits));
    }
    text += dot + QCoreApplication::translate("LinkSettings", "地址 %1").arg(l.deviceAddress);
    if (l.encrypt)
        text += dot + QCoreApplication::translate("LinkSettings", "加密");
    return text;
}
