#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

// Which identity rows (device name, device model) stay hidden: key → the
// texts listed under it in the file SkipItems.
using SkipTable = QMap<QString, QSet<QString>>;

// Every space removed, then surrounding white space.
QString cleanSkipText(const QString &text);

// Lines "X" (X under X) and "X,Y" (Y under X); longer lines are ignored.
SkipTable parseSkipTable(const QByteArray &fileBytes);
// A missing or unreadable file gives an empty table. A file that is not a
// regular file (a FIFO would block), is too large or cannot be read is
// ignored as well, with *warning saying why; a missing one stays silent.
SkipTable loadSkipTable(const QString &path, QString *warning = nullptr);

// The skip filter in front of the tree. A device-name row whose value is a
// key is held back until the next device-model row decides whether both
// rows are shown (name first) or both hidden.
class ItemSkipFilter
{
public:
    using Item = QPair<int, QStringList>;

    void setTable(const SkipTable &table) { m_table = table; }
    const SkipTable &table() const { return m_table; }

    // True when the caller must not add (index, list) now. A held row that
    // is released is passed to `released` first, so it gets the earlier
    // position.
    template<typename AddRow>
    bool isSkippedRow(int index, const QStringList &list, AddRow released)
    {
        Item toAdd;
        const bool skipped = decide(index, list, &toAdd);
        if (!toAdd.second.isEmpty())
            released(toAdd.first, toAdd.second);
        return skipped;
    }

    bool hasHeldRow() const { return !m_held.second.isEmpty(); }
    Item heldRow() const { return m_held; }

private:
    bool decide(int index, const QStringList &list, Item *release);

    SkipTable m_table;
    Item m_held;
};
