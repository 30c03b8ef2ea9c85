#pragma once

#include "items/itemrules.h"
#include "items/skiptable.h"

#include <QList>
#include <QStringList>

// The rows the item tree would hold, built with the tree's numbering: each
// row shown takes the next position, whatever its item index.
// (ConfigTree::appendItemRow does the same on the widget; candidates for one
// core function.)
class ItemRowList
{
public:
    explicit ItemRowList(const SkipTable &table) { m_filter.setTable(table); }

    // slotAddItems: the skip filter, then the row.
    void addItem(int index, const QStringList &fields);
    void clear() { m_rows.clear(); }
    const QList<ItemRow> &rows() const { return m_rows; }

private:
    void append(int index, const QStringList &fields);

    ItemSkipFilter m_filter;
    QList<ItemRow> m_rows;
};
