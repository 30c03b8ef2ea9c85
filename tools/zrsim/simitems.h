#pragma once

#include <QString>
#include <QStringList>

// One configuration item as the instrument holds it.
struct SimItem {
    QString name;
    QString value;
    bool hasValue = false; // false: a command item (its text has no colon)
    bool readOnly = false;

    QString text() const { return hasValue ? name + QLatin1Char(':') + value : name; }
};

// Items file line syntax: "name:value", or "name" alone for a command item;
// a leading "!" marks the item read-only. Empty lines and lines starting
// with "#" are skipped (returns false).
bool parseSimItemLine(const QString &line, SimItem *item);
// The built-in list, in items file syntax.
QStringList defaultSimItemLines();
