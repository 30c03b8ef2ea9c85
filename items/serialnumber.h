#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

class DeviceLink;

// 1 to 24 ASCII letters or digits.
QString serialNumberPattern();
bool isValidSerialNumber(const QString &sn);

// {"write":{"sn":"X"}} as Latin-1, nothing before or after.
QByteArray buildSerialNumberCommand(const QString &sn);

// The members of a top-level JSON object; empty for anything else.
QVariantMap parseJsonObject(const QByteArray &bytes);
// The answer is an object whose "sn" equals sn byte for byte (Latin-1).
bool isSerialNumberAnswerOk(const QByteArray &answer, const QString &sn);
// The raw answer as shown to the user: up to its first zero byte, Latin-1.
QString serialNumberAnswerText(const QByteArray &answer);

struct SerialNumberOutcome {
    Q_GADGET
public:
    enum Status { Written, StreamFailed, BadAnswer };
    Q_ENUM(Status)
    Status status = StreamFailed;
    // None for Written; the streamed exchange reports its failure as text
    // only: a failed send or answer counts as NoReply.
    Failure::Code failure = Failure::Failed;
    QString detail; // the stream's error for StreamFailed
    QByteArray command;
    QByteArray answer;
};
// On an open link: the window opens it before it asks for the number.
SerialNumberOutcome writeSerialNumberExchange(DeviceLink &link, const QString &sn);
// The message shown for every outcome, success included (context MainWindow).
QString serialNumberMessage(const SerialNumberOutcome &outcome);
// The link would not open.
QString serialNumberOpenFailedMessage();
// A number isValidSerialNumber refuses (context DDialogInputSN).
QString serialNumberInvalidMessage();
