#pragma once

#include "settings/linksettings.h"

#include <QSettings>
#include <QVector>

// The last accepted communication setups, newest first, in the recent/
// group of config.ini; the keys the link reads are not touched.
class RecentConnections
{
public:
    static constexpr int kMaxEntries = 10;

    // Entries that do not describe a usable connection are skipped.
    static QVector<LinkSettings> load(QSettings *settings = nullptr);
    static void save(const QVector<LinkSettings> &entries, QSettings *settings = nullptr);
    // `entry` first; an earlier entry for the same instrument (transport,
    // endpoint, device address) goes, and the list keeps kMaxEntries.
    static QVector<LinkSettings> added(const QVector<LinkSettings> &entries, const LinkSettings &entry);
    static void remember(const LinkSettings &entry, QSettings *settings = nullptr);
    static bool sameInstrument(const LinkSettings &a, const LinkSettings &b);
};
