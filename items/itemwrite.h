#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QString>

class DeviceLink;

// Write modes: a command item sends an empty text and expects one field
// back, a value item a name and a value.
enum ItemWriteMode {
    WriteNothing = 0,
    WriteCommand = 1,
    WriteValue = 2,
};

// The outcome of one text-write exchange, for windows and the command line.
struct ItemWriteOutcome {
    Q_GADGET
public:
    enum Status {
        Written,      // the instrument now reports the requested value
        Refused,      // well-formed reply with another value
        LinkFailed,   // transact failed or the CRC is wrong; see failure and detail
        BadReply,     // wrong address, function, length or field count
        ValueTooLong, // the encoded value does not fit the count byte
        ValueNotCarried, // a character the instrument's text cannot hold; see detail
    };
    Q_ENUM(Status)
    Status status = LinkFailed;
    Failure::Code failure = Failure::Failed; // None for Written
    QString detail;          // linkErrorText for LinkFailed
    QByteArray request;
    QByteArray reply;
    bool hasReportedValue = false;
    QString reportedValue;   // field 1 of the reply, trimmed (value items)
    QString reportedName;    // field 0 of an answered reply, trimmed
    // LinkFailed with nothing back after the request went out: the
    // instrument may have stored the value all the same.
    bool unanswered = false;

    // True when the instrument answered sensibly (Written or Refused).
    bool answered() const { return status == Written || status == Refused; }
};

// The largest encoded value a text-write request can carry.
constexpr int kMaxItemValueBytes = 254;

ItemWriteOutcome writeItemExchange(DeviceLink &link, int index, const QString &value, int mode,
                                   int timeoutMs = 5000);

// Why `value` cannot be sent as it is, naming the character (a control
// character, or one neither GB2312 nor Latin-1 holds); empty when it can.
QString itemValueCharProblem(const QString &value);

// The window's text for an outcome: the status line's for Written and
// Refused, the message box's otherwise (context MainWindow).
QString itemWriteMessage(const ItemWriteOutcome &outcome);
// The failure in the shared vocabulary (None for Written): `failure`.
Failure::Code itemWriteError(const ItemWriteOutcome &outcome);
// The link would not open.
QString itemWriteOpenFailedMessage();
// Follows the failure message when a write (or a batch) stops at `value`.
QString itemWriteStoppedMessage(const QString &value);
// Follows the link's message when a write got no answer (it may have been
// applied), in place of itemWriteStoppedMessage.
QString itemWriteUnansweredMessage();
// Whichever of the two follows the failure of the write of `value`.
QString itemWriteFollowUpMessage(const ItemWriteOutcome &outcome, const QString &value);
// After a batch that went through; `refused` rows kept the instrument's value.
QString itemBatchWrittenMessage(int refused);
