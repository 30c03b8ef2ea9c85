#include "discovery/searchtargets.h"

#include <QNetworkInterface>
#include <QSet>

QList<QHostAddress> broadcastTargets(const QList<QNetworkAddressEntry> &entries)
{
    QList<QHostAddress> targets;
    QSet<QHostAddress> seen;
    for (const QNetworkAddressEntry &entry : entries) {
        if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        const QHostAddress broadcast = entry.broadcast();
        // A null broadcast could never be sent to; leaving it out saves a failed send.
        if (broadcast.isNull() || seen.contains(broadcast))
            continue;
        seen.insert(broadcast);
        targets << broadcast;
    }
    return targets;
}

QList<QHostAddress> collectBroadcastTargets()
{
    QList<QNetworkAddressEntry> entries;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces)
        entries << iface.addressEntries();
    return broadcastTargets(entries);
}
