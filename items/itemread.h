#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class DeviceLink;

// The counted item reply: address, 03, N, N text bytes, CRC (the CRC is the
// link's check). Item reads and text writes answer with it.
struct ItemReply {
    enum Status {
        Item,                 // N > 0: fields holds the text split at ':'
        EndOfList,            // N == 0
        BadAddressOrFunction, // shorter than 5 bytes, another address or function
        BadLength,            // the count byte does not match the bytes received
    };
    Status status = BadAddressOrFunction;
    QStringList fields;
};
ItemReply parseItemReply(const QByteArray &reply, quint8 deviceAddress);

// One item as the refresh reads it: a link failure is retried once with the
// longer timeout before it counts.
struct ItemReadOutcome {
    Q_GADGET
public:
    enum Status { Item, EndOfList, LinkFailed, BadAddressOrFunction, BadLength };
    Q_ENUM(Status)
    Status status = LinkFailed;
    Failure::Code failure = Failure::Failed; // None for Item and EndOfList
    QString detail; // linkErrorText for LinkFailed
    QByteArray reply;  // the last reply received
    QStringList fields;
};
constexpr int kItemFirstTimeoutMs = 3000;
constexpr int kItemRetryTimeoutMs = 5000;
ItemReadOutcome readItemAt(DeviceLink &link, int index, int firstTimeoutMs = kItemFirstTimeoutMs,
                           int retryTimeoutMs = kItemRetryTimeoutMs);
// Judges an exchange already made (result, reply); index -1 means it was the
// retry, so a failure is final.
ItemReadOutcome judgeItemExchange(DeviceLink &link, int index, int result, const QByteArray &reply,
                                  int retryTimeoutMs = kItemRetryTimeoutMs);

struct ItemListHooks {
    // Polled before each request and during every wait (on the reading
    // thread); may be empty.
    std::function<bool()> stopRequested;
    std::function<void()> cleared;       // the link is open, the list starts
    std::function<void(int index, const QStringList &fields)> item;
};

struct ItemListOutcome {
    Q_GADGET
public:
    enum Status {
        Complete,
        // failure says why: OpenFailed (detail: the link's errorText),
        // Interrupted (the stop), or the retry's link fault (detail: its
        // linkErrorText).
        Failed,
        BadAddressOrFunction, // reply: the refused reply
        BadLength,            // reply: the refused reply
        ExtraAnswer,          // answered more often than asked; the list may be shifted
    };
    Q_ENUM(Status)
    Status status = Failed; // an outcome says it succeeded, never by default
    Failure::Code failure = Failure::Failed; // None for Complete
    QString detail;
    QByteArray reply;
    int items = 0; // items reported through hooks.item
};
// The failure in the shared vocabulary (None for Complete): `failure`.
Failure::Code itemListError(const ItemListOutcome &outcome);

// The request byte addresses 256 items; reading on would only repeat items
// 0, 1, … under new indexes (and never end on such an instrument).
constexpr int kMaxItems = 256;
// After the list: how long to look for copies still on their way. Only a
// courtesy (the check read of item 0 is what keeps a shifted list from
// being reported as read, whatever the instrument's speed).
constexpr int kItemSettleMs = 100;

// The whole item list on an unopened link, one request per item, until the
// empty item or the first error; over UDP then item 0 once more, which must
// answer as it did (else ExtraAnswer). The link is left open.
ItemListOutcome readItemList(DeviceLink &link, const ItemListHooks &hooks,
                             int firstTimeoutMs = kItemFirstTimeoutMs, int retryTimeoutMs = kItemRetryTimeoutMs);
// The failed single read as the list reports it.
ItemListOutcome itemListFailure(const ItemReadOutcome &read);
// The refresh's message for an outcome (context RefreshThread); empty when
// there is nothing to report.
QString itemListMessage(const ItemListOutcome &outcome);
