#pragma once

#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>

// The broadcast address of every IPv4 entry, each address once. Entries
// without a broadcast address (loopback, point-to-point) give none.
QList<QHostAddress> broadcastTargets(const QList<QNetworkAddressEntry> &entries);

// broadcastTargets() over every address entry of every interface of this
// host, whatever the interface's state or kind. Sends nothing.
QList<QHostAddress> collectBroadcastTargets();
