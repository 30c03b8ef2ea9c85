#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>

// What the search broadcasts: the four bytes 01 01 01 01.
QByteArray discoveryDatagram();

// The instrument's name in an answer to the discovery datagram, trimmed;
// empty when the datagram is no answer (it has no bytes).
QString parseSearchAnswer(const QByteArray &datagram);

struct SearchTarget {
    QHostAddress address;
    quint16 port = 0;
};

struct SearchAnswer {
    QString name;
    QHostAddress address;
    quint16 port = 0;
};

struct DeviceSearchHooks {
    // Polled between polls of the socket; may be empty.
    std::function<bool()> stopRequested;
    std::function<void(const SearchAnswer &answer)> answer;
};

struct DeviceSearchOutcome {
    Q_GADGET
public:
    enum Status {
        Answered, // at least one instrument answered
        NoAnswer, // every target was listened to, nobody answered
        Failed,   // failure says why: Interrupted (the stop ended the search)
    };
    Q_ENUM(Status)
    Status status = NoAnswer;
    Failure::Code failure = Failure::NoAnswer; // None for Answered
    int answers = 0;
    // Targets the datagram went out to; a failed send skips its target.
    int targetsSent = 0;
};

// Sends the discovery datagram to each target in turn from one unbound UDP
// socket and listens to it until listenMs pass without a datagram, polling
// every pollMs. Every non-empty datagram is an answer, whoever sent it.
DeviceSearchOutcome searchDevices(const QList<SearchTarget> &targets, int listenMs, int pollMs,
                                  const DeviceSearchHooks &hooks);
