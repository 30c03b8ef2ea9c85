#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

class DeviceLink;

// Where the clock write takes "now" from; tests and tools may replace it.
using ClockSource = std::function<QDateTime()>;
void setClockSource(ClockSource source); // an empty function restores the PC clock
QDateTime currentClockTime();

// Address, 0F 4D 08 00 03 07, year % 100, month, day, hour, minute, second,
// weekday (1 Monday … 7 Sunday), CRC low first.
QByteArray buildClockWriteRequest(quint8 deviceAddress, const QDateTime &localTime);
QByteArray buildClockWriteRequest(quint8 deviceAddress);

// The 7-byte "OK" answer from this address.
bool isClockOkReply(const QByteArray &reply, quint8 deviceAddress);

struct ClockSyncOutcome {
    Q_GADGET
public:
    // LinkFailed: failure says how (OpenFailed: the link did not open).
    enum Status { Synced, LinkFailed, BadReply };
    Q_ENUM(Status)
    Status status = LinkFailed;
    Failure::Code failure = Failure::Failed; // None for Synced
    QString detail; // LinkFailed: the link's errorText when it did not open, else linkErrorText
    QByteArray request;
    QByteArray reply;
};
// The exchange on an open link.
ClockSyncOutcome syncClockExchange(DeviceLink &link, int timeoutMs = 5000);
// Opens the link, makes the exchange and closes the link again.
ClockSyncOutcome syncClock(DeviceLink &link, int timeoutMs = 5000);
// The text shown for every outcome, success included (context MainWindow).
QString clockSyncMessage(const ClockSyncOutcome &outcome);
// The failure in the shared vocabulary (None for Synced): `failure`.
Failure::Code clockSyncError(const ClockSyncOutcome &outcome);
