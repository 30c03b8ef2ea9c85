#include "items/serialnumber.h"

#include "link/datareceiver.h"
#include "link/devicelink.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegExp>

QString serialNumberPattern()
{
    return QStringLiteral("^[a-zA-Z0-9]{1,24}$");
}

bool isValidSerialNumber(const QString &sn)
{
    return QRegExp(serialNumberPattern()).exactMatch(sn);
}

QByteArray buildSerialNumberCommand(const QString &sn)
{
    return QStringLiteral("{\"write\":{\"sn\":\"%1\"}}").arg(sn).toLatin1();
}

QVariantMap parseJsonObject(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return QVariantMap();
    return doc.object().toVariantMap();
}

bool isSerialNumberAnswerOk(const QByteArray &answer, const QString &sn)
{
    const QVariantMap map = parseJsonObject(answer);
    if (map.isEmpty() || !map.contains(QStringLiteral("sn")))
        return false;
    return map.value(QStringLiteral("sn")).toString().toLatin1() == sn.toLatin1();
}

QString serialNumberAnswerText(const QByteArray &answer)
{
    const int zero = answer.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? answer : answer.left(zero));
}

SerialNumberOutcome writeSerialNumberExchange(DeviceLink &link, const QString &sn)
{
    SerialNumberOutcome out;
    out.command = buildSerialNumberCommand(sn);
    DDataReceiverImpl receiver;
    link.transactStream(out.command, &receiver);
    out.answer = receiver.data();
    out.detail = receiver.errorText();
    if (!out.detail.isEmpty()) {
        out.status = SerialNumberOutcome::StreamFailed;
        out.failure = Failure::NoReply;
    } else if (isSerialNumberAnswerOk(out.answer, sn)) {
        out.status = SerialNumberOutcome::Written;
        out.failure = Failure::None;
    } else {
        out.status = SerialNumberOutcome::BadAnswer;
        out.failure = Failure::BadReply;
    }
    return out;
}

QString serialNumberMessage(const SerialNumberOutcome &outcome)
{
    switch (outcome.status) {
    case SerialNumberOutcome::Written:
        return QCoreApplication::translate("MainWindow", "写入SN成功");
    case SerialNumberOutcome::StreamFailed:
        return QCoreApplication::translate("MainWindow", "写入SN失败, %1").arg(outcome.detail);
    case SerialNumberOutcome::BadAnswer:
        return QCoreApplication::translate("MainWindow", "写入SN失败, 设备返回错误: %1")
            .arg(serialNumberAnswerText(outcome.answer));
    }
    return QString();
}

QString serialNumberOpenFailedMessage()
{
    return QCoreApplication::translate("MainWindow", "写入SN失败,连接设备失败,请检查通讯设置");
}

QString serialNumberInvalidMessage()
{
    return QCoreApplication::translate("DDialogInputSN", "SN输入有误");
}
