#include "items/connectiontest.h"

#include "items/itemread.h"
#include "link/devicelink.h"

ConnectionTestOutcome testConnection(const LinkSettings &settings)
{
    ConnectionTestOutcome outcome;
    DeviceLink link;
    link.setFixedSettings(settings);
    if (!link.open()) {
        outcome.failure = Failure::OpenFailed;
        outcome.detail = link.errorText.isEmpty() ? ConnectionTest::tr("无法打开连接") : link.errorText;
        return outcome;
    }
    const ItemReadOutcome read = readItemAt(link, 0);
    link.close();
    outcome.failure = read.failure;
    switch (read.status) {
    case ItemReadOutcome::Item:
        outcome.status = ConnectionTestOutcome::Answered;
        outcome.name = read.fields.value(0);
        outcome.value = read.fields.mid(1).join(QLatin1Char(':'));
        break;
    case ItemReadOutcome::EndOfList:
        outcome.status = ConnectionTestOutcome::EmptyList;
        break;
    default:
        outcome.detail = itemListMessage(itemListFailure(read));
        break;
    }
    return outcome;
}

QString ConnectionTest::endpointText(const LinkSettings &settings)
{
    const QString endpoint = settings.useUdp
        ? QStringLiteral("UDP %1:%2").arg(settings.udpAddress).arg(settings.udpPort)
        : QStringLiteral("%1 %2").arg(settings.serialPort).arg(settings.baudrate);
    return tr("%1,设备地址 %2").arg(endpoint).arg(settings.deviceAddress);
}

QString ConnectionTest::message(const LinkSettings &settings, const ConnectionTestOutcome &outcome)
{
    const QString tried = endpointText(settings);
    switch (outcome.status) {
    case ConnectionTestOutcome::Answered:
        return outcome.value.isEmpty() ? tr("连接成功(%1):%2").arg(tried, outcome.name)
                                       : tr("连接成功(%1):%2 = %3").arg(tried, outcome.name, outcome.value);
    case ConnectionTestOutcome::EmptyList:
        return tr("连接成功(%1),设备没有参数项").arg(tried);
    case ConnectionTestOutcome::Failed:
        break;
    }
    return tr("连接失败(%1):%2").arg(tried, outcome.detail);
}
