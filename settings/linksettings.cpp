#include "settings/linksettings.h"

#include "settings/settingkeys.h"

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
